#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// The menu operations that the menu helpers build on, on plain QMenus.
//
// Ownership: an item appended with addItem belongs to that menu (it becomes
// the menu's child). Removing an item takes it out of the menu and, when the
// menu owned it and no other widget shows it, deletes it later, when control
// returns to the event loop: a pointer to a removed item stays valid until
// then, so that an item may remove itself, or rebuild its own menu, while it
// sends its action. A caller that wants to keep a removed item must take it
// before it is removed (QObject::setParent).
namespace Menu {

// A new, empty menu with that title; parent as for any QMenu.
QMenu *create(const QString &title, QWidget *parent = nullptr);

// Appends the item at the end. An item is in one menu at a time: an item that
// is already in another menu moves here; one already here moves to the end.
void addItem(QMenu *menu, QAction *item);

// Removes the item at an index counted from 0; later items move up by one.
// An index out of range changes nothing.
void removeItemAtIndex(QMenu *menu, int index);
void removeAllItems(QMenu *menu);

int numberOfItems(const QMenu *menu);
QList<QAction *> itemArray(const QMenu *menu);

// The first item whose title equals the string exactly (separators have no
// title), or null. A null string names no item.
QAction *itemWithTitle(const QMenu *menu, const QString &title);

} // namespace Menu
