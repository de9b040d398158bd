#pragma once

#include <QEvent>
#include <QIcon>
#include <QKeySequence>
#include <QString>
#include <QVariant>

class QAction;
class QMenu;
class QObject;

// Menu items are plain QActions, so that separators and any action made
// elsewhere work with every menu operation. What a menu item carries beyond a
// QAction (target, action name, key equivalent with its modifier mask) is kept
// in a small object attached to the action; the represented object is the
// action's data(), the title its text(), the image its icon().
//
// Triggering an item sends its action: the action name is a command such as
// "doOpen:", sent to the target with the item as sender (see Command::send,
// which buttons use too). An item without a target sends to the default target.
// A target that has no such method, or no target at all, means nothing happens.
//
// Ownership: an item made here belongs to no menu and is the caller's until it
// is appended to a menu (Menu::addItem), which then owns it. An item owns its
// submenu: the submenu is deleted with the item.
namespace MenuItem {

// Modifier flags of a key-equivalent modifier mask.
enum ModifierFlag : quint64 {
    ShiftKeyMask = 0x20000,
    ControlKeyMask = 0x40000,
    AlternateKeyMask = 0x80000,
    CommandKeyMask = 0x100000,
};

// The mask of an item that has not been given one: Command, so that a bare
// key equivalent such as "o" means Ctrl+O as menu users expect.
inline constexpr quint64 defaultModifierMask = CommandKeyMask;

// A new item in no menu; an empty action means no action.
QAction *create(const QString &title, const QString &action, const QString &keyEquivalent,
                QObject *parent = nullptr);

// A new separator item on every call, in no menu.
QAction *separatorItem();

QString title(const QAction *item);
void setTitle(QAction *item, const QString &title);

// The object that receives the action; null clears it. The target is not
// owned and may be deleted at any time: the item then has no target.
void setTarget(QAction *item, QObject *target);
QObject *target(const QAction *item);

void setAction(QAction *item, const QString &action);
QString action(const QAction *item);

void setRepresentedObject(QAction *item, const QVariant &object);
QVariant representedObject(const QAction *item);

// The key equivalent is kept exactly as given; together with the modifier
// mask it becomes the action's shortcut when it is a single key (an
// upper-case letter does not add Shift: only the mask names modifiers).
void setKeyEquivalent(QAction *item, const QString &keyEquivalent);
QString keyEquivalent(const QAction *item);
void setKeyEquivalentModifierMask(QAction *item, quint64 mask);
quint64 keyEquivalentModifierMask(const QAction *item);

// The Qt shortcut for a key equivalent and modifier mask; empty when the key
// equivalent is not one key.
QKeySequence shortcutFor(const QString &keyEquivalent, quint64 mask);

void setImage(QAction *item, const QIcon &image);
QIcon image(const QAction *item);

// Attaches a submenu, which the item then owns. A menu is the submenu of one
// item at a time: attaching it elsewhere takes it from the previous item. A
// replaced submenu is no longer owned by the item and goes back to the caller.
// While attached, the submenu's title is the item's title (a QMenu shows the
// text of the action that stands for it), and retitling either retitles both.
void setSubmenu(QAction *item, QMenu *submenu);
QMenu *submenu(const QAction *item);

// The menu that holds the item, or null when it is in none.
QMenu *menu(const QAction *item);

// The item whose submenu holds this item, or null.
QAction *parentItem(const QAction *item);

// 0 off, 1 on; an item that is on shows a check mark. Triggering an item does
// not change its state: only setState does, as the item's owner decides.
void setState(QAction *item, int state);
int state(const QAction *item);

// A new item in no menu with the same properties; a submenu is copied too,
// since a menu can be the submenu of only one item.
QAction *copy(const QAction *item);

// Where actions of items without a target go, as unclaimed actions reach the
// application's delegate. Not owned.
void setDefaultTarget(QObject *target);
QObject *defaultTarget();

// Sends the item's action now, as triggering it does.
void sendAction(QAction *item);

// Sent (as a QActionEvent) to every menu that holds an item right before the
// item sends its action, so that a menu's owner can follow the choice first.
QEvent::Type willSendActionEventType();

} // namespace MenuItem
