#include "platform/Bundle.h"

#include "platform/BundleInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QVariantMap Bundle::infoDictionary()
{
    return {
        {u"CFBundleName"_s, BundleInfo::name},
        {u"CFBundleShortVersionString"_s, BundleInfo::shortVersion},
        {u"CFBundleVersion"_s, BundleInfo::buildVersion},
        {u"NSHumanReadableCopyright"_s, BundleInfo::copyright},
    };
}

QVariant Bundle::objectForInfoDictionaryKey(const QString &key)
{
    return infoDictionary().value(key);
}

QStringList Bundle::resourceDirectories()
{
    QStringList dirs;
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty())
        dirs << QDir::cleanPath(appDir + u'/' + BundleInfo::installedResourceDir);
    dirs << BundleInfo::sourceResourceDir;
    return dirs;
}

QString Bundle::pathForResource(const QString &name)
{
    if (name.isEmpty())
        return {};
    for (const QString &dir : resourceDirectories()) {
        const QFileInfo info(QDir(dir), name);
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}

QString Bundle::localizedString(const char *key)
{
    return QCoreApplication::translate("Bundle", key);
}

QString Bundle::websiteUrl()
{
    return BundleInfo::website;
}
