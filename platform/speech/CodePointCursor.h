#pragma once

#include "platform/speech/CharacterRange.h"

#include <QStringView>

#include <optional>

// Turns the engine's word positions (1-based Unicode code points of one piece)
// into UTF-16 ranges of that piece. It walks forward from the last word, so a
// piece is scanned about once however many words it holds.
class CodePointCursor
{
public:
    explicit CodePointCursor(QStringView piece);

    // Nothing when the position lies outside the piece.
    std::optional<CharacterRange> map(qint64 codePointPosition, qint64 codePointLength);

private:
    qsizetype advance(qsizetype unit, qint64 codePoints) const;

    QStringView m_piece;
    qint64 m_codePoint = 0; // code point index of m_unit, 0-based
    qsizetype m_unit = 0;
};
