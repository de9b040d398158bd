#include "terminal/Utf8StreamDecoder.h"

namespace {

// How many bytes a sequence started by this lead byte has, or 0 when it
// cannot start one.
int sequenceLength(uchar lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace

QString Utf8StreamDecoder::decode(const QByteArray &bytes, bool atEnd)
{
    QByteArray data = m_pending + bytes;
    m_pending.clear();
    if (!atEnd) {
        const qsizetype size = data.size();
        for (qsizetype i = size - 1; i >= 0 && i >= size - 3; --i) {
            const auto byte = uchar(data.at(i));
            if ((byte & 0xC0) == 0x80)
                continue;
            const int length = sequenceLength(byte);
            if (length > 0 && i + length > size) {
                m_pending = data.mid(i);
                data.truncate(i);
            }
            break;
        }
    }
    return QString::fromUtf8(data);
}
