#pragma once

#include <QAnyStringView>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// The person's choices that outlast a launch, in tavorin/tavorin.conf under
// the desktop's configuration folder (XDG_CONFIG_HOME, ~/.config by default).
namespace Preferences {

// The settings file, written as every file of the program is: in place of a
// regular file, through links. When its name leads to anything else (a
// device, a FIFO, a folder), nothing there is read or replaced and the
// choices last for this run only. Main thread only.
class Settings
{
public:
    QVariant value(QAnyStringView key, const QVariant &fallback = QVariant()) const;
    void setValue(QAnyStringView key, const QVariant &value);
    void clear();
    // The file the choices are saved in; empty when they are not saved.
    QString fileName() const;

private:
    friend std::unique_ptr<Settings> settings();
    std::unique_ptr<QSettings> m_file;
};

std::unique_ptr<Settings> settings();

// The person's own lexicon of pronunciations, lexicon.txt beside the
// settings file.
QString lexiconPath();

inline constexpr QStringView voiceKey = u"speech/voice";
inline constexpr QStringView rateKey = u"speech/rate";
inline constexpr QStringView pitchKey = u"speech/pitch";
inline constexpr QStringView intonationKey = u"speech/intonation";
inline constexpr QStringView volumeKey = u"speech/volume";
inline constexpr QStringView geometryKey = u"window/geometry";
inline constexpr QStringView openFolderKey = u"folders/open";
inline constexpr QStringView saveFolderKey = u"folders/save";

// The folder of the last file chosen in a panel; empty when none is
// remembered or that folder is gone.
QString folder(QStringView key);
void rememberFolderOf(QStringView key, const QString &path);

} // namespace Preferences
