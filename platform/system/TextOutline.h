#pragma once

#include <QList>
#include <QString>

// What a document says of its own shape beside its plain text: where its
// chapters begin and what it calls itself. The document readers find it;
// the export writes it into the audio files that hold chapters and tags.
struct TextChapter
{
    QString title;
    // Where the chapter begins in the plain text, in UTF-16 code units.
    qsizetype offset = 0;
    // 0 for a chapter, 1 for a section within it, and so on: a book's
    // nested contents flattened in reading order.
    int depth = 0;

    friend bool operator==(const TextChapter &, const TextChapter &) = default;
};

struct TextMetadata
{
    QString title;
    QString author;
    // The language as the document names it ("de", "en-GB"); empty when it
    // names none.
    QString language;

    bool isEmpty() const { return title.isEmpty() && author.isEmpty() && language.isEmpty(); }
    friend bool operator==(const TextMetadata &, const TextMetadata &) = default;
};

struct TextOutline
{
    // In reading order, offsets never decreasing; none for a text without
    // chapters (plain text has none: they are never guessed).
    QList<TextChapter> chapters;
    TextMetadata metadata;

    friend bool operator==(const TextOutline &, const TextOutline &) = default;
};
