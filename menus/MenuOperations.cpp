#include "menus/MenuOperations.h"

#include "menus/Manipulation.h"
#include "menus/MenuItemOperations.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

const QString titleKey = u"title"_s;
const QString selectorKey = u"selector"_s;
const QString equivalentKey = u"equivalent"_s;
const QString objectKey = u"object"_s;
const QString childrenKey = u"children"_s;
const QString separatorTitle = u"--"_s;

QString stringAt(const QStringList &list, qsizetype index)
{
    return index < list.size() ? list.at(index) : QString();
}

// A description entry as a string; an absent entry is a null string.
QString entry(const QVariantMap &description, const QString &key)
{
    const QVariant value = description.value(key);
    return value.isValid() ? value.toString() : QString();
}

void addDescribedItem(QMenu *menu, const QVariantMap &description, QObject *target)
{
    Operations::addItemWithTitle(menu, entry(description, titleKey),
                                 entry(description, selectorKey), entry(description, equivalentKey),
                                 target);
}

void addDescribedObjectItem(QMenu *menu, const QVariantMap &description, QObject *target)
{
    Operations::addItemWithTitle(menu, entry(description, titleKey),
                                 entry(description, selectorKey), entry(description, equivalentKey),
                                 description.value(objectKey), target);
}

bool isSeparator(const QVariantMap &description)
{
    return entry(description, titleKey) == separatorTitle;
}

// An item with a submenu of the same title; group items carry no action, key
// equivalent, target or represented object.
void addGroupItem(QMenu *menu, const QString &title, QMenu *submenu)
{
    QAction *group = MenuItem::create(title, QString(), QString());
    MenuItem::setSubmenu(group, submenu);
    Menu::addItem(menu, group);
}

enum class GroupStyle { Plain, Objects, Represented };

void addItemsFromGroups(QMenu *menu, const QVariantMap &groups, QObject *target, GroupStyle style)
{
    if (!menu)
        return;
    const QStringList titles = Manipulation::sortedKeys(groups);
    for (const QString &title : titles) {
        QMenu *submenu = Menu::create(title);
        const QVariantList descriptions = groups.value(title).toList();
        for (const QVariant &value : descriptions) {
            const QVariantMap description = value.toMap();
            switch (style) {
            case GroupStyle::Plain:
                addDescribedItem(submenu, description, target);
                break;
            case GroupStyle::Objects:
                if (isSeparator(description))
                    Menu::addItem(submenu, MenuItem::separatorItem());
                else
                    addDescribedObjectItem(submenu, description, target);
                break;
            case GroupStyle::Represented:
                addDescribedObjectItem(submenu, description, target);
                break;
            }
        }
        addGroupItem(menu, title, submenu);
    }
}

} // namespace

