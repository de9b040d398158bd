#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// The person's choices that outlast a launch, in tavorin/tavorin.conf under
// the desktop's configuration folder (XDG_CONFIG_HOME, ~/.config by default).
namespace Preferences {

std::unique_ptr<QSettings> settings();

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
