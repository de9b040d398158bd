#include "menus/Manipulation.h"

#include "menus/Check.h"

namespace Manipulation {

QStringList keys(const QVariantMap &dictionary)
{
    return dictionary.keys();
}

QStringList sortedKeys(const QVariantMap &dictionary)
{
    return Check::sortedAlphabetically(keys(dictionary));
}

bool keyExists(const QVariantMap &dictionary, const QString &key)
{
    return !key.isNull() && dictionary.contains(key);
}

} // namespace Manipulation