namespace Operations {

void addSeparator(QMenu *menu)
{
    if (menu)
        Menu::addItem(menu, MenuItem::separatorItem());
}

void removeAllItemsExceptForFirst(QMenu *menu, int count)
{
    // Removal from a negative index has no meaning: such a count keeps all.
    if (!menu || count < 0)
        return;
    const int items = Menu::numberOfItems(menu);
    for (int index = items - 1; index >= count; --index)
        Menu::removeItemAtIndex(menu, index);
}

void addItemsFromMenuItems(QMenu *menu, const QList<QAction *> &items, QObject *target)
{
    if (!menu)
        return;
    for (QAction *item : items) {
        if (!item)
            continue;
        MenuItem::setTarget(item, target);
        Menu::addItem(menu, item);
    }
}

void addItemsFromMenu(QMenu *menu, const QMenu *source)
{
    if (!menu)
        return;
    const QList<QAction *> items = Menu::itemArray(source);
    for (const QAction *item : items)
        Menu::addItem(menu, MenuItem::copy(item));
}

void setItemsFromMenu(QMenu *menu, const QMenu *source)
{
    Menu::removeAllItems(menu);
    addItemsFromMenu(menu, source);
}

QVariantMap decodeKeyShortcut(const QMenu *menu, const QString &shortcut)
{
    Q_UNUSED(menu);
    return decodeKeyShortcutForMenuItem(shortcut);
}

void addItemWithTitle(QMenu *menu, const QString &title, const QString &action,
                      const QString &keyEquivalent, QObject *target)
{
    if (!menu)
        return;
    QAction *item = MenuItem::create(title, action, QString());
    const QVariantMap decoded = decodeKeyShortcut(menu, keyEquivalent);
    MenuItem::setKeyEquivalent(item, decoded.value(u"keyEquivalent"_s).toString());
    MenuItem::setKeyEquivalentModifierMask(item, decoded.value(u"keyModifier"_s).toULongLong());
    MenuItem::setTarget(item, target);
    Menu::addItem(menu, item);
}

void addItemWithTitle(QMenu *menu, const QString &title, const QString &action,
                      const QString &keyEquivalent, const QVariant &representedObject,
                      QObject *target)
{
    if (!menu)
        return;
    QAction *item = MenuItem::create(title, action, QString());
    MenuItem::setRepresentedObject(item, representedObject);
    MenuItem::setTarget(item, target);
    const QVariantMap decoded = decodeKeyShortcut(menu, keyEquivalent);
    MenuItem::setKeyEquivalent(item, decoded.value(u"keyEquivalent"_s).toString());
    MenuItem::setKeyEquivalentModifierMask(item, decoded.value(u"keyModifier"_s).toULongLong());
    Menu::addItem(menu, item);
}

void addItemsWithTitles(QMenu *menu, const QStringList &titles, const QStringList &actions,
                        const QStringList &keyEquivalents, QObject *target)
{
    for (qsizetype i = 0; i < titles.size(); ++i)
        addItemWithTitle(menu, titles.at(i), stringAt(actions, i), stringAt(keyEquivalents, i),
                         target);
}

void addItemsFromArray(QMenu *menu, const QVariantList &descriptions, QObject *target)
{
    if (!menu)
        return;
    for (const QVariant &value : descriptions) {
        const QVariantMap description = value.toMap();
        if (isSeparator(description))
            addSeparator(menu);
        else
            addDescribedItem(menu, description, target);
    }
}

void addObjectItemsFromArray(QMenu *menu, const QVariantList &descriptions, QObject *target)
{
    if (!menu)
        return;
    for (const QVariant &value : descriptions)
        addDescribedObjectItem(menu, value.toMap(), target);
}

void addMenuItemsFromArray(QMenu *menu, const QList<QAction *> &items)
{
    if (!menu)
        return;
    for (QAction *item : items)
        Menu::addItem(menu, item);
}

void addItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target)
{
    addItemsFromGroups(menu, groups, target, GroupStyle::Plain);
}

void addObjectItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target)
{
    addItemsFromGroups(menu, groups, target, GroupStyle::Objects);
}

void addRepresentedItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target)
{
    addItemsFromGroups(menu, groups, target, GroupStyle::Represented);
}

void addItemsFromNestedArray(QMenu *menu, const QVariantList &descriptions, QObject *target)
{
    if (!menu)
        return;
    for (const QVariant &value : descriptions) {
        const QVariantMap description = value.toMap();
        const QVariant children = description.value(childrenKey);
        if (children.isValid()) {
            const QString title = entry(description, titleKey);
            QMenu *submenu = Menu::create(title);
            addItemsFromNestedArray(submenu, children.toList(), target);
            addGroupItem(menu, title, submenu);
        } else if (isSeparator(description)) {
            addSeparator(menu);
        } else {
            addDescribedObjectItem(menu, description, target);
        }
    }
}

void setItemsWithTitles(QMenu *menu, const QStringList &titles, const QStringList &actions,
                        const QStringList &keyEquivalents, QObject *target)
{
    Menu::removeAllItems(menu);
    addItemsWithTitles(menu, titles, actions, keyEquivalents, target);
}

void setItemsFromArray(QMenu *menu, const QVariantList &descriptions, QObject *target)
{
    Menu::removeAllItems(menu);
    addItemsFromArray(menu, descriptions, target);
}

void setItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target)
{
    Menu::removeAllItems(menu);
    addItemsFromDictionary(menu, groups, target);
}

QAction *itemWithPath(const QMenu *menu, const QString &path)
{
    if (!menu || path.isNull())
        return nullptr;
    const qsizetype slash = path.indexOf(u'/');
    QAction *item = Menu::itemWithTitle(menu, slash < 0 ? path : path.left(slash));
    if (slash < 0)
        return item;
    if (!item)
        return nullptr;
    const QMenu *submenu = MenuItem::submenu(item);
    return submenu ? itemWithPath(submenu, path.mid(slash + 1)) : nullptr;
}

} // namespace Operations
