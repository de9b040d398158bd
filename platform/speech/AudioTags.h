#pragma once

#include "platform/speech/SoundFormats.h"
#include "platform/speech/WordTimings.h"
#include "platform/system/TextOutline.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>
#include <vector>

// A chapter of the audio, in samples of the speech.
struct AudioChapter
{
    QString title;
    qint64 startSample = 0;
    qint64 endSample = 0;
};

// What a sound file says of itself: its tags, and the chapters of a file
// that holds more than one.
struct AudioTags
{
    QString title;
    QString artist;
    QString album;
    QString language;
    int track = 0; // 0: none
    int trackCount = 0;
    int sampleRate = 0; // of the chapters' samples
    QList<AudioChapter> chapters;

    qint64 milliseconds(qint64 sample) const;
    // The tags that are given, by their Vorbis comment names ("TITLE",
    // "TRACKNUMBER").
    QList<std::pair<QByteArray, QString>> comments() const;
};

namespace AudioTagging {

// Each chapter starts at the sample where the first word at or after its
// offset is spoken, so that a chapter heading with no word of its own starts
// with the next chapter's first word; the marks are those that the word
// timings take, which a render with workers gives exactly as one process.
// A chapter ends where the next one starts, the last at `totalSamples`.
QList<AudioChapter> chapters(const QList<TextChapter> &outline,
                             const std::vector<WordTimings::Mark> &marks, qint64 totalSamples);
// The tags of one file made from the outline's metadata; a book's title is
// both the file's title and its album.
AudioTags tags(const TextMetadata &metadata, int sampleRate);

// Writes the tags (and chapters) that the format keeps in a block of its own
// into the complete file open as `fd`; formats whose encoder takes its tags
// (WAV, AIFF, M4B) are left alone, and so are Opus' tags, only its chapters
// are added. Empty, or why not.
QString writeInto(int fd, const SoundFormat &format, const AudioTags &tags, bool withTags);

// The language in ISO 639-2's three letters ("ger" for "de-AT"), as MP4 and
// ID3 name it; empty for none or an unknown one.
QByteArray threeLetterLanguage(const QString &language);
// "01:02:03.456".
QString clockTime(qint64 milliseconds);
// FFmpeg's metadata file for a name ending in .ffmetadata, else a line of
// "HH:MM:SS.mmm Title" for each chapter.
QByteArray chapterList(const QString &path, const AudioTags &tags);

} // namespace AudioTagging
