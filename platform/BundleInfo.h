#pragma once

#include <QString>

// Values fixed at build time; see BundleInfo.cpp.in.
namespace BundleInfo {

extern const QString name;
extern const QString shortVersion;
extern const QString buildVersion;
extern const QString copyright;
extern const QString website;
// Resource folder relative to the program's folder once installed.
extern const QString installedResourceDir;
extern const QString sourceResourceDir;

} // namespace BundleInfo
