#include "menus/MenuOperations.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using TestSupport::titles;

namespace {

// One line per item: title, action, key, mask, represented object, and "*" when
// its target is `target`; a separator as "--".
QStringList summary(const QMenu *menu, const QObject *target)
{
    QStringList result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items) {
        if (item->isSeparator()) {
            result << u"--"_s;
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

} // namespace

// The same descriptions read by each builder's own rules: which ones take "--"
// for a separator, which carry represented objects, how groups are ordered.
TEST(MenuOperations, BuildersReadDescriptionsByTheirOwnRules)
{
    QObject target;
    QObject *const to = &target;
    const QVariantList flat{description(u"Open"_s, u"doOpen:"_s, u"@+o"_s, u"file"_s),
                            description(u"--"_s), description(u"New"_s, u"doNew:"_s, u"p"_s)};
    // Sorted without regard to case: "export" before "Speech".
    const QVariantMap groups{
        {u"Speech"_s, QVariantList()},
        {u"export"_s, QVariantList{description(u"AIFF"_s, u"doExport:"_s, {}, u"aiff"_s),
                                   description(u"--"_s)}}};
    const QVariantList nested{QVariantMap{{u"title"_s, u"--"_s}, {u"children"_s, flat.mid(0, 1)}},
                              description(u"--"_s), description(u"Voice"_s, {}, u"^+v"_s, u"en"_s)};
    using Build = std::function<void(QMenu *)>;
    const struct
    {
        const char *name;
        Build build;
        QStringList top;
        QStringList firstSubmenu = {};
    } cases[] = {
        {"array",
         [&](QMenu *m) { Operations::addItemsFromArray(m, flat, to); },
         {u"Open doOpen: o 100000 *"_s, u"--"_s, u"New doNew: p 0 *"_s}},
        {"object array",
         [&](QMenu *m) { Operations::addObjectItemsFromArray(m, flat, to); },
         {u"Open doOpen: o 100000 file*"_s, u"--   0 *"_s, u"New doNew: p 0 *"_s}},
        {"nested: children before separators",
         [&](QMenu *m) { Operations::addItemsFromNestedArray(m, nested, to); },
         {u"--   100000 "_s, u"--"_s, u"Voice  v 40000 en*"_s},
         {u"Open doOpen: o 100000 file*"_s}},
        {"titles: short lists count as absent",
         [&](QMenu *m) {
             Operations::addItemsWithTitles(m, {u"A"_s, u"B"_s}, {u"doA:"_s}, {u"@+."_s}, to);
         },
         {u"A doA: . 100000 *"_s, u"B   0 *"_s}},
        {"single items take -- as a title",
         [&](QMenu *m) { Operations::addItemWithTitle(m, u"--"_s, u"doX:"_s, u"$^+x"_s, to); },
         {u"-- doX: x 60000 *"_s}},
        {"groups",
         [&](QMenu *m) { Operations::addItemsFromDictionary(m, groups, to); },
         {u"export   100000 "_s, u"Speech   100000 "_s},
         {u"AIFF doExport:  0 *"_s, u"--   0 *"_s}},
        {"object groups",
         [&](QMenu *m) { Operations::addObjectItemsFromDictionary(m, groups, to); },
         {u"export   100000 "_s, u"Speech   100000 "_s},
         {u"AIFF doExport:  0 aiff*"_s, u"--"_s}},
        {"represented groups",
         [&](QMenu *m) { Operations::addRepresentedItemsFromDictionary(m, groups, to); },
         {u"export   100000 "_s, u"Speech   100000 "_s},
         {u"AIFF doExport:  0 aiff*"_s, u"--   0 *"_s}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto menu = menuWith({});
        c.build(menu.get());
        EXPECT_EQ(summary(menu.get(), to), c.top);
        if (!c.firstSubmenu.isEmpty()) {
            EXPECT_EQ(summary(MenuItem::submenu(Menu::itemArray(menu.get()).first()), to),
                      c.firstSubmenu);
        }
    }
}

// Moving items and trimming are the voice menu's, seen at launch; copies are
// independent, and a menu set from itself ends empty rather than looping.
TEST(MenuOperations, CopiesAreIndependentAndAMenuSetFromItselfEndsEmpty)
{
    QObject target;
    auto menu = menuWith({u"Existing"_s, u"Extra"_s});
    Operations::removeAllItemsExceptForFirst(menu.get(), -1);
    Operations::addItemsFromMenuItems(menu.get(), {MenuItem::create(u"Kate"_s, {}, {})}, &target);
    auto copy = menuWith({u"Z"_s});
    Operations::addItemsFromMenu(copy.get(), menu.get());
    EXPECT_EQ(titles(copy.get()), (QStringList{u"Z"_s, u"Existing"_s, u"Extra"_s, u"Kate"_s}));
    EXPECT_EQ(MenuItem::target(Menu::itemArray(copy.get())[3]), &target);
    Menu::itemArray(copy.get())[1]->setText(u"Renamed"_s);
    EXPECT_EQ(titles(menu.get()).first(), u"Existing"_s);

    Operations::setItemsFromMenu(copy.get(), copy.get());
    EXPECT_EQ(Menu::numberOfItems(copy.get()), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
