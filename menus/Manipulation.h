#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

// Queries on the keys of keyed records.
namespace Manipulation {

QStringList keys(const QVariantMap &dictionary);

// The keys in the order of Check::sortedAlphabetically.
QStringList sortedKeys(const QVariantMap &dictionary);

// True when the record has a key equal to the string exactly (case-sensitive).
bool keyExists(const QVariantMap &dictionary, const QString &key);

} // namespace Manipulation
