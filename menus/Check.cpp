#include "menus/Check.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace Check {

bool contains(const QStringList &array, const QString &string)
{
    if (string.isNull())
        return false;
    return std::any_of(array.cbegin(), array.cend(),
                       [&string](const QString &element) { return element == string; });
}

QStringList sortedAlphabetically(const QStringList &array)
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList sorted = array;
    std::stable_sort(sorted.begin(), sorted.end(), [&collator](const QString &a, const QString &b) {
        return collator.compare(a, b) < 0;
    });
    return sorted;
}

} // namespace Check
