#include "menus/MenuOperations.h"
#include "platform/Menu.h"
#include "platform/MenuItem.h"

#include <QAction>
#include <QActionEvent>
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
        result << (item->isSeparator() ? u"<separator>"_s : item->text());
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
                        const QString &equivalent = {})
{
    QVariantMap result{{u"title"_s, title}};
    if (!selector.isNull())
        result.insert(u"selector"_s, selector);
    if (!equivalent.isNull())
        result.insert(u"equivalent"_s, equivalent);
    return result;
}

const QVariantList openSeparatorNew{description(u"Open"_s, u"doOpen:"_s, u"@+o"_s),
                                    description(u"--"_s),
                                    description(u"New"_s, u"doNew:"_s, u"@+n"_s)};

QVariantList speechChildren()
{
    return {description(u"Play"_s, u"doPlay:"_s), description(u"--"_s),
            description(u"Stop"_s, u"doStop:"_s)};
}

QVariantMap groupTable()
{
    return {{u"Speech"_s, speechChildren()},
            {u"Export"_s, QVariantList{QVariantMap{{u"title"_s, u"AIFF"_s},
                                                   {u"selector"_s, u"doExport:"_s},
                                                   {u"object"_s, u"aiff"_s}}}}};
}

// Records the items that leave a menu, in order.
class RemovalWatcher : public QObject
{
public:
    explicit RemovalWatcher(QMenu *menu)
        : m_menu(menu)
    {
        m_menu->installEventFilter(this);
    }
    ~RemovalWatcher() override { m_menu->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ActionRemoved)
            removed << static_cast<QActionEvent *>(event)->action();
        return QObject::eventFilter(watched, event);
    }

    QList<QAction *> removed;

private:
    QMenu *m_menu;
};

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// Population basics

TEST(MenuOperations, TrimmingRemovesFromTheLastItemDown)
{
    auto menu = menuWith({u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s});
    const QList<QAction *> before = Menu::itemArray(menu.get());
    RemovalWatcher watcher(menu.get());
    Operations::removeAllItemsExceptForFirst(menu.get(), 2);
    const QList<QAction *> removedOrder = watcher.removed;
    EXPECT_EQ(titles(menu.get()), (QStringList{u"0"_s, u"1"_s}));
    EXPECT_EQ(removedOrder, (QList<QAction *>{before[4], before[3], before[2]}));
    EXPECT_EQ(Menu::itemArray(menu.get()), before.mid(0, 2)) << "kept items are the same items";
}

TEST(MenuOperations, TrimmingCountsAtAndBeyondTheEdges)
{
    auto menu = menuWith({u"A"_s, u"B"_s, u"C"_s});
    Operations::removeAllItemsExceptForFirst(menu.get(), 3);
    Operations::removeAllItemsExceptForFirst(menu.get(), 10);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 3);
    Operations::removeAllItemsExceptForFirst(menu.get(), -1);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 3) << "a negative count changes nothing";
    Operations::removeAllItemsExceptForFirst(menu.get(), 0);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
    Operations::removeAllItemsExceptForFirst(menu.get(), 0);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
    Operations::removeAllItemsExceptForFirst(nullptr, 0);
}

