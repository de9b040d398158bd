#pragma once

#include <QString>

#include <optional>

// Reading a whole text file as UTF-8, with the reason when it cannot be.
namespace TextFile {

struct Result
{
    std::optional<QString> text;
    QString error; // why there is no text
};

// Files larger than this are refused rather than loaded into an editor.
inline constexpr qint64 maximumSize = 256 * 1024 * 1024;

// Only regular files are read: a FIFO or a device could block or never end.
// Does blocking I/O: call it off the main thread.
Result read(const QString &path);

// Decodes bytes as strict UTF-8; no text when they are not valid UTF-8.
std::optional<QString> decodeUtf8(QByteArrayView bytes);

} // namespace TextFile
