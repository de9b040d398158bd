#include "platform/system/FileName.h"

namespace {

// Byte b (0x80 to 0xFF) that is not valid UTF-8 decodes to EscapeBase + b.
constexpr char32_t EscapeBase = 0x10FF00;

bool isEscape(char32_t c)
{
    return c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF;
}

// Length of the valid UTF-8 sequence at `at`, or 0.
qsizetype validSequence(QByteArrayView bytes, qsizetype at, char32_t &decoded)
{
    const auto byte = [&](qsizetype i) { return uchar(bytes[i]); };
    const uchar lead = byte(at);
    qsizetype length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80)
        length = 1, c = lead;
    else if ((lead & 0xE0) == 0xC0)
        length = 2, c = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, c = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, c = lead & 0x07, minimum = 0x10000;
    else
        return 0;
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    decoded = c;
    return length;
}

} // namespace

QString FileName::decode(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t c = 0;
        const qsizetype length = validSequence(bytes, at, c);
        // A real escape code point in a name is escaped byte by byte, so that
        // encode() gives its bytes back too.
        if (length == 0 || isEscape(c)) {
            const qsizetype count = length == 0 ? 1 : length;
            for (qsizetype i = 0; i < count; ++i) {
                const char32_t escaped = EscapeBase + uchar(bytes[at + i]);
                name.append(QChar::highSurrogate(escaped));
                name.append(QChar::lowSurrogate(escaped));
            }
            at += count;
            continue;
        }
        if (QChar::requiresSurrogates(c)) {
            name.append(QChar::highSurrogate(c));
            name.append(QChar::lowSurrogate(c));
        } else {
            name.append(QChar(char16_t(c)));
        }
        at += length;
    }
    return name;
}

QByteArray FileName::encode(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    QStringView rest = name;
    while (!rest.isEmpty()) {
        // Runs without escapes go through Qt's encoder in one piece.
        qsizetype run = 0;
        while (run < rest.size()) {
            if (run + 1 < rest.size() && rest[run].isHighSurrogate() &&
                rest[run + 1].isLowSurrogate() &&
                isEscape(QChar::surrogateToUcs4(rest[run], rest[run + 1])))
                break;
            ++run;
        }
        bytes += rest.first(run).toUtf8();
        rest = rest.sliced(run);
        if (!rest.isEmpty()) {
            bytes += char(QChar::surrogateToUcs4(rest[0], rest[1]) - EscapeBase);
            rest = rest.sliced(2);
        }
    }
    return bytes;
}