TEST(MenuOperations, AddItemsFromMenuItemsAppendsTheItemsThemselvesWithTheTarget)
{
    QObject target;
    QObject previousTarget;
    auto menu = menuWith({u"Existing"_s});
    QList<QAction *> fresh;
    for (const QString &title : {u"Alex"_s, u"Fiona"_s, u"Kate"_s}) {
        fresh << MenuItem::create(title, u"activeVoiceChanged:"_s, {});
        MenuItem::setTarget(fresh.last(), &previousTarget);
        MenuItem::setRepresentedObject(fresh.last(), title.toLower());
    }
    Operations::addItemsFromMenuItems(menu.get(), fresh, &target);
    const QList<QAction *> items = Menu::itemArray(menu.get());
    EXPECT_EQ(items.mid(1), fresh);
    for (QAction *item : fresh) {
        EXPECT_EQ(MenuItem::target(item), &target);
        EXPECT_EQ(MenuItem::action(item), u"activeVoiceChanged:"_s);
        EXPECT_EQ(item->parent(), menu.get());
    }
    EXPECT_EQ(MenuItem::representedObject(fresh[1]), QVariant(u"fiona"_s));

    Operations::addItemsFromMenuItems(menu.get(), {}, &target);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 4);
    Operations::addItemsFromMenuItems(menu.get(), {fresh[0]}, nullptr);
    EXPECT_EQ(MenuItem::target(fresh[0]), nullptr) << "an absent target clears it";
}

TEST(MenuOperations, AddItemsFromMenuAppendsIndependentCopies)
{
    QObject target;
    auto source = menuWith({u"A"_s, u"B"_s});
    MenuItem::setTarget(Menu::itemArray(source.get())[0], &target);
    auto menu = menuWith({u"Z"_s});
    Operations::addItemsFromMenu(menu.get(), source.get());
    EXPECT_EQ(titles(source.get()), (QStringList{u"A"_s, u"B"_s}));
    EXPECT_EQ(titles(menu.get()), (QStringList{u"Z"_s, u"A"_s, u"B"_s}));
    QAction *copyOfA = Menu::itemArray(menu.get())[1];
    EXPECT_NE(copyOfA, Menu::itemArray(source.get())[0]);
    EXPECT_EQ(MenuItem::target(copyOfA), &target);
    copyOfA->setText(u"Renamed"_s);
    EXPECT_EQ(titles(source.get()), (QStringList{u"A"_s, u"B"_s}));

    Operations::addItemsFromMenu(menu.get(), nullptr);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 3);
}

TEST(MenuOperations, SetItemsFromMenuReplacesEverything)
{
    auto source = menuWith({u"A"_s, u"B"_s});
    auto menu = menuWith({u"X"_s, u"Y"_s, u"Z"_s});
    Operations::setItemsFromMenu(menu.get(), source.get());
    EXPECT_EQ(titles(menu.get()), (QStringList{u"A"_s, u"B"_s}));

    Operations::setItemsFromMenu(menu.get(), menu.get());
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0) << "set from itself ends empty";
    processDeferredDeletes();

    auto other = menuWith({u"Q"_s});
    Operations::setItemsFromMenu(other.get(), nullptr);
    EXPECT_EQ(Menu::numberOfItems(other.get()), 0);
}

TEST(MenuOperations, AddSeparatorAppendsADistinctSeparatorEachTime)
{
    auto menu = menuWith({u"A"_s});
    Operations::addSeparator(menu.get());
    Operations::addSeparator(menu.get());
    const QList<QAction *> items = Menu::itemArray(menu.get());
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_NE(items[1], items[2]);
}

// Building from descriptions

TEST(MenuOperations, AddItemsFromArrayDecodesShortcutsAndMakesSeparators)
{
    QObject target;
    auto menu = menuWith({});
    Operations::addItemsFromArray(menu.get(), openSeparatorNew, &target);
    const QList<QAction *> items = Menu::itemArray(menu.get());
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), u"Open"_s);
    EXPECT_EQ(MenuItem::action(items[0]), u"doOpen:"_s);
    EXPECT_EQ(MenuItem::keyEquivalent(items[0]), u"o"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[0]), 0x100000u);
    EXPECT_EQ(MenuItem::target(items[0]), &target);
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(MenuItem::target(items[1]), nullptr);
    EXPECT_EQ(MenuItem::keyEquivalent(items[2]), u"n"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[2]), 0x100000u);

    // No represented objects from this builder.
    auto plain = menuWith({});
    Operations::addItemsFromArray(plain.get(),
                                  {QVariantMap{{u"title"_s, u"A"_s}, {u"object"_s, 5}}}, &target);
    EXPECT_FALSE(MenuItem::representedObject(Menu::itemArray(plain.get())[0]).isValid());
}

