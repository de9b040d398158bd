#include "platform/system/Bundle.h"

#include "platform/system/BundleInfo.h"

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

namespace {

bool isInside(const QString &folder, const QString &tree)
{
    const QString path = QDir(folder).canonicalPath();
    const QString root = QDir(tree).canonicalPath();
    if (path.isEmpty() || root.isEmpty())
        return false;
    return path == root || path.startsWith(root + u'/');
}

} // namespace

QStringList Bundle::resourceDirectoriesFor(const QString &programFolder)
{
    QStringList dirs;
    if (programFolder.isEmpty())
        return dirs;
    dirs << QDir::cleanPath(programFolder + u'/' + BundleInfo::installedResourceDir);
    if (isInside(programFolder, BundleInfo::buildTree))
        dirs << BundleInfo::sourceResourceDir;
    return dirs;
}

QStringList Bundle::resourceDirectories()
{
    return resourceDirectoriesFor(QCoreApplication::applicationDirPath());
}

QString Bundle::pathForResource(const QString &name)
{
    return pathForResource(name, resourceDirectories());
}

QString Bundle::pathForResource(const QString &name, const QStringList &directories)
{
    if (name.isEmpty())
        return {};
    for (const QString &dir : directories) {
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
