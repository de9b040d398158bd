#include "platform/menu/Menu.h"

#include <QAction>
#include <QMenu>

namespace {

// A QMenu's own menu action stands for the menu itself and stays its child.
bool isOwnMenuAction(const QAction *item)
{
    const QMenu *submenu = item->menu();
    return submenu && submenu->menuAction() == item && item->parent() == submenu;
}

} // namespace

namespace Menu {

QMenu *create(const QString &title, QWidget *parent)
{
    auto *menu = new QMenu(title, parent);
    return menu;
}

void addItem(QMenu *menu, QAction *item)
{
    if (!menu || !item)
        return;
    const QList<QObject *> holders = item->associatedObjects();
    for (QObject *holder : holders) {
        if (auto *other = qobject_cast<QMenu *>(holder); other && other != menu)
            other->removeAction(item);
    }
    if (item->parent() != menu && !isOwnMenuAction(item))
        item->setParent(menu);
    // Appending the last item again would take it out and put it back, which
    // those who follow the menu's items (a pop-up's selection) would see.
    const QList<QAction *> items = menu->actions();
    if (!items.isEmpty() && items.last() == item)
        return;
    menu->addAction(item);
}

void removeItemAtIndex(QMenu *menu, int index)
{
    if (!menu)
        return;
    const QList<QAction *> items = menu->actions();
    if (index < 0 || index >= items.size())
        return;
    QAction *item = items.at(index);
    menu->removeAction(item);
    if (item->parent() == menu && item->associatedObjects().isEmpty())
        item->deleteLater();
}

void removeAllItems(QMenu *menu)
{
    for (int index = numberOfItems(menu) - 1; index >= 0; --index)
        removeItemAtIndex(menu, index);
}

int numberOfItems(const QMenu *menu)
{
    return menu ? static_cast<int>(menu->actions().size()) : 0;
}

QList<QAction *> itemArray(const QMenu *menu)
{
    return menu ? menu->actions() : QList<QAction *>();
}

QAction *itemWithTitle(const QMenu *menu, const QString &title)
{
    if (!menu || title.isNull())
        return nullptr;
    const QList<QAction *> items = menu->actions();
    for (QAction *item : items) {
        if (!item->isSeparator() && item->text() == title)
            return item;
    }
    return nullptr;
}

} // namespace Menu
