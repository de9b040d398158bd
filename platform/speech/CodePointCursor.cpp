#include "platform/speech/CodePointCursor.h"

CodePointCursor::CodePointCursor(QStringView piece)
    : m_piece(piece)
{}

std::optional<CharacterRange> CodePointCursor::map(qint64 codePointPosition, qint64 codePointLength)
{
    const qint64 start = codePointPosition - 1;
    if (start < 0 || codePointLength < 0)
        return std::nullopt;
    if (start < m_codePoint) {
        // Rare: the engine went back. Start over rather than guess.
        m_codePoint = 0;
        m_unit = 0;
    }
    m_unit = advance(m_unit, start - m_codePoint);
    m_codePoint = start;
    if (m_unit >= m_piece.size())
        return std::nullopt;
    const qsizetype end = advance(m_unit, codePointLength);
    return CharacterRange{quint64(m_unit), quint64(end - m_unit)};
}

qsizetype CodePointCursor::advance(qsizetype unit, qint64 codePoints) const
{
    const qsizetype size = m_piece.size();
    while (codePoints > 0 && unit < size) {
        // A lone surrogate became one replacement character: one code point.
        if (m_piece[unit].isHighSurrogate() && unit + 1 < size &&
            m_piece[unit + 1].isLowSurrogate())
            unit += 2;
        else
            ++unit;
        --codePoints;
    }
    return unit;
}
