// Documents are read from any file a user drops on the window. Any bytes
// either load as exactly their strict UTF-8 reading or give no text with a
// reason; reading them from a file, whole or in pieces, gives the same
// answer as decoding them.

#include "fuzz/FuzzInput.h"
#include "platform/system/TextFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QTemporaryDir> folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    folder = std::make_unique<QTemporaryDir>();
    return folder->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Strict means the text encodes back to exactly the bytes (a byte order
    // mark at the very start marks the encoding and is not text), and only
    // ill-formed bytes, which Qt's lenient reading replaces, are refused.
    const std::optional<QString> decoded = TextFile::decodeUtf8(bytes);
    const QByteArray mark = bytes.startsWith("\xEF\xBB\xBF") ? "\xEF\xBB\xBF" : "";
    if (decoded && mark + decoded->toUtf8() != bytes)
        fuzzFailure("the text is the strict reading of the bytes");
    if (!decoded && QString::fromUtf8(bytes).toUtf8() == bytes)
        fuzzFailure("well-formed UTF-8 is text");

    const QString path = folder->filePath(u"document.txt"_s);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            fuzzFailure("the document is written");
    }
    QString pieces;
    const QString error = TextFile::read(path, TextFile::maximumSize, [&pieces](QStringView piece) {
        pieces += piece;
        return true;
    });
    if (error.isEmpty() != decoded.has_value() || (decoded && pieces != *decoded))
        fuzzFailure("reading in pieces gives the decoded text, or fails as decoding does");
    return 0;
}
