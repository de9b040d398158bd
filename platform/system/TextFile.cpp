#include "platform/system/TextFile.h"

#include "platform/system/FileName.h"
#include "platform/system/SystemError.h"
#include "platform/system/UniqueFd.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <cerrno>

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

TextFile::Result TextFile::read(const QString &path)
{
    const QByteArray native = FileName::encode(path);
    // O_NONBLOCK keeps the open itself from waiting on a FIFO without writer.
    const UniqueFd file{::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (!file)
        return {std::nullopt, systemError()};

    struct stat info = {};
    if (::fstat(file.get(), &info) != 0)
        return {std::nullopt, systemError()};
    if (S_ISDIR(info.st_mode))
        return {std::nullopt, QCoreApplication::translate("TextFile", "it is a folder")};
    if (!S_ISREG(info.st_mode))
        return {std::nullopt, QCoreApplication::translate("TextFile", "it is not a regular file")};
    if (info.st_size > maximumSize)
        return {std::nullopt, QCoreApplication::translate("TextFile", "it is larger than %1 MiB")
                                  .arg(maximumSize / (1024 * 1024))};

    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return {std::nullopt, systemError()};
        }
        if (count == 0)
            break;
        if (bytes.size() + count > maximumSize)
            return {std::nullopt,
                    QCoreApplication::translate("TextFile", "it is larger than %1 MiB")
                        .arg(maximumSize / (1024 * 1024))};
        bytes.append(buffer, qsizetype(count));
    }

    std::optional<QString> text = decodeUtf8(bytes);
    if (!text)
        return {std::nullopt,
                QCoreApplication::translate("TextFile", "it is not valid UTF-8 text")};
    return {std::move(text), QString()};
}
