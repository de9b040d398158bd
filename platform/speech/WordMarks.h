#pragma once

#include "platform/speech/CharacterRange.h"

#include <QStringView>
#include <QTextBoundaryFinder>

#include <functional>
#include <optional>

// Turns the engine's raw word reports into the marks a reader sees, the same
// for playback and files. The engine reports fragments of one written token
// ("24.12.2023" as "24.", "4.1", "12.", ...), overlapping ranges, ranges that
// take in the space after a word or end inside a character sequence (an emoji
// joined by zero-width joiners, a flag, a letter with combining marks). Here
// every report is widened to the whole tokens it touches, trimmed of the
// punctuation around them, and joined with the report before when the two
// overlap: the marks of one speech never go backwards, never overlap and
// always hold whole grapheme clusters. A mark is passed on once the next
// report shows it is complete, so each report is held back by one word.
class WordMarks
{
public:
    // Receives each finished mark: the sample its first fragment begins at
    // and its range in the whole text. Returning false ends the speech.
    using Sink = std::function<bool(qint64 sample, CharacterRange range)>;

    explicit WordMarks(Sink sink);

    // The piece of the whole text that the following reports refer to.
    void beginPiece(QStringView piece, qsizetype start);
    // A raw report: a range in the current piece. False once the sink refused.
    bool add(qint64 sample, CharacterRange range);
    // Passes on the mark held back; call at the end of the speech.
    bool finish();

private:
    CharacterRange widened(CharacterRange range);

    Sink m_sink;
    QStringView m_piece;
    qsizetype m_pieceStart = 0;
    QTextBoundaryFinder m_words;
    QTextBoundaryFinder m_graphemes;
    std::optional<CharacterRange> m_held;
    qint64 m_heldSample = 0;
    // Where the last mark passed on ends, and the sample it begins at.
    quint64 m_passedEnd = 0;
    qint64 m_passedSample = 0;
};
