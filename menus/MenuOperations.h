#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

class QAction;
class QMenu;
class QObject;

// Operations that fill menus with items, from ready-made items or from plain
// data, so that code can declare a menu instead of creating items one by one.
//
// An item description is a QVariantMap with the keys "title", "selector" (an
// action name such as "doOpen:"), "equivalent" (a shortcut string, see
// decodeKeyShortcut), "object" (the represented object) and, for nested
// arrays, "children" (a list of descriptions). A group table is a QVariantMap
// from group titles to lists of descriptions; each group becomes an item with
// a submenu, in alphabetical order of the titles (Manipulation::sortedKeys).
// Absent entries are invalid QVariants. The target is set on every plain item
// made, never on group items or separators.
//
// A null menu is left alone and finds nothing.
namespace Operations {

// Menu population.
void addSeparator(QMenu *menu);
// Keeps the first count items and removes the later ones, the last first. A
// negative count leaves the menu unchanged.
void removeAllItemsExceptForFirst(QMenu *menu, int count);
// Sets the target of each item (null clears it), then appends the items
// themselves, which this menu then owns.
void addItemsFromMenuItems(QMenu *menu, const QList<QAction *> &items, QObject *target);
// Appends a copy of each item of the source (submenus are copied too); the
// source is unchanged.
void addItemsFromMenu(QMenu *menu, const QMenu *source);
// Empties this menu, then adds copies of the source's items: a menu set from
// itself ends empty.
void setItemsFromMenu(QMenu *menu, const QMenu *source);

// The same decoding as decodeKeyShortcutForMenuItem; a null string decodes to
// no key and mask 0. The menu plays no part.
QVariantMap decodeKeyShortcut(const QMenu *menu, const QString &shortcut);

// Building from data. Only the operations that say so treat the title "--"
// as a separator; elsewhere it is an ordinary item titled "--".
void addItemWithTitle(QMenu *menu, const QString &title, const QString &action,
                      const QString &keyEquivalent, QObject *target);
void addItemWithTitle(QMenu *menu, const QString &title, const QString &action,
                      const QString &keyEquivalent, const QVariant &representedObject,
                      QObject *target);
// Parallel lists: one item per title; an action name or shortcut missing for
// a title counts as absent, and entries beyond the titles are ignored.
void addItemsWithTitles(QMenu *menu, const QStringList &titles, const QStringList &actions,
                        const QStringList &keyEquivalents, QObject *target);
// Recognises "--"; no represented objects.
void addItemsFromArray(QMenu *menu, const QVariantList &descriptions, QObject *target);
// No separators; carries represented objects.
void addObjectItemsFromArray(QMenu *menu, const QVariantList &descriptions, QObject *target);
// Appends the items themselves, changing nothing about them.
void addMenuItemsFromArray(QMenu *menu, const QList<QAction *> &items);
// Group tables: no separators, no represented objects.
void addItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target);
// Group tables: recognises "--"; carries represented objects.
void addObjectItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target);
// Group tables: no separators; carries represented objects.
void addRepresentedItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target);
// Nested descriptions to any depth: a description with "children" (even an
// empty list, even titled "--") becomes a group item; otherwise "--" is a
// separator; plain items carry represented objects.
void addItemsFromNestedArray(QMenu *menu, const QVariantList &descriptions, QObject *target);

// Empty the menu first, then add as the add operations do.
void setItemsWithTitles(QMenu *menu, const QStringList &titles, const QStringList &actions,
                        const QStringList &keyEquivalents, QObject *target);
void setItemsFromArray(QMenu *menu, const QVariantList &descriptions, QObject *target);
void setItemsFromDictionary(QMenu *menu, const QVariantMap &groups, QObject *target);

// The item at a "/"-separated path of titles through submenus, following the
// first item of each title ("File/Open"); null when a title is not found or
// an item on the way has no submenu. Never creates items.
QAction *itemWithPath(const QMenu *menu, const QString &path);

} // namespace Operations
