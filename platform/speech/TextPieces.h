#pragma once

#include <QByteArray>
#include <QString>

// Cuts a text into pieces for the engine, one at a time, so that a long text
// is never converted or handed over whole: the first audio does not wait for
// the rest. Pieces end after a sentence when one ends in the latter part of
// the window, else at white space, else at the window's end (never inside a
// surrogate pair).
class TextPieces
{
public:
    struct Piece
    {
        qsizetype start = 0;  // in UTF-16 code units of the whole text
        qsizetype length = 0; // in UTF-16 code units
        QByteArray utf8;      // the piece, NUL-terminated
        bool endsSentence = false;
    };

    static constexpr qsizetype DefaultMaximum = 2048;

    explicit TextPieces(const QString &text, qsizetype maximum = DefaultMaximum);

    bool next(Piece &piece);

private:
    qsizetype cutPosition() const;

    QString m_text;
    qsizetype m_position = 0;
    qsizetype m_maximum;
};
