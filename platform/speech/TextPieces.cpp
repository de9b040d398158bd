#include "platform/speech/TextPieces.h"

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
    const qsizetype limit = m_position + m_maximum;
    if (limit >= m_text.size())
        return m_text.size();
    const qsizetype earliest = m_position + m_maximum / 2;
    qsizetype space = -1;
    for (qsizetype i = limit; i > earliest; --i) {
        if (!m_text.at(i - 1).isSpace())
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
        if (m_text.at(i - 1).isSpace())
            return i;
    }
    // No white space at all (for example Chinese text): cut anywhere, but keep
    // surrogate pairs whole.
    if (m_text.at(limit - 1).isHighSurrogate() && m_text.at(limit).isLowSurrogate())
        return limit - 1;
    return limit;
}
