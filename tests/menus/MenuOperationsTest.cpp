#include "menus/MenuOperations.h"
#include "platform/Menu.h"
#include "platform/MenuItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList titles(const QMenu *menu)
{
    QStringList result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items)
        result << (item->isSeparator() ? u"<separator>"_s : item->text());
    return result;
}

// One line per item: title, action, key, mask, represented object, and "*" when
// its target is `target`; separators as "<separator>".
QStringList summary(const QMenu *menu, const QObject *target)
{
    QStringList result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items) {
        if (item->isSeparator()) {
            result << u"<separator>"_s;
            continue;
        }
        result << u"%1 %2 %3 %4 %5%6"_s
                      .arg(item->text(), MenuItem::action(item), MenuItem::keyEquivalent(item))
                      .arg(MenuItem::keyEquivalentModifierMask(item), 0, 16)
                      .arg(MenuItem::representedObject(item).toString(),
                           MenuItem::target(item) == target ? u"*"_s : u""_s);
    }
    return result;
}

std::unique_ptr<QMenu> menuWith(const QStringList &itemTitles)
{
    std::unique_ptr<QMenu> menu(Menu::create(u"Menu"_s));
    for (const QString &title : itemTitles)
        Menu::addItem(menu.get(), MenuItem::create(title, {}, {}));
    return menu;
}

QVariantMap description(const QString &title, const QString &selector = {},
                        const QString &equivalent = {}, const QVariant &object = {})
{
    QVariantMap result{{u"title"_s, title}};
    if (!selector.isNull())
        result.insert(u"selector"_s, selector);
    if (!equivalent.isNull())
        result.insert(u"equivalent"_s, equivalent);
    if (object.isValid())
        result.insert(u"object"_s, object);
    return result;
}

const QVariantList openSeparatorNew{
    description(u"Open"_s, u"doOpen:"_s, u"@+o"_s, u"file"_s), description(u"--"_s),
    description(u"New"_s, u"doNew:"_s, u"p"_s), description(u"Plain"_s)};

QVariantMap groupTable()
{
    return {{u"Speech"_s, QVariantList{description(u"Play"_s, u"doPlay:"_s), description(u"--"_s)}},
            {u"Export"_s, QVariantList{description(u"AIFF"_s, u"doExport:"_s, {}, u"aiff"_s)}}};
}

} // namespace

TEST(MenuOperations, TrimmingKeepsTheFirstItemsAndIgnoresANegativeCount)
{
    auto menu = menuWith({u"0"_s, u"1"_s, u"2"_s, u"3"_s});
    const QList<QAction *> before = Menu::itemArray(menu.get());
    for (int count : {10, 4, -1})
        Operations::removeAllItemsExceptForFirst(menu.get(), count);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 4);
    Operations::removeAllItemsExceptForFirst(menu.get(), 2);
    EXPECT_EQ(Menu::itemArray(menu.get()), before.mid(0, 2)) << "kept items are the same items";
    Operations::removeAllItemsExceptForFirst(menu.get(), 0);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
    Operations::removeAllItemsExceptForFirst(nullptr, 0);
}