TEST(MenuOperations, AddObjectItemsFromArrayHasNoSeparatorCase)
{
    QObject target;
    auto menu = menuWith({});
    QVariantList descriptions = openSeparatorNew;
    QVariantMap withObject = descriptions[0].toMap();
    withObject.insert(u"object"_s, QVariantMap{{u"path"_s, u"/tmp"_s}});
    descriptions[0] = withObject;
    Operations::addObjectItemsFromArray(menu.get(), descriptions, &target);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"Open"_s, u"--"_s, u"New"_s}));
    const QList<QAction *> items = Menu::itemArray(menu.get());
    EXPECT_EQ(MenuItem::representedObject(items[0]).toMap().value(u"path"_s), u"/tmp"_s);
    EXPECT_EQ(MenuItem::target(items[1]), &target);
    EXPECT_FALSE(MenuItem::representedObject(items[2]).isValid());
}

TEST(MenuOperations, AbsentEntriesGiveNoActionNoKeyAndMaskZero)
{
    auto menu = menuWith({});
    Operations::addItemsFromArray(menu.get(),
                                  {description(u"Print"_s, u"doPrint:"_s, u"p"_s),
                                   description(u"Plain"_s, u"doPlain:"_s), description(u"Inert"_s)},
                                  nullptr);
    const QList<QAction *> items = Menu::itemArray(menu.get());
    EXPECT_EQ(MenuItem::keyEquivalent(items[0]), u"p"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[0]), 0u);
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(Qt::Key_P));
    EXPECT_EQ(MenuItem::keyEquivalent(items[1]), u""_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[1]), 0u);
    EXPECT_TRUE(items[1]->shortcut().isEmpty());
    EXPECT_TRUE(MenuItem::action(items[2]).isEmpty());
}

TEST(MenuOperations, SingleItemFormsDoNotRecogniseSeparators)
{
    QObject target;
    auto menu = menuWith({});
    Operations::addItemWithTitle(menu.get(), u"--"_s, u"doX:"_s, u"$^+x"_s, &target);
    Operations::addItemWithTitle(menu.get(), u"Voice"_s, u"doVoice:"_s, QString(), u"id"_s,
                                 &target);
    const QList<QAction *> items = Menu::itemArray(menu.get());
    ASSERT_EQ(items.size(), 2);
    EXPECT_FALSE(items[0]->isSeparator());
    EXPECT_EQ(items[0]->text(), u"--"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[0]), 0x60000u);
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(Qt::SHIFT | Qt::META | Qt::Key_X));
    EXPECT_EQ(MenuItem::representedObject(items[1]), QVariant(u"id"_s));
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[1]), 0u);
    EXPECT_EQ(MenuItem::target(items[1]), &target);
}

TEST(MenuOperations, ParallelArraysFollowTheTitles)
{
    QObject target;
    auto menu = menuWith({});
    Operations::addItemsWithTitles(menu.get(), {u"Play"_s, u"Stop"_s}, {u"doPlay:"_s, u"doStop:"_s},
                                   {u"@+p"_s, u"@+."_s, u"@+x"_s}, &target);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"Play"_s, u"Stop"_s}));
    EXPECT_EQ(MenuItem::keyEquivalent(Menu::itemArray(menu.get())[1]), u"."_s);
    EXPECT_EQ(MenuItem::action(Menu::itemArray(menu.get())[1]), u"doStop:"_s);

    // Short action and shortcut lists count as absent entries, not as a fault.
    Operations::setItemsWithTitles(menu.get(), {u"A"_s, u"B"_s}, {u"doA:"_s}, {}, &target);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"A"_s, u"B"_s}));
    EXPECT_TRUE(MenuItem::action(Menu::itemArray(menu.get())[1]).isEmpty());
    Operations::setItemsWithTitles(menu.get(), {}, {}, {}, &target);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
}

