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
// The source tree's resources, for a program inside the build tree only.
extern const QString sourceResourceDir;
extern const QString buildTree;

} // namespace BundleInfo
