#include "platform/system/TextFile.h"

#include "platform/system/FileName.h"
#include "platform/system/SystemError.h"
#include "platform/system/UniqueFd.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

std::optional<QString> TextFile::decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString TextFile::tooLarge(qint64 limit)
{
    return QCoreApplication::translate("TextFile", "it is larger than %1 MiB")
        .arg(limit / (1024 * 1024));
}

QString TextFile::notText()
{
    return QCoreApplication::translate("TextFile", "it is not valid UTF-8 text");
}

namespace {

// Opens a regular file of at most the maximum size for reading; the error
// when it is not one.
QString openRegularFile(const QString &path, qint64 limit, UniqueFd &file, qint64 &size)
{
    const QByteArray native = FileName::encode(path);
    // O_NONBLOCK keeps the open itself from waiting on a FIFO without writer.
    file.reset(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file)
        return systemError();
    struct stat info = {};
    if (::fstat(file.get(), &info) != 0)
        return systemError();
    if (S_ISDIR(info.st_mode))
        return QCoreApplication::translate("TextFile", "it is a folder");
    if (!S_ISREG(info.st_mode))
        return QCoreApplication::translate("TextFile", "it is not a regular file");
    if (info.st_size > limit)
        return TextFile::tooLarge(limit);
    size = info.st_size;
    return QString();
}

// Reads up to `size` bytes, all unless the end comes first; -1 on an error.
qsizetype readSome(int fd, char *buffer, qsizetype size)
{
    qsizetype got = 0;
    while (got < size) {
        const ssize_t count = ::read(fd, buffer + got, size_t(size - got));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        got += count;
    }
    return got;
}

// How many bytes at the end of `bytes` begin a UTF-8 sequence that the
// bytes do not complete.
qsizetype incompleteTail(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = uchar(bytes.at(bytes.size() - back));
        if ((byte & 0xc0) == 0x80)
            continue; // a continuation byte: look further back
        const qsizetype length = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// The rest of `fd`, at most `limit` bytes, for a file that does not say its
// size in advance.
TextFile::Bytes readToEnd(int fd, qint64 limit)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const qsizetype count = readSome(fd, buffer, sizeof buffer);
        if (count < 0)
            return {std::nullopt, systemError()};
        if (bytes.size() + count > limit)
            return {std::nullopt, TextFile::tooLarge(limit)};
        bytes.append(buffer, count);
        if (count < qsizetype(sizeof buffer))
            break;
    }
    const qint64 size = bytes.size();
    return {std::move(bytes), QString(), size};
}

} // namespace

QString TextFile::read(const QString &path, qint64 limit,
                       const std::function<bool(QStringView)> &piece)
{
    limit = std::min(limit, maximumSize);
    UniqueFd file;
    qint64 size = 0;
    if (QString error = openRegularFile(path, limit, file, size); !error.isEmpty())
        return error;

    // One decoder for the whole file, so that a byte order mark is only
    // dropped at its start; each chunk it sees ends on a whole character.
    QStringDecoder decoder(QStringDecoder::Utf8);
    constexpr qsizetype chunkSize = 1024 * 1024;
    QByteArray chunk(chunkSize + 3, Qt::Uninitialized);
    qsizetype carried = 0;
    qint64 total = 0;
    for (;;) {
        const qsizetype count = readSome(file.get(), chunk.data() + carried, chunkSize);
        if (count < 0)
            return systemError();
        total += count;
        if (total > limit)
            return tooLarge(limit);
        const QByteArrayView bytes(chunk.constData(), carried + count);
        if (count == 0) {
            if (carried > 0)
                return notText();
            return QString();
        }
        const qsizetype tail = incompleteTail(bytes);
        const QString text = decoder.decode(bytes.first(bytes.size() - tail));
        if (decoder.hasError())
            return notText();
        std::memmove(chunk.data(), bytes.data() + bytes.size() - tail, size_t(tail));
        carried = tail;
        if (!text.isEmpty() && !piece(text))
            return QString();
    }
}

TextFile::Bytes TextFile::readBytes(const QString &path, qint64 limit, qint64 count)
{
    limit = std::min(limit, maximumSize);
    UniqueFd file;
    qint64 size = 0;
    if (QString error = openRegularFile(path, limit, file, size); !error.isEmpty())
        return {std::nullopt, error};
    // The kernel's files (/proc) report no size: they are read whole, as
    // far as the limit.
    if (size == 0)
        return readToEnd(file.get(), limit);
    const qint64 wanted = count < 0 ? size : std::min(count, size);
    QByteArray bytes(qsizetype(wanted), Qt::Uninitialized);
    const qsizetype got = readSome(file.get(), bytes.data(), bytes.size());
    if (got < 0)
        return {std::nullopt, systemError()};
    bytes.truncate(got);
    return {std::move(bytes), QString(), size};
}

TextFile::Bytes TextFile::readStandardInput(qint64 limit)
{
    struct stat info = {};
    if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > limit)
        return {std::nullopt, tooLarge(limit)};
    return readToEnd(STDIN_FILENO, limit);
}
