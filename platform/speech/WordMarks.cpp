#include "platform/speech/WordMarks.h"

#include <algorithm>

namespace {

// Characters that link two runs of letters or digits into one written
// token: "973-1057", "well-known", "1/2".
bool isJoiner(QChar c)
{
    return c == u'-' || c == u'\u2010' || c == u'\u2011' || c == u'\u2013' || c == u'/';
}

// What a mark leaves out at its edges, unless it holds nothing else.
bool isEdge(QChar c)
{
    return c.isSpace() || c.isPunct() || c.category() == QChar::Other_Control;
}

qsizetype boundaryAtOrBefore(QTextBoundaryFinder &finder, qsizetype position)
{
    finder.setPosition(position);
    if (finder.isAtBoundary())
        return position;
    const qsizetype before = finder.toPreviousBoundary();
    return before < 0 ? 0 : before;
}

qsizetype boundaryAtOrAfter(QTextBoundaryFinder &finder, qsizetype position, qsizetype end)
{
    finder.setPosition(position);
    if (finder.isAtBoundary())
        return position;
    const qsizetype after = finder.toNextBoundary();
    return after < 0 ? end : after;
}

} // namespace

WordMarks::WordMarks(Sink sink)
    : m_sink(std::move(sink))
{}

void WordMarks::beginPiece(QStringView piece, qsizetype start)
{
    m_piece = piece;
    m_pieceStart = start;
    m_words = QTextBoundaryFinder(QTextBoundaryFinder::Word, piece.data(), piece.size());
    m_graphemes = QTextBoundaryFinder(QTextBoundaryFinder::Grapheme, piece.data(), piece.size());
}

CharacterRange WordMarks::widened(CharacterRange range)
{
    const qsizetype size = m_piece.size();
    qsizetype start = std::min(qsizetype(range.location), size);
    qsizetype end = std::min(qsizetype(range.location + range.length), size);
    while (start < end && m_piece[start].isSpace())
        ++start;
    while (end > start && m_piece[end - 1].isSpace())
        --end;
    if (start == end)
        return {};

    qsizetype tokenStart = boundaryAtOrBefore(m_words, start);
    qsizetype tokenEnd = boundaryAtOrAfter(m_words, end, size);
    while (tokenEnd > 0 && tokenEnd + 1 < size && isJoiner(m_piece[tokenEnd]) &&
           m_piece[tokenEnd - 1].isLetterOrNumber() && m_piece[tokenEnd + 1].isLetterOrNumber()) {
        m_words.setPosition(tokenEnd + 1);
        const qsizetype next = m_words.toNextBoundary();
        tokenEnd = next < 0 ? size : next;
    }
    while (tokenStart >= 2 && tokenStart < size && isJoiner(m_piece[tokenStart - 1]) &&
           m_piece[tokenStart - 2].isLetterOrNumber() && m_piece[tokenStart].isLetterOrNumber()) {
        m_words.setPosition(tokenStart - 1);
        tokenStart = std::max<qsizetype>(m_words.toPreviousBoundary(), 0);
    }

    qsizetype markStart = tokenStart;
    qsizetype markEnd = tokenEnd;
    while (markStart < markEnd && isEdge(m_piece[markStart]))
        ++markStart;
    while (markEnd > markStart && isEdge(m_piece[markEnd - 1]))
        --markEnd;
    if (markStart == markEnd) {
        // Nothing but punctuation, read aloud: the report's own characters.
        markStart = start;
        markEnd = end;
    }
    markStart = boundaryAtOrBefore(m_graphemes, markStart);
    markEnd = boundaryAtOrAfter(m_graphemes, markEnd, size);
    return {quint64(m_pieceStart + markStart), quint64(markEnd - markStart)};
}

bool WordMarks::add(qint64 sample, CharacterRange range)
{
    CharacterRange mark = widened(range);
    if (mark.length == 0)
        return true;
    const quint64 end = mark.location + mark.length;
    if (m_held) {
        const quint64 heldEnd = m_held->location + m_held->length;
        // Another fragment of the held token, or a report that went back.
        if (mark.location < heldEnd) {
            m_held->length = std::max(heldEnd, end) - m_held->location;
            return true;
        }
        if (!finish())
            return false;
    }
    if (mark.location < m_passedEnd) {
        if (end <= m_passedEnd)
            return true;
        mark = {m_passedEnd, end - m_passedEnd};
    }
    m_held = mark;
    m_heldSample = std::max(sample, m_passedSample);
    return true;
}

bool WordMarks::finish()
{
    if (!m_held)
        return true;
    const CharacterRange mark = *m_held;
    m_held.reset();
    m_passedEnd = mark.location + mark.length;
    m_passedSample = m_heldSample;
    return m_sink(m_heldSample, mark);
}
