#pragma once

#include <QtGlobal>

// A run of text: location and length in UTF-16 code units, the unit that
// QString and QTextCursor positions count.
struct CharacterRange
{
    quint64 location = 0;
    quint64 length = 0;

    friend bool operator==(const CharacterRange &, const CharacterRange &) = default;
};
