#include "app/Preferences.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Where QSettings keeps an application's own files on this desktop.
QString configurationFolder()
{
    const QString name = QCoreApplication::applicationName();
    const QString organization = QCoreApplication::organizationName();
    QString folder = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (!folder.startsWith(u'/'))
        folder = QDir::homePath() + u"/.config"_s;
    return folder + u'/' + (organization.isEmpty() ? name : organization);
}

QString settingsPath()
{
    return configurationFolder() + u'/' + QCoreApplication::applicationName() + u".conf"_s;
}

// The choices of a run whose settings file cannot be used.
QVariantMap &unsaved()
{
    static QVariantMap choices;
    return choices;
}

} // namespace

QString Preferences::lexiconPath()
{
    return configurationFolder() + u"/lexicon.txt"_s;
}

std::unique_ptr<Preferences::Settings> Preferences::settings()
{
    auto settings = std::make_unique<Settings>();
    const QString path = settingsPath();
    QString error;
    // QSettings would open whatever is there, and block on a FIFO; and
    // replace it, a device too, with a new file when saving.
    const QString file = AtomicFile::resolvedTarget(path, error);
    if (!file.isEmpty()) {
        settings->m_file = std::make_unique<QSettings>(file, QSettings::IniFormat);
        return settings;
    }
    static bool reported = false;
    if (!std::exchange(reported, true))
        Log::write(u"Settings are not saved: %1: %2"_s.arg(path, error));
    return settings;
}

QVariant Preferences::Settings::value(QAnyStringView key, const QVariant &fallback) const
{
    return m_file ? m_file->value(key, fallback) : unsaved().value(key.toString(), fallback);
}

void Preferences::Settings::setValue(QAnyStringView key, const QVariant &value)
{
    if (m_file)
        m_file->setValue(key, value);
    else
        unsaved().insert(key.toString(), value);
}

void Preferences::Settings::clear()
{
    if (m_file)
        m_file->clear();
    else
        unsaved().clear();
}

QString Preferences::Settings::fileName() const
{
    return m_file ? m_file->fileName() : QString();
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
