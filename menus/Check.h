#pragma once

#include <QString>
#include <QStringList>

// Queries on arrays of strings.
namespace Check {

// True when some element equals the string exactly (same UTF-16 code units);
// a null string equals no element.
bool contains(const QStringList &array, const QString &string);

// The elements in ascending alphabetical order: the collation of the user's
// locale, ignoring case. Elements that compare equal keep their order.
QStringList sortedAlphabetically(const QStringList &array);

} // namespace Check
