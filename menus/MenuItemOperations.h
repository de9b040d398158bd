#pragma once

#include <QIcon>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class QAction;
class QMenu;
class QObject;

// Operations on menu items: shortcut decoding, item factories and toggling.
// Every item made here is new, belongs to no menu and is the caller's until
// it is appended to one.
namespace Operations {

// Decodes a shortcut string such as "@~+q" into {"keyEquivalent": the key,
// lower-cased, "" when there is none; "keyModifier": the modifier mask as
// quint64}. The string splits at "+": the first part names modifiers ("$"
// Shift, "^" Control, "~" Option, "@" Command; other characters add nothing),
// the last part is the key and any parts in between are ignored. A string
// without "+" is the key alone, with no modifier.
QVariantMap decodeKeyShortcutForMenuItem(const QString &shortcut);

// An item with the key equivalent exactly as given (not decoded) and the
// default modifier mask of a new item.
QAction *itemWithTitle(const QString &title, const QString &action, const QString &keyEquivalent,
                       QObject *target);
// The same with an image; a null icon leaves the item without one.
QAction *itemWithTitle(const QString &title, const QString &action, const QString &keyEquivalent,
                       QObject *target, const QIcon &icon);

// A new separator when the title is "--"; otherwise an item whose key
// equivalent and mask (0 included) come from decoding the shortcut string,
// carrying the object as its represented object.
QAction *itemWithTitleAndObject(const QString &title, const QString &action, const QVariant &object,
                                const QString &keyEquivalent, QObject *target);

// Sets the title to the alternative when it equals the text exactly now, and
// to the text otherwise.
void toggle(QAction *item, const QString &text, const QString &alternative);
// Sets the title to the text when value is true, else to the alternative.
void toggle(QAction *item, const QString &text, const QString &alternative, bool value);

// Turns every item of the menu off (separators included), then this item on;
// the item need not be in that menu. A null menu turns only this item on.
void toggleInMenu(QAction *item, QMenu *menu);
// toggleInMenu with the submenu that holds this item; the parent item's own
// state is left alone.
void toggleInParent(QAction *item);

} // namespace Operations
