#pragma once

#include <QString>

#include <functional>
#include <optional>

// Reading text files as UTF-8, with the reason when they cannot be.
namespace TextFile {

// Files larger than this are refused rather than loaded into an editor.
inline constexpr qint64 maximumSize = 256 * 1024 * 1024;

// Reads a regular file of at most `limit` bytes as UTF-8 and hands the text
// to `piece` as it is decoded, in order, so that a large file is never held
// twice; `piece` returns false to stop the read. Only regular files are
// read: a FIFO or a device could block or never end. Returns why the file
// could not be read, empty when it was (or `piece` stopped it); after an
// error, the pieces handed over so far are not the file's text. Does
// blocking I/O: call it off the main thread.
QString read(const QString &path, qint64 limit, const std::function<bool(QStringView)> &piece);

// Decodes bytes as strict UTF-8; no text when they are not valid UTF-8.
std::optional<QString> decodeUtf8(QByteArrayView bytes);

struct Bytes
{
    std::optional<QByteArray> bytes;
    QString error;   // why there are no bytes
    qint64 size = 0; // the whole file's
};

// The first `count` bytes (all when negative) of a regular file of at most
// `limit` bytes, for readers that decode the file themselves; refused for
// the same reasons as read(). A file that reports no size (those of /proc)
// is read whole, up to the limit, whatever `count`.
Bytes readBytes(const QString &path, qint64 limit, qint64 count = -1);

// Standard input to its end, at most `limit` bytes: a regular file behind
// it is refused before it is read, a pipe is read up to the limit and no
// further.
Bytes readStandardInput(qint64 limit);

// The reasons read() gives, for readers that come to the same verdict.
QString tooLarge(qint64 limit);
QString notText();

} // namespace TextFile
