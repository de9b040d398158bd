#include "platform/Menu.h"
#include "platform/MenuItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList titles(const QMenu *menu)
{
    QStringList result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items)
        result << (item->isSeparator() ? u"--"_s : item->text());
    return result;
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(Menu, AnItemBelongsToOneMenuThatOwnsIt)
{
    std::unique_ptr<QMenu> first(Menu::create(u"First"_s));
    std::unique_ptr<QMenu> second(Menu::create(u"Second"_s));
    QObject elsewhere;
    QAction *item = MenuItem::create(u"A"_s, {}, {}, &elsewhere);
    Menu::addItem(first.get(), item);
    Menu::addItem(second.get(), item);
    EXPECT_EQ(Menu::numberOfItems(first.get()), 0);
    EXPECT_EQ(MenuItem::menu(item), second.get());

    QPointer<QAction> guard(item);
    second.reset();
    EXPECT_TRUE(guard.isNull()) << "the menu owns its items";
}

TEST(Menu, RemovingDeletesOwnedItemsLaterAndLeavesOthersAlone)
{
    std::unique_ptr<QMenu> menu(Menu::create(u"M"_s));
    for (const QString &title : {u"A"_s, u"B"_s, u"C"_s})
        Menu::addItem(menu.get(), MenuItem::create(title, {}, {}));
    QPointer<QAction> removed = Menu::itemArray(menu.get()).at(1);
    Menu::removeItemAtIndex(menu.get(), 1);
    Menu::removeItemAtIndex(menu.get(), -1);
    Menu::removeItemAtIndex(menu.get(), 2);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"A"_s, u"C"_s}));
    ASSERT_FALSE(removed.isNull()) << "a removed item stays valid until the event loop runs";
    processDeferredDeletes();
    EXPECT_TRUE(removed.isNull());

    QObject owner;
    auto *kept = new QAction(u"Kept"_s, &owner);
    menu->addAction(kept); // appended the Qt way: not owned by the menu
    Menu::removeAllItems(menu.get());
    processDeferredDeletes();
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
    EXPECT_EQ(owner.children(), QObjectList{kept});
}

TEST(Menu, ItemWithTitleFindsTheFirstExactMatch)
{
    std::unique_ptr<QMenu> menu(Menu::create(u"M"_s));
    QAction *first = MenuItem::create(u"Same"_s, {}, {});
    Menu::addItem(menu.get(), MenuItem::separatorItem());
    Menu::addItem(menu.get(), first);
    Menu::addItem(menu.get(), MenuItem::create(u"Same"_s, {}, {}));
    EXPECT_EQ(Menu::itemWithTitle(menu.get(), u"Same"_s), first);
    EXPECT_EQ(Menu::itemWithTitle(menu.get(), u"same"_s), nullptr);
    EXPECT_EQ(Menu::itemWithTitle(menu.get(), u""_s), nullptr) << "separators have no title";
    EXPECT_EQ(Menu::itemWithTitle(nullptr, u"Same"_s), nullptr);
}

TEST(Menu, AnItemMayRebuildItsOwnMenuWhileSendingItsAction)
{
    std::unique_ptr<QMenu> menu(Menu::create(u"M"_s));
    QAction *item = MenuItem::create(u"Rebuild"_s, {}, {});
    Menu::addItem(menu.get(), item);
    QObject::connect(item, &QAction::triggered, menu.get(), [&menu] {
        Menu::removeAllItems(menu.get());
        Menu::addItem(menu.get(), MenuItem::create(u"Fresh"_s, {}, {}));
    });
    item->trigger();
    processDeferredDeletes();
    EXPECT_EQ(titles(menu.get()), QStringList{u"Fresh"_s});
}
