#include "app/FileArgument.h"

#include "platform/system/FileName.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::StringLiterals;

bool FileArgument::isUrl(const QString &argument)
{
    static const QRegularExpression url(u"^([A-Za-z][A-Za-z0-9+.-]*://|file:)"_s,
                                        QRegularExpression::CaseInsensitiveOption);
    return url.match(argument).hasMatch();
}

FileArgument::Target FileArgument::resolve(const QString &argument)
{
    if (!isUrl(argument))
        return {argument, QString()};
    const QUrl url(argument);
    const bool local = url.isValid() && url.scheme().compare(u"file"_s, Qt::CaseInsensitive) == 0 &&
                       (url.host().isEmpty() || url.host() == u"localhost"_s);
    // The path's bytes as the URL encodes them: a name need not be UTF-8.
    const QByteArray path =
        local ? QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
              : QByteArray();
    if (!path.startsWith('/')) {
        return {QString(),
                QCoreApplication::translate(
                    "FileArgument", "Cannot open %1: only files on this computer can be opened")
                    .arg(argument)};
    }
    return {FileName::decode(path), QString()};
}
