#pragma once

#include <QByteArray>
#include <QString>

// Decodes a UTF-8 byte stream that arrives in arbitrary pieces: a character
// split between two pieces is held back and completed by the next one, and
// bytes that are not UTF-8 become U+FFFD instead of costing the piece.
class Utf8StreamDecoder
{
public:
    // atEnd flushes what was held back; an incomplete character then becomes
    // U+FFFD.
    QString decode(const QByteArray &bytes, bool atEnd = false);

private:
    QByteArray m_pending;
};
