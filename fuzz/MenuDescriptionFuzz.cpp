// Menus are built from nested records that may come from data files: any mix
// of records, wrong types and missing entries must build a menu with one item
// per description, and every path of titles through it must lead back to an
// item of that title.

#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzInput.h"
#include "menus/MenuOperations.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QStringList>

#include <iterator>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int MaximumDepth = 5;
constexpr unsigned MaximumEntries = 6;

// Titles repeat often so that paths meet items of the same title.
QString title(FuzzInput &input)
{
    static const QString common[] = {u"--"_s, QString(), u"File"_s, u"Open"_s, u"a/b"_s};
    const unsigned pick = input.number(8);
    return pick < std::size(common) ? common[pick] : input.text(12, input.flag());
}

QVariant value(FuzzInput &input, int depth);

QVariantList list(FuzzInput &input, int depth)
{
    QVariantList result;
    const unsigned count = input.number(MaximumEntries + 1);
    for (unsigned i = 0; i < count && !input.atEnd(); ++i)
        result.append(value(input, depth + 1));
    return result;
}

QVariantMap description(FuzzInput &input, int depth)
{
    QVariantMap result;
    const unsigned keys = input.byte();
    if (keys & 1)
        result.insert(u"title"_s, input.flag() ? QVariant(title(input)) : value(input, depth));
    if (keys & 2)
        result.insert(u"selector"_s,
                      input.flag() ? QVariant(input.text(12)) : QVariant(u"doOpen:"_s));
    if (keys & 4)
        result.insert(u"equivalent"_s,
                      input.flag() ? QVariant(input.text(8)) : value(input, depth));
    if (keys & 8)
        result.insert(u"object"_s, value(input, depth));
    if (keys & 16)
        result.insert(u"children"_s,
                      input.flag() ? QVariant(list(input, depth)) : value(input, depth));
    if (keys & 32)
        result.insert(input.text(8), value(input, depth));
    return result;
}

// Any value a record may hold: mostly records, sometimes the wrong type.
QVariant value(FuzzInput &input, int depth)
{
    const unsigned kind = input.number(depth >= MaximumDepth ? 5 : 8);
    switch (kind) {
    case 0:
        return QVariant();
    case 1:
        return QVariant(int(input.byte()) - 128);
    case 2:
        return QVariant(input.text(12));
    case 3:
        return QVariant(input.bytes(8));
    case 4:
        return QVariant(QStringList{input.text(8), input.text(8)});
    case 5:
        return QVariant(list(input, depth));
    default:
        return QVariant(description(input, depth));
    }
}

QVariantMap groups(FuzzInput &input)
{
    QVariantMap result;
    const unsigned count = input.number(MaximumEntries + 1);
    for (unsigned i = 0; i < count && !input.atEnd(); ++i)
        result.insert(title(input), input.flag() ? QVariant(list(input, 1)) : value(input, 1));
    return result;
}

// A path of titles from the top menu to a random item; empty when the walk
// meets a separator, an item without a title (a null title names no item)
// or a title that itself holds a "/".
QString randomPath(const QMenu *menu, FuzzInput &input, QString *lastTitle)
{
    QStringList titles;
    while (menu) {
        const QList<QAction *> items = Menu::itemArray(menu);
        if (items.isEmpty())
            break;
        const QAction *chosen = items.at(input.number(unsigned(items.size())));
        if (chosen->isSeparator())
            return QString();
        const QString itemTitle = MenuItem::title(chosen);
        if (itemTitle.isNull() || itemTitle.contains(u'/'))
            return QString();
        // A path follows the first item of each title.
        const QAction *item = Menu::itemWithTitle(menu, itemTitle);
        if (!item)
            fuzzFailure("an item is found by its own title", itemTitle);
        titles << itemTitle;
        *lastTitle = itemTitle;
        const QMenu *submenu = MenuItem::submenu(item);
        if (!submenu || input.flag())
            break;
        menu = submenu;
    }
    return titles.isEmpty() ? QString() : titles.join(u'/');
}

void checkCount(const QMenu *menu, int before, qsizetype added, const char *operation)
{
    if (Menu::numberOfItems(menu) != before + added)
        fuzzFailure(operation,
                    u"%1 items, expected %2"_s.arg(Menu::numberOfItems(menu)).arg(before + added));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    makeFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    QObject target;
    const std::unique_ptr<QMenu> menu(Menu::create(u"Top"_s));

    const QVariantList nested = list(input, 0);
    Operations::addItemsFromNestedArray(menu.get(), nested, input.flag() ? &target : nullptr);
    checkCount(menu.get(), 0, nested.size(), "addItemsFromNestedArray adds one item each");

    const QVariantList flat = list(input, 1);
    int before = Menu::numberOfItems(menu.get());
    Operations::addItemsFromArray(menu.get(), flat, &target);
    checkCount(menu.get(), before, flat.size(), "addItemsFromArray adds one item each");

    const QVariantMap table = groups(input);
    before = Menu::numberOfItems(menu.get());
    Operations::addObjectItemsFromDictionary(menu.get(), table, &target);
    checkCount(menu.get(), before, table.size(),
               "addObjectItemsFromDictionary adds one group each");
    const QList<QAction *> items = Menu::itemArray(menu.get());
    for (qsizetype i = before; i < items.size(); ++i) {
        const QMenu *submenu = MenuItem::submenu(items.at(i));
        if (!submenu)
            fuzzFailure("a group item has a submenu");
        const QVariantList expected = table.value(MenuItem::title(items.at(i))).toList();
        if (Menu::numberOfItems(submenu) != expected.size())
            fuzzFailure("a group holds one item per description");
    }

    for (int walk = 0; walk < 4 && !input.atEnd(); ++walk) {
        QString lastTitle;
        const QString path = randomPath(menu.get(), input, &lastTitle);
        if (path.isNull())
            continue;
        const QAction *found = Operations::itemWithPath(menu.get(), path);
        if (!found || found->isSeparator() || MenuItem::title(found) != lastTitle)
            fuzzFailure("a path through the menu leads to an item of its title", path);
    }
    // Paths that need not exist: nothing found, or an item of the last title.
    const QByteArray tail = input.rest();
    const QString anyPath = tail.isEmpty() ? QString() : QString::fromUtf8(tail);
    const QAction *found = Operations::itemWithPath(menu.get(), anyPath);
    if (found && MenuItem::title(found) != anyPath.section(u'/', -1))
        fuzzFailure("a found item has the last title of the path", anyPath);

    // Removed and replaced items go away on the event loop's next turn.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
