#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

// The application's own description and files: the information keys made at
// build time ("CFBundleName", "CFBundleShortVersionString", "CFBundleVersion",
// "NSHumanReadableCopyright"), resource files found beside the installed
// program (share/tavorin) or, for a program still in its build tree, in the
// source tree it was built from, and translated strings.
namespace Bundle {

QVariantMap infoDictionary();
QVariant objectForInfoDictionaryKey(const QString &key);

// The full path of a resource file, or an empty string when none is found.
QString pathForResource(const QString &name);

// Where resource files are looked for, first match wins: share/tavorin
// beside the program's folder, then, only when that folder lies inside the
// build tree, the source tree's resources. An installed program never looks
// into the source tree of the machine that built it.
QStringList resourceDirectories();

// The same for a program in `programFolder`, for checking an installation.
QStringList resourceDirectoriesFor(const QString &programFolder);
QString pathForResource(const QString &name, const QStringList &directories);

// The translation of a key, or the key itself.
QString localizedString(const char *key);

// The product's web site.
QString websiteUrl();

} // namespace Bundle
