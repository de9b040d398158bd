#include "platform/speech/TextPieces.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

bool isSentenceEnd(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'\n' || c == u'\u3002' || c == u'\uFF01' ||
           c == u'\uFF1F';
}

} // namespace

TextPieces::TextPieces(const QString &text, qsizetype maximum)
    : m_text(text)
    , m_maximum(std::max<qsizetype>(maximum, 2))
{}

bool TextPieces::next(Piece &piece)
{
    if (m_position >= m_text.size())
        return false;
    const qsizetype end = cutPosition();
    piece.start = m_position;
    piece.length = end - m_position;
    piece.utf8 = QStringView(m_text).mid(piece.start, piece.length).toUtf8();
    // A NUL would end the engine's input early; a space keeps the count of
    // code points, which word positions are measured in.
    piece.utf8.replace('\0', ' ');
    const QChar last = m_text.at(end - 1);
    piece.endsSentence = end == m_text.size() || isSentenceEnd(last) ||
                         (last.isSpace() && end >= 2 && isSentenceEnd(m_text.at(end - 2)));
    m_position = end;
    return true;
}

qsizetype TextPieces::cutPosition() const
{
    const qsizetype size = m_text.size();
    const qsizetype limit = m_position + m_maximum;
    if (limit >= size)
        return size;
    // Whether a space ends a grapheme cluster depends on what follows it (a
    // combining mark, the line feed of a CR LF).
    const QStringView window =
        QStringView(m_text).mid(m_position, std::min(size, limit + 2) - m_position);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, window.data(), window.size());
    const auto cutsAtSpace = [&](qsizetype i) {
        graphemes.setPosition(i - m_position);
        return m_text.at(i - 1).isSpace() && graphemes.isAtBoundary();
    };
    const qsizetype earliest = m_position + m_maximum / 2;
    qsizetype space = -1;
    for (qsizetype i = limit; i > earliest; --i) {
        if (!cutsAtSpace(i))
            continue;
        if (i >= 2 && isSentenceEnd(m_text.at(i - 2)))
            return i;
        if (m_text.at(i - 1) == u'\n')
            return i;
        if (space < 0)
            space = i;
    }
    if (space > 0)
        return space;
    for (qsizetype i = limit; i > m_position; --i) {
        if (cutsAtSpace(i))
            return i;
    }
    return cutBetweenWords(m_text, m_position, earliest, limit);
}

qsizetype TextPieces::cutBetweenWords(QStringView text, qsizetype start, qsizetype earliest,
                                      qsizetype wanted)
{
    const QStringView window = text.mid(start, std::min(text.size(), 2 * wanted - start) - start);
    const bool windowEndsText = start + window.size() == text.size();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, window.data(), window.size());
    const auto whole = [&](qsizetype at) {
        graphemes.setPosition(at);
        return graphemes.isAtBoundary();
    };
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, window.data(), window.size());
    words.setPosition(wanted - start);
    for (qsizetype at = words.isAtBoundary() ? wanted - start : words.toPreviousBoundary();
         at > earliest - start; at = words.toPreviousBoundary()) {
        if (whole(at))
            return start + at;
    }
    graphemes.setPosition(wanted - start);
    if (const qsizetype before =
            graphemes.isAtBoundary() ? wanted - start : graphemes.toPreviousBoundary();
        before > 0)
        return start + before;
    // One grapheme cluster longer than the whole window: cut after it, or,
    // past all reason, inside it but between code points.
    graphemes.setPosition(wanted - start);
    if (const qsizetype after = graphemes.toNextBoundary();
        after > 0 && (after < window.size() || windowEndsText))
        return start + after;
    if (wanted < text.size() && text.at(wanted - 1).isHighSurrogate() &&
        text.at(wanted).isLowSurrogate())
        return wanted + 1;
    return wanted;
}