TEST(MenuOperations, AddingItemsMovesThemAndAddingAMenuCopiesIt)
{
    QObject target;
    auto menu = menuWith({u"Existing"_s});
    QList<QAction *> fresh{MenuItem::create(u"Alex"_s, u"activeVoiceChanged:"_s, {}),
                           MenuItem::create(u"Kate"_s, u"activeVoiceChanged:"_s, {})};
    MenuItem::setTarget(fresh[1], menu.get());
    Operations::addItemsFromMenuItems(menu.get(), fresh, &target);
    EXPECT_EQ(Menu::itemArray(menu.get()).mid(1), fresh);
    EXPECT_EQ(summary(menu.get(), &target).mid(1),
              (QStringList{u"Alex activeVoiceChanged:  100000 *"_s,
                           u"Kate activeVoiceChanged:  100000 *"_s}));

    auto copy = menuWith({u"Z"_s});
    Operations::addItemsFromMenu(copy.get(), menu.get());
    Operations::addItemsFromMenu(copy.get(), nullptr);
    EXPECT_EQ(titles(copy.get()), (QStringList{u"Z"_s, u"Existing"_s, u"Alex"_s, u"Kate"_s}));
    EXPECT_EQ(MenuItem::target(Menu::itemArray(copy.get())[3]), &target);
    Menu::itemArray(copy.get())[1]->setText(u"Renamed"_s);
    EXPECT_EQ(titles(menu.get()).first(), u"Existing"_s) << "copies are independent";

    Operations::addItemsFromMenuItems(menu.get(), {fresh[0]}, nullptr);
    EXPECT_EQ(MenuItem::target(fresh[0]), nullptr) << "an absent target clears it";
    Operations::setItemsFromMenu(copy.get(), menu.get());
    EXPECT_EQ(titles(copy.get()), titles(menu.get()));
    Operations::setItemsFromMenu(copy.get(), copy.get());
    EXPECT_EQ(Menu::numberOfItems(copy.get()), 0) << "set from itself ends empty";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(MenuOperations, BuildersDifferInSeparatorsAndRepresentedObjects)
{
    QObject target;
    auto plain = menuWith({});
    Operations::addItemsFromArray(plain.get(), openSeparatorNew, &target);
    EXPECT_EQ(summary(plain.get(), &target),
              (QStringList{u"Open doOpen: o 100000 *"_s, u"<separator>"_s, u"New doNew: p 0 *"_s,
                           u"Plain   0 *"_s}));
    EXPECT_EQ(Menu::itemArray(plain.get())[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(Menu::itemArray(plain.get())[2]->shortcut(), QKeySequence(Qt::Key_P));
    EXPECT_TRUE(Menu::itemArray(plain.get())[3]->shortcut().isEmpty());

    auto objects = menuWith({});
    Operations::addObjectItemsFromArray(objects.get(), openSeparatorNew, &target);
    EXPECT_EQ(summary(objects.get(), &target),
              (QStringList{u"Open doOpen: o 100000 file*"_s, u"--   0 *"_s, u"New doNew: p 0 *"_s,
                           u"Plain   0 *"_s}));

    // The single-item forms take "--" as a title too.
    auto single = menuWith({});
    Operations::addItemWithTitle(single.get(), u"--"_s, u"doX:"_s, u"$^+x"_s, &target);
    Operations::addItemWithTitle(single.get(), u"Voice"_s, u"doVoice:"_s, QString(), u"id"_s,
                                 &target);
    EXPECT_EQ(summary(single.get(), &target),
              (QStringList{u"-- doX: x 60000 *"_s, u"Voice doVoice:  0 id*"_s}));
    EXPECT_EQ(Menu::itemArray(single.get())[0]->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::META | Qt::Key_X));

    // Short action and shortcut lists count as absent entries.
    Operations::setItemsWithTitles(single.get(), {u"A"_s, u"B"_s}, {u"doA:"_s}, {u"@+."_s},
                                   &target);
    EXPECT_EQ(summary(single.get(), &target), (QStringList{u"A doA: . 100000 *"_s, u"B   0 *"_s}));

    QAction *ready = MenuItem::create(u"Ready"_s, u"doReady:"_s, u"r"_s);
    Operations::addMenuItemsFromArray(single.get(), {ready, MenuItem::separatorItem()});
    EXPECT_EQ(summary(single.get(), nullptr).mid(2),
              (QStringList{u"Ready doReady: r 100000 *"_s, u"<separator>"_s}))
        << "taken as they are";
}

TEST(MenuOperations, GroupTablesAreBuiltInSortedOrderPerBuilder)
{
    QObject target;
    struct Case
    {
        void (*build)(QMenu *, const QVariantMap &, QObject *);
        QStringList speech;
        QString aiff;
    };
    const Case cases[] = {
        {&Operations::addItemsFromDictionary,
         {u"Play doPlay:  0 *"_s, u"--   0 *"_s},
         u"AIFF doExport:  0 *"_s},
        {&Operations::addObjectItemsFromDictionary,
         {u"Play doPlay:  0 *"_s, u"<separator>"_s},
         u"AIFF doExport:  0 aiff*"_s},
        {&Operations::addRepresentedItemsFromDictionary,
         {u"Play doPlay:  0 *"_s, u"--   0 *"_s},
         u"AIFF doExport:  0 aiff*"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.aiff.toStdString());
        auto menu = menuWith({});
        c.build(menu.get(), groupTable(), &target);
        EXPECT_EQ(summary(menu.get(), &target),
                  (QStringList{u"Export   100000 "_s, u"Speech   100000 "_s}));
        const QList<QAction *> groups = Menu::itemArray(menu.get());
        ASSERT_EQ(groups.size(), 2);
        EXPECT_EQ(summary(MenuItem::submenu(groups[1]), &target), c.speech);
        EXPECT_EQ(summary(MenuItem::submenu(groups[0]), &target), QStringList{c.aiff});
    }

    auto menu = menuWith({u"Old"_s});
    Operations::setItemsFromDictionary(menu.get(), {{u"Empty"_s, QVariantList()}}, &target);
    ASSERT_EQ(titles(menu.get()), QStringList{u"Empty"_s});
    EXPECT_EQ(Menu::numberOfItems(MenuItem::submenu(Menu::itemArray(menu.get())[0])), 0);
    Operations::setItemsFromDictionary(menu.get(), {}, nullptr);
    Operations::setItemsFromArray(menu.get(), {}, nullptr);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
}

TEST(MenuOperations, NestedArraysTestChildrenBeforeSeparators)
{
    QObject target;
    auto menu = menuWith({u"Old"_s});
    Operations::setItemsFromArray(menu.get(), {}, &target);
    Operations::addItemsFromNestedArray(
        menu.get(),
        {QVariantMap{{u"title"_s, u"Speech"_s},
                     {u"selector"_s, u"doIgnored:"_s},
                     {u"children"_s, groupTable().value(u"Speech"_s)}},
         QVariantMap{{u"title"_s, u"--"_s}, {u"children"_s, QVariantList()}}, description(u"--"_s),
         description(u"Voice"_s, {}, u"^+v"_s, u"en"_s)},
        &target);
    EXPECT_EQ(summary(menu.get(), &target),
              (QStringList{u"Speech   100000 "_s, u"--   100000 "_s, u"<separator>"_s,
                           u"Voice  v 40000 en*"_s}));
    const QList<QAction *> items = Menu::itemArray(menu.get());
    EXPECT_EQ(summary(MenuItem::submenu(items[0]), &target),
              (QStringList{u"Play doPlay:  0 *"_s, u"<separator>"_s}));
    ASSERT_NE(MenuItem::submenu(items[1]), nullptr) << "children is tested before --";
}

TEST(MenuOperations, ItemWithPathFollowsTheFirstOfEqualTitlesAndNeverCreates)
{
    auto menu = menuWith({});
    const QVariantMap exportGroup{{u"title"_s, u"Export"_s},
                                  {u"children"_s, QVariantList{description(u"Speech"_s)}}};
    const QVariantMap emptyExport{{u"title"_s, u"Export"_s}, {u"children"_s, QVariantList()}};
    Operations::addItemsFromNestedArray(
        menu.get(),
        {QVariantMap{{u"title"_s, u"File"_s}, {u"children"_s, QVariantList{exportGroup}}},
         QVariantMap{{u"title"_s, u"File"_s}, {u"children"_s, QVariantList{emptyExport}}}},
        nullptr);
    QAction *found = Operations::itemWithPath(menu.get(), u"File/Export/Speech"_s);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(), u"Speech"_s);
    EXPECT_EQ(MenuItem::parentItem(MenuItem::parentItem(found)),
              Menu::itemArray(menu.get()).first());
    for (const QString &missing :
         {u"File/Nothing"_s, u"Nothing/Export"_s, u"File/Export/Speech/More"_s, QString()})
        EXPECT_EQ(Operations::itemWithPath(menu.get(), missing), nullptr) << missing.toStdString();
    EXPECT_EQ(Operations::itemWithPath(nullptr, u"File"_s), nullptr);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 2) << "never creates items";
}
