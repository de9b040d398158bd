// Documents are read from any file a user drops on the window. Any bytes
// either load as exactly their strict UTF-8 reading or give no text with a
// reason; reading them from a file gives the same answer as decoding them.

#include "fuzz/FuzzInput.h"
#include "platform/TextFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QTemporaryDir> folder;

// The well-formed UTF-8 byte sequences of Unicode (no overlong forms, no
// surrogates, nothing past U+10FFFF), decoded here independently of Qt. A
// byte order mark at the very start marks the encoding and is not text.
std::optional<QString> strictUtf8(const QByteArray &bytes)
{
    QString text;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < size) {
        const unsigned lead = data[i];
        char32_t codePoint = 0;
        int continuation = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead < 0x80) {
            codePoint = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            codePoint = lead & 0x1F;
            continuation = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            codePoint = lead & 0x0F;
            continuation = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            codePoint = lead & 0x07;
            continuation = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return std::nullopt;
        }
        ++i;
        for (int k = 0; k < continuation; ++k, ++i) {
            if (i >= size)
                return std::nullopt;
            const unsigned next = data[i];
            if (next < (k == 0 ? low : 0x80) || next > (k == 0 ? high : 0xBF))
                return std::nullopt;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (QChar::requiresSurrogates(codePoint)) {
            text += QChar(QChar::highSurrogate(codePoint));
            text += QChar(QChar::lowSurrogate(codePoint));
        } else {
            text += QChar(char16_t(codePoint));
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    folder = std::make_unique<QTemporaryDir>();
    return folder->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const std::optional<QString> decoded = TextFile::decodeUtf8(bytes);
    const std::optional<QString> expected = strictUtf8(bytes);
    if (decoded.has_value() != expected.has_value())
        fuzzFailure(expected ? "well-formed UTF-8 is text" : "ill-formed UTF-8 is no text");
    if (decoded && *decoded != *expected)
        fuzzFailure("the text is the strict reading of the bytes");

    const QString path = folder->filePath(u"document.txt"_s);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            fuzzFailure("the document is written");
    }
    const TextFile::Result read = TextFile::read(path);
    if (read.text != decoded)
        fuzzFailure("reading the file gives the decoded text");
    if (!read.text && read.error.isEmpty())
        fuzzFailure("no text comes with a reason");
    if (read.text && !read.error.isEmpty())
        fuzzFailure("a text comes without a reason");
    return 0;
}
