#include "app/Preferences.h"

#include <QCoreApplication>
#include <QFileInfo>

std::unique_ptr<QSettings> Preferences::settings()
{
    const QString name = QCoreApplication::applicationName();
    const QString organization = QCoreApplication::organizationName();
    return std::make_unique<QSettings>(organization.isEmpty() ? name : organization, name);
}

QString Preferences::folder(QStringView key)
{
    const QString folder = settings()->value(key.toString()).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void Preferences::rememberFolderOf(QStringView key, const QString &path)
{
    if (!path.isEmpty())
        settings()->setValue(key.toString(), QFileInfo(path).absolutePath());
}
