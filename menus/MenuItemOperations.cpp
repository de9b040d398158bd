#include "menus/MenuItemOperations.h"

#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace Operations {

QVariantMap decodeKeyShortcutForMenuItem(const QString &shortcut)
{
    const QStringList parts = shortcut.split(u'+');
    QString key;
    quint64 mask = 0;
    if (parts.size() < 2) {
        key = shortcut.toLower();
    } else {
        key = parts.last().toLower();
        // Only the modifier characters themselves count: a character that
        // merely shares a low byte with one of them (U+0124 and "$") is no
        // modifier.
        for (const QChar character : parts.first()) {
            switch (character.unicode()) {
            case u'$':
                mask |= MenuItem::ShiftKeyMask;
                break;
            case u'^':
                mask |= MenuItem::ControlKeyMask;
                break;
            case u'~':
                mask |= MenuItem::AlternateKeyMask;
                break;
            case u'@':
                mask |= MenuItem::CommandKeyMask;
                break;
            default:
                break;
            }
        }
    }
    if (key.isNull())
        key = u""_s;
    return {{u"keyEquivalent"_s, key}, {u"keyModifier"_s, QVariant::fromValue<quint64>(mask)}};
}

QAction *itemWithTitle(const QString &title, const QString &action, const QString &keyEquivalent,
                       QObject *target)
{
    QAction *item = MenuItem::create(title, action, keyEquivalent);
    MenuItem::setTarget(item, target);
    return item;
}

QAction *itemWithTitle(const QString &title, const QString &action, const QString &keyEquivalent,
                       QObject *target, const QIcon &icon)
{
    QAction *item = itemWithTitle(title, action, keyEquivalent, target);
    if (!icon.isNull())
        MenuItem::setImage(item, icon);
    return item;
}

QAction *itemWithTitleAndObject(const QString &title, const QString &action, const QVariant &object,
                                const QString &keyEquivalent, QObject *target)
{
    if (title == u"--"_s)
        return MenuItem::separatorItem();
    const QString shortcut = keyEquivalent.isNull() ? u""_s : keyEquivalent;
    QAction *item = MenuItem::create(title, action, shortcut);
    const QVariantMap decoded = decodeKeyShortcutForMenuItem(shortcut);
    MenuItem::setKeyEquivalent(item, decoded.value(u"keyEquivalent"_s).toString());
    MenuItem::setKeyEquivalentModifierMask(item, decoded.value(u"keyModifier"_s).toULongLong());
    MenuItem::setRepresentedObject(item, object);
    MenuItem::setTarget(item, target);
    return item;
}

void toggle(QAction *item, const QString &text, const QString &alternative)
{
    if (item)
        item->setText(item->text() == text ? alternative : text);
}

void toggle(QAction *item, const QString &text, const QString &alternative, bool value)
{
    if (item)
        item->setText(value ? text : alternative);
}

void toggleInMenu(QAction *item, QMenu *menu)
{
    const QList<QAction *> items = Menu::itemArray(menu);
    for (QAction *other : items)
        MenuItem::setState(other, 0);
    MenuItem::setState(item, 1);
}

void toggleInParent(QAction *item)
{
    toggleInMenu(item, MenuItem::submenu(MenuItem::parentItem(item)));
}

} // namespace Operations
