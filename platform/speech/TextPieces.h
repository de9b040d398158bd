#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Cuts a text into pieces for the engine, one at a time, so that a long text
// is never converted or handed over whole: the first audio does not wait for
// the rest. Pieces end after a sentence when one ends in the latter part of
// the window, else at white space, else between words, and always between
// two grapheme clusters: the engine would speak a combining mark on its own.
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

    // Where a text is cut near `wanted` where there is no white space to cut
    // at: after the last word that ends in (earliest, wanted], else between
    // the grapheme clusters nearest before `wanted`. Only the text from
    // `start` to as far again after `wanted` is looked at.
    static qsizetype cutBetweenWords(QStringView text, qsizetype start, qsizetype earliest,
                                     qsizetype wanted);

private:
    qsizetype cutPosition() const;

    QString m_text;
    qsizetype m_position = 0;
    qsizetype m_maximum;
};