TEST(MenuOperations, AddMenuItemsFromArrayChangesNothingAboutTheItems)
{
    QObject target;
    auto menu = menuWith({});
    QAction *item = MenuItem::create(u"Ready"_s, u"doReady:"_s, u"r"_s);
    MenuItem::setTarget(item, &target);
    Operations::addMenuItemsFromArray(menu.get(), {item, MenuItem::separatorItem()});
    EXPECT_EQ(Menu::itemArray(menu.get()).first(), item);
    EXPECT_EQ(MenuItem::target(item), &target);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(item), MenuItem::defaultModifierMask);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 2);
}

TEST(MenuOperations, GroupTablesAreBuiltInSortedOrder)
{
    QObject target;
    auto menu = menuWith({});
    Operations::addItemsFromDictionary(menu.get(), groupTable(), &target);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"Export"_s, u"Speech"_s}));
    for (QAction *group : Menu::itemArray(menu.get())) {
        QMenu *submenu = MenuItem::submenu(group);
        ASSERT_NE(submenu, nullptr);
        EXPECT_EQ(submenu->title(), group->text());
        EXPECT_EQ(MenuItem::target(group), nullptr);
        EXPECT_TRUE(MenuItem::action(group).isEmpty());
        EXPECT_EQ(MenuItem::keyEquivalent(group), u""_s);
    }
    QMenu *speech = MenuItem::submenu(Menu::itemArray(menu.get())[1]);
    EXPECT_EQ(titles(speech), (QStringList{u"Play"_s, u"--"_s, u"Stop"_s}));
    EXPECT_EQ(MenuItem::target(Menu::itemArray(speech)[0]), &target);
    QAction *aiff = Operations::itemWithPath(menu.get(), u"Export/AIFF"_s);
    ASSERT_NE(aiff, nullptr);
    EXPECT_FALSE(MenuItem::representedObject(aiff).isValid());
    EXPECT_EQ(MenuItem::parentItem(aiff), Menu::itemArray(menu.get())[0]);
}

TEST(MenuOperations, GroupTableSeparatorsAndObjectsPerBuilder)
{
    QObject target;
    auto objects = menuWith({});
    Operations::addObjectItemsFromDictionary(objects.get(), groupTable(), &target);
    EXPECT_EQ(titles(MenuItem::submenu(Menu::itemArray(objects.get())[1])),
              (QStringList{u"Play"_s, u"<separator>"_s, u"Stop"_s}));
    EXPECT_EQ(
        MenuItem::representedObject(Operations::itemWithPath(objects.get(), u"Export/AIFF"_s)),
        QVariant(u"aiff"_s));

    auto represented = menuWith({});
    Operations::addRepresentedItemsFromDictionary(represented.get(), groupTable(), &target);
    EXPECT_EQ(titles(MenuItem::submenu(Menu::itemArray(represented.get())[1])),
              (QStringList{u"Play"_s, u"--"_s, u"Stop"_s}));
    EXPECT_EQ(
        MenuItem::representedObject(Operations::itemWithPath(represented.get(), u"Export/AIFF"_s)),
        QVariant(u"aiff"_s));

    auto empty = menuWith({});
    Operations::addItemsFromDictionary(empty.get(), {{u"Empty"_s, QVariantList()}}, &target);
    ASSERT_EQ(titles(empty.get()), QStringList{u"Empty"_s});
    EXPECT_EQ(Menu::numberOfItems(MenuItem::submenu(Menu::itemArray(empty.get())[0])), 0);
}

