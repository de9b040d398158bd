#pragma once

#include "platform/speech/CharacterRange.h"

#include <QStringView>
#include <QTextBoundaryFinder>

#include <functional>
#include <optional>
#include <vector>

// Turns the engine's raw word reports into the marks a reader sees, the same
// for playback and files: one mark for every written token, in order, never
// overlapping, always whole grapheme clusters.
//
// The engine's reports do not match the written tokens. It reports fragments
// of one token ("24.12.2023" as "24.", "4.1", "12.", ...), ranges that take in
// the space after a word or end inside a character sequence, a report of
// length 0 where it only says that it reached a token ("quote" before a
// closing quotation mark), one report for a short word and its neighbour
// ("From the" as "From"), and none at all for some tokens. So every report is
// widened to the whole tokens it touches, and the time from one report to
// the next (or to the end of the piece's sound) is shared among the tokens in
// between by their share of the characters. Han and kana are cut into single
// characters by the word finder, so runs of them keep the engine's grouping.
// A report is held until the next one shows where its tokens end.
class WordMarks
{
public:
    // Receives each finished mark: the sample it begins at and its range in
    // the whole text. Returning false ends the speech.
    using Sink = std::function<bool(qint64 sample, CharacterRange range)>;

    explicit WordMarks(Sink sink);

    // The piece of the whole text that the following reports refer to, and
    // the sample its sound begins at.
    void beginPiece(QStringView piece, qsizetype start, qint64 sample);
    // A raw report: a range in the current piece, of length 0 for a report
    // that only gives a position. False once the sink refused.
    bool add(qint64 sample, CharacterRange range);
    // The piece's sound ends at `sample`: passes on the marks of the tokens
    // from the last report to the piece's end.
    bool endPiece(qint64 sample);

    // The first token of the piece that ends after `from`, cut as the marks
    // cut it; empty at the piece's end. Whatever finds words in a text as a
    // reader sees them uses this, so that the marks fall on the same words.
    CharacterRange tokenAfter(qsizetype from);
    // Whether some of the text is in a script written without spaces, whose
    // words only the whole of their run tells apart.
    static bool hasUnspacedScript(QStringView text);

private:
    // A range of the piece; `token` is false for punctuation the engine read
    // aloud on its own.
    struct Span
    {
        qsizetype start = 0;
        qsizetype end = 0;
        bool token = true;
    };

    struct Token
    {
        qsizetype start = 0;
        qsizetype end = 0;
        qsizetype characters = 0;
    };

    Span widened(CharacterRange range);
    Span tokenAt(qsizetype from, qsizetype limit);
    qsizetype segmentStart(qsizetype position);
    qsizetype segmentEnd(qsizetype start);
    bool pass(qsizetype until, qint64 untilSample);

    Sink m_sink;
    QStringView m_piece;
    qsizetype m_pieceStart = 0;
    qint64 m_pieceSample = 0;
    QTextBoundaryFinder m_words;
    QTextBoundaryFinder m_graphemes;
    // The report whose tokens are not yet passed on, and its sample.
    std::optional<Span> m_held;
    qint64 m_heldSample = 0;
    // Where the piece's text not yet marked begins, and the last sample passed on.
    qsizetype m_unmarked = 0;
    qint64 m_passedSample = 0;
    std::vector<Token> m_tokens; // reused by pass()
};
