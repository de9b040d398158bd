#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Takes a fuzz input apart into the small decisions and pieces of text that a
// target builds its call from. Past the end every read yields zero or empty,
// so that any input, however short, makes a complete case.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    {}

    uint8_t byte() { return m_position < m_size ? m_data[m_position++] : 0; }

    // A number in [0, bound); 0 when bound is 0.
    unsigned number(unsigned bound) { return bound == 0 ? 0 : byte() % bound; }

    bool flag() { return byte() & 1; }

    // Up to maximum bytes, the count taken from the input first.
    QByteArray bytes(size_t maximum) { return take(number(unsigned(maximum) + 1)); }
    QByteArray rest() { return take(m_size - m_position); }

    // Text from bytes read as UTF-8 (bad sequences become U+FFFD) or, when
    // utf16 is true, as raw UTF-16 code units, unpaired surrogates included.
    QString text(size_t maximumBytes, bool utf16 = false)
    {
        const QByteArray raw = bytes(maximumBytes);
        if (!utf16)
            return QString::fromUtf8(raw);
        return QString(reinterpret_cast<const QChar *>(raw.constData()), raw.size() / 2);
    }

private:
    QByteArray take(size_t count)
    {
        count = std::min(count, m_size - m_position);
        QByteArray result(reinterpret_cast<const char *>(m_data + m_position), qsizetype(count));
        m_position += count;
        return result;
    }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_position = 0;
};

// Stops the run, so that libFuzzer keeps the input that broke an invariant.
[[noreturn]] void fuzzFailure(const char *what, const QString &detail = QString());

struct TextOutline;
// A document's outline holds whatever the file claims: chapters inside the
// text of `length` characters, in order, at most 10,000 of them, titles of
// at most 500 characters.
void checkOutline(const TextOutline &outline, qsizetype length);