TEST(MenuOperations, NestedArraysBuildSubmenusAtAnyDepth)
{
    QObject target;
    auto menu = menuWith({});
    Operations::addItemsFromNestedArray(
        menu.get(),
        {QVariantMap{{u"title"_s, u"Speech"_s},
                     {u"selector"_s, u"doIgnored:"_s},
                     {u"children"_s, speechChildren()}},
         QVariantMap{{u"title"_s, u"--"_s}, {u"children"_s, QVariantList()}},
         QVariantMap{{u"title"_s, u"--"_s}},
         QVariantMap{
             {u"title"_s, u"Voice"_s}, {u"object"_s, u"en"_s}, {u"equivalent"_s, u"^+v"_s}}},
        &target);
    EXPECT_EQ(titles(menu.get()),
              (QStringList{u"Speech"_s, u"--"_s, u"<separator>"_s, u"Voice"_s}));
    const QList<QAction *> items = Menu::itemArray(menu.get());
    EXPECT_TRUE(MenuItem::action(items[0]).isEmpty()) << "a group item takes no selector";
    QMenu *speech = MenuItem::submenu(items[0]);
    EXPECT_EQ(titles(speech), (QStringList{u"Play"_s, u"<separator>"_s, u"Stop"_s}));
    EXPECT_EQ(MenuItem::target(Menu::itemArray(speech)[0]), &target);
    EXPECT_EQ(MenuItem::target(Menu::itemArray(speech)[2]), &target);
    EXPECT_EQ(MenuItem::action(Menu::itemArray(speech)[2]), u"doStop:"_s);
    ASSERT_NE(MenuItem::submenu(items[1]), nullptr) << "children is tested before --";
    EXPECT_EQ(Menu::numberOfItems(MenuItem::submenu(items[1])), 0);
    EXPECT_EQ(MenuItem::representedObject(items[3]), QVariant(u"en"_s));
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(items[3]), 0x40000u);
}

TEST(MenuOperations, SetOperationsEmptyTheMenuFirst)
{
    auto menu = menuWith({u"Old"_s});
    Operations::setItemsFromArray(menu.get(), openSeparatorNew, nullptr);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"Open"_s, u"<separator>"_s, u"New"_s}));
    Operations::setItemsFromArray(menu.get(), {}, nullptr);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);

    Menu::addItem(menu.get(), MenuItem::create(u"Old"_s, {}, {}));
    Operations::setItemsFromDictionary(menu.get(), groupTable(), nullptr);
    EXPECT_EQ(titles(menu.get()), (QStringList{u"Export"_s, u"Speech"_s}));
    Operations::setItemsFromDictionary(menu.get(), {}, nullptr);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 0);
}

TEST(MenuOperations, ItemWithPathWalksSubmenus)
{
    auto menu = menuWith({});
    Operations::addItemsFromNestedArray(
        menu.get(), {QVariantMap{{u"title"_s, u"Speech"_s}, {u"children"_s, speechChildren()}}},
        nullptr);
    QAction *speech = Operations::itemWithPath(menu.get(), u"Speech"_s);
    ASSERT_NE(speech, nullptr);
    EXPECT_EQ(Operations::itemWithPath(menu.get(), u"Speech/Stop"_s),
              Menu::itemArray(MenuItem::submenu(speech))[2]);
    EXPECT_EQ(Operations::itemWithPath(menu.get(), u"Speech/Nothing"_s), nullptr);
    EXPECT_EQ(Operations::itemWithPath(menu.get(), u"Nothing/Stop"_s), nullptr);
    EXPECT_EQ(Operations::itemWithPath(menu.get(), u"Speech/Stop/Play"_s), nullptr)
        << "Stop has no submenu";
    EXPECT_EQ(Operations::itemWithPath(menu.get(), QString()), nullptr);
    EXPECT_EQ(Operations::itemWithPath(nullptr, u"Speech"_s), nullptr);
    EXPECT_EQ(Menu::numberOfItems(menu.get()), 1) << "never creates items";
}

TEST(MenuOperations, ItemWithPathThroughThreeLevelsFollowsTheFirstOfEqualTitles)
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
}
