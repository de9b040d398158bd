#include "platform/speech/WordMarks.h"

#include <algorithm>

namespace {

// Whether the character at `at` links the letters or digits around it into
// one written token: "973-1057", "well-known", "1/2", and a time "3:45".
bool joins(QStringView text, qsizetype at)
{
    if (at < 1 || at + 1 >= text.size())
        return false;
    const QChar c = text[at];
    const QChar before = text[at - 1];
    const QChar after = text[at + 1];
    if (c == u':')
        return before.isDigit() && after.isDigit();
    return (c == u'-' || c == u'\u2010' || c == u'\u2011' || c == u'\u2013' || c == u'/') &&
           before.isLetterOrNumber() && after.isLetterOrNumber();
}

// What separates tokens and what a mark leaves out at its edges.
bool isEdge(QChar c)
{
    const QChar::Category category = c.category();
    return c.isSpace() || c.isPunct() || category == QChar::Other_Control ||
           category == QChar::Other_Format;
}

char32_t codePointAt(QStringView text, qsizetype at)
{
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(text[at], text[at + 1]);
    return text[at].unicode();
}

// Scripts the word finder cuts into single characters.
bool isCutPerCharacter(char32_t c)
{
    const QChar::Script script = QChar::script(c);
    return script == QChar::Script_Han || script == QChar::Script_Hiragana ||
           script == QChar::Script_Katakana || c == U'\u30FC';
}

// Scripts written without spaces, which the word finder cuts by character or
// by dictionary: what it cuts apart stays apart.
bool isUnspaced(char32_t c)
{
    const QChar::Script script = QChar::script(c);
    return isCutPerCharacter(c) || script == QChar::Script_Thai || script == QChar::Script_Lao ||
           script == QChar::Script_Khmer || script == QChar::Script_Myanmar;
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

void WordMarks::beginPiece(QStringView piece, qsizetype start, qint64 sample)
{
    m_piece = piece;
    m_pieceStart = start;
    m_pieceSample = sample;
    m_words = QTextBoundaryFinder(QTextBoundaryFinder::Word, piece.data(), piece.size());
    m_graphemes = QTextBoundaryFinder(QTextBoundaryFinder::Grapheme, piece.data(), piece.size());
    m_held.reset();
    m_unmarked = 0;
}

// The word finder's segments, cut again where white space begins or ends:
// next to Thai it gives segments such as "2😀 »" that run over spaces.
qsizetype WordMarks::segmentStart(qsizetype position)
{
    const qsizetype start = boundaryAtOrBefore(m_words, position);
    const bool space = m_piece[position].isSpace();
    for (qsizetype i = position; i > start; --i) {
        if (m_piece[i - 1].isSpace() != space)
            return i;
    }
    return start;
}

qsizetype WordMarks::segmentEnd(qsizetype start)
{
    m_words.setPosition(start);
    qsizetype end = m_words.toNextBoundary();
    end = end < 0 ? m_piece.size() : end;
    const bool space = m_piece[start].isSpace();
    for (qsizetype i = start + 1; i < end; ++i) {
        if (m_piece[i].isSpace() != space)
            return i;
    }
    return end;
}

// The first token that ends after `from` and begins before `limit`, or an
// empty span at `limit`. A token is a run of the word finder's segments
// that hold more than punctuation: joined by the joiners above, and where
// nothing separates them ("C++", "$5"), except in scripts written without
// spaces; runs of Han and kana are joined up to `limit` only.
WordMarks::Span WordMarks::tokenAt(qsizetype from, qsizetype limit)
{
    const qsizetype size = m_piece.size();
    const auto wordlike = [this](qsizetype start, qsizetype end) {
        return std::any_of(m_piece.begin() + start, m_piece.begin() + end,
                           [](QChar c) { return !isEdge(c); });
    };
    if (from >= size)
        return {limit, limit};
    qsizetype end = segmentStart(joins(m_piece, from) ? from - 1 : from);
    for (;;) {
        qsizetype start = end;
        for (;; start = end) {
            if (start >= std::min(limit, size))
                return {limit, limit};
            end = segmentEnd(start);
            if (wordlike(start, end))
                break;
        }
        qsizetype last = start; // where the token's last segment begins
        while (start > 0) {
            if (joins(m_piece, start - 1)) {
                start = segmentStart(start - 2);
                continue;
            }
            const qsizetype before = segmentStart(start - 1);
            if (!wordlike(before, start) || isUnspaced(codePointAt(m_piece, before)) ||
                isUnspaced(codePointAt(m_piece, start)))
                break;
            start = before;
        }
        while (end < size) {
            if (joins(m_piece, end)) {
                last = end + 1;
                end = segmentEnd(last);
                continue;
            }
            const qsizetype next = segmentEnd(end);
            const char32_t left = codePointAt(m_piece, last);
            const char32_t right = codePointAt(m_piece, end);
            const bool joined = isCutPerCharacter(left) && isCutPerCharacter(right)
                                    ? next <= limit
                                    : !isUnspaced(left) && !isUnspaced(right);
            if (!joined || !wordlike(end, next))
                break;
            last = end;
            end = next;
        }
        qsizetype tokenEnd = end;
        while (start < tokenEnd && isEdge(m_piece[start]))
            ++start;
        while (tokenEnd > start && isEdge(m_piece[tokenEnd - 1]))
            --tokenEnd;
        // A joiner that ends a segment ("1/" next to Thai) is no way back.
        if (tokenEnd > from)
            return {boundaryAtOrBefore(m_graphemes, start),
                    boundaryAtOrAfter(m_graphemes, tokenEnd, size)};
    }
}

WordMarks::Span WordMarks::widened(CharacterRange range)
{
    const qsizetype size = m_piece.size();
    qsizetype start = std::min(qsizetype(range.location), size);
    qsizetype end = std::min(qsizetype(range.location + range.length), size);
    if (range.length == 0) {
        // The engine reached the token that begins here.
        while (start < size && isEdge(m_piece[start]))
            ++start;
        end = std::min(start + 1, size);
    }
    while (start < end && m_piece[start].isSpace())
        ++start;
    while (end > start && m_piece[end - 1].isSpace())
        --end;
    if (start == end)
        return {start, start};

    Span span = tokenAt(start, end);
    if (span.start == span.end) {
        // Nothing but punctuation, read aloud: the report's own characters.
        return {boundaryAtOrBefore(m_graphemes, start), boundaryAtOrAfter(m_graphemes, end, size),
                false};
    }
    for (Span next = tokenAt(span.end, end); next.end > span.end && next.start < end;
         next = tokenAt(next.end, end))
        span.end = next.end;
    return span;
}

bool WordMarks::add(qint64 sample, CharacterRange range)
{
    Span mark = widened(range);
    if (mark.start == mark.end || mark.end <= m_unmarked)
        return true;
    mark.start = std::max(mark.start, m_unmarked);
    sample = std::max(sample, m_passedSample);
    if (!m_held) {
        // Tokens before the piece's first report were spoken with it.
        if (tokenAt(m_unmarked, mark.start).start < mark.start) {
            if (mark.token) {
                mark.start = m_unmarked;
                sample = std::max(m_pieceSample, m_passedSample);
            } else if (!pass(mark.start, sample)) {
                return false;
            }
        }
        m_held = mark;
        m_heldSample = sample;
        return true;
    }
    // A report of a later token ends the held one, even where the held
    // report took it in; a fragment of the held tokens, punctuation among
    // them or a report that went back only widens it.
    if (mark.start > m_held->start && (mark.token || mark.start >= m_held->end)) {
        const qsizetype heldEnd = m_held->end;
        if (!pass(mark.start, sample))
            return false;
        mark.end = std::max(mark.end, heldEnd);
        m_held = mark;
        m_heldSample = sample;
        return true;
    }
    m_held->start = std::min(m_held->start, mark.start);
    m_held->end = std::max(m_held->end, mark.end);
    m_held->token = m_held->token || mark.token;
    return true;
}

CharacterRange WordMarks::tokenAfter(qsizetype from)
{
    const Span span = tokenAt(from, m_piece.size());
    return {quint64(span.start), quint64(span.end - span.start)};
}

bool WordMarks::hasUnspacedScript(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Every such script lies outside Latin-1.
        if (text[i].unicode() >= 0x100 && isUnspaced(codePointAt(text, i)))
            return true;
    }
    return false;
}

bool WordMarks::endPiece(qint64 sample)
{
    return pass(m_piece.size(), sample);
}

// Passes on the marks from the held report (or the piece's text not yet
// marked) to `until`, sharing the time up to `untilSample` among them by
// their share of the characters.
bool WordMarks::pass(qsizetype until, qint64 untilSample)
{
    const qint64 from = std::max(m_held ? m_heldSample : m_pieceSample, m_passedSample);
    untilSample = std::max(untilSample, from);
    qsizetype at = m_unmarked;
    m_tokens.clear();
    if (m_held) {
        at = m_held->start;
        if (!m_held->token) {
            m_tokens.push_back({at, std::min(m_held->end, until), 0});
            at = m_tokens.back().end;
        }
        m_held.reset();
    }
    for (Span token = tokenAt(at, until); token.start < until && token.end > at;
         token = tokenAt(at, until)) {
        // The rest of a token cut otherwise before (the word finder's
        // segments next to Thai depend on where one starts), without the
        // punctuation it begins with.
        qsizetype start = std::max(token.start, at);
        while (start < token.end && isEdge(m_piece[start]))
            ++start;
        start = boundaryAtOrAfter(m_graphemes, start, token.end);
        at = std::min(token.end, until);
        if (start < at)
            m_tokens.push_back({start, at, 0});
    }
    qsizetype total = 0;
    for (Token &token : m_tokens) {
        m_graphemes.setPosition(token.start);
        for (qsizetype p = token.start; p >= 0 && p < token.end; p = m_graphemes.toNextBoundary())
            ++token.characters;
        total += token.characters;
    }
    qsizetype before = 0;
    for (const Token &token : m_tokens) {
        const qint64 sample = from + (untilSample - from) * before / std::max<qsizetype>(total, 1);
        before += token.characters;
        m_unmarked = token.end;
        m_passedSample = sample;
        if (!m_sink(sample,
                    {quint64(m_pieceStart + token.start), quint64(token.end - token.start)}))
            return false;
    }
    return true;
}
