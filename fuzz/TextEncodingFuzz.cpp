// Any file a person opens reaches the encoding detection first. Whatever
// the bytes, the kind comes from their marks before the name, and the text
// is either none or a faithful, NUL-free reading of them.

#include "fuzz/FuzzInput.h"
#include "platform/documents/DocumentReader.h"
#include "platform/documents/TextEncoding.h"
#include "platform/system/TextFile.h"

#include <optional>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    for (const QString &name : {u"notes.txt"_s, u"book.md"_s, u"page.html"_s, QString()}) {
        const Documents::Kind kind = Documents::detect(bytes, name);
        if (bytes.startsWith("%PDF-") && kind != Documents::Kind::Pdf)
            fuzzFailure("a PDF is a PDF whatever its name");
        if (bytes.startsWith("PK\x03\x04") && kind != Documents::Kind::Zip)
            fuzzFailure("a zip file is a zip file whatever its name");
    }

    const std::optional<QString> text = Documents::decodeText(bytes);
    if (text && text->contains(QChar(0)))
        fuzzFailure("no text holds NUL characters");
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!utf16 && !bytes.contains('\0')) {
        const std::optional<QString> utf8 = TextFile::decodeUtf8(bytes);
        if (utf8 && text != utf8)
            fuzzFailure("valid UTF-8 is read as UTF-8", text.value_or(u"(none)"_s));
    }
    if (text && utf16) {
        // Everything after the byte order mark, a U+FEFF included.
        const bool little = bytes.startsWith("\xFF\xFE");
        bool same = text->size() * 2 == bytes.size() - 2;
        for (qsizetype i = 0; same && i < text->size(); ++i) {
            const auto first = uchar(bytes.at(2 + 2 * i));
            const auto second = uchar(bytes.at(3 + 2 * i));
            same = text->at(i).unicode() ==
                   (little ? (first | (second << 8)) : ((first << 8) | second));
        }
        if (!same)
            fuzzFailure("UTF-16 is read unit for unit");
    }
    return 0;
}
