#include "menus/MenuItemOperations.h"
#include "menus/MenuOperations.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QList<int> states(const QMenu *menu)
{
    QList<int> result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items)
        result << MenuItem::state(item);
    return result;
}

} // namespace

// The decoded key and mask, and the shortcut of an item made from the string.
// Invariants over any string (lower case, modifiers only, the last part) are
// the shortcut fuzz target's.
TEST(Operations, ShortcutStringsBecomeKeyMaskAndQtShortcut)
{
    const struct
    {
        QString shortcut;
        QString key;
        quint64 mask;
        QKeySequence qt;
    } cases[] = {
        {u"@~+S"_s, u"s"_s, 0x180000, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S)},
        {u"$^+x"_s, u"x"_s, 0x60000, QKeySequence(Qt::SHIFT | Qt::META | Qt::Key_X)},
        {u"S"_s, u"s"_s, 0, QKeySequence(Qt::Key_S)}, // upper case adds no Shift
        {u"@x@+s"_s, u"s"_s, 0x100000, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {u"@+~+s"_s, u"s"_s, 0x100000, QKeySequence(Qt::CTRL | Qt::Key_S)}, // middle ignored
        {u"@+\u00C9"_s, u"\u00E9"_s, 0x100000, QKeySequence(Qt::CTRL | Qt::Key_Eacute)},
        {u"+"_s, u""_s, 0, QKeySequence()},
        {u"@++"_s, u""_s, 0x100000, QKeySequence()},
        {u"+\uF708"_s, u"\uF708"_s, 0, QKeySequence(Qt::Key_F5)},
        // U+0124, U+015E, U+017E and U+0140 share their low byte with $ ^ ~ @.
        {u"\u0124\u015E\u017E\u0140+s"_s, u"s"_s, 0, QKeySequence(Qt::Key_S)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shortcut.toStdString());
        const QVariantMap decoded = Operations::decodeKeyShortcutForMenuItem(c.shortcut);
        EXPECT_EQ(decoded.value(u"keyEquivalent"_s).toString(), c.key);
        EXPECT_EQ(decoded.value(u"keyModifier"_s).toULongLong(), c.mask);
        std::unique_ptr<QAction> item(
            Operations::itemWithTitleAndObject(u"I"_s, u"doI:"_s, {}, c.shortcut, nullptr));
        EXPECT_EQ(item->shortcut(), c.qt);
    }
    EXPECT_EQ(Operations::decodeKeyShortcut(nullptr, QString()).value(u"keyEquivalent"_s),
              QVariant(u""_s));

    // The plain factory keeps the key equivalent as given, with the default mask.
    std::unique_ptr<QAction> literal(Operations::itemWithTitle(u"S"_s, {}, u"@+s"_s, nullptr));
    EXPECT_EQ(MenuItem::keyEquivalent(literal.get()), u"@+s"_s);
    EXPECT_TRUE(literal->shortcut().isEmpty());
    std::unique_ptr<QAction> separator(
        Operations::itemWithTitleAndObject(u"--"_s, u"doOpen:"_s, 7, u"@+o"_s, nullptr));
    EXPECT_TRUE(separator->isSeparator());
}

// Radio choices: turning one item on turns the others of its menu off, and
// leaves the item that holds the submenu alone.
TEST(Operations, RadioTogglingInAMenuAndInTheHoldingSubmenu)
{
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    Operations::addItemsFromNestedArray(
        top.get(),
        {QVariantMap{{u"title"_s, u"Voice"_s},
                     {u"children"_s, QVariantList{QVariantMap{{u"title"_s, u"Alex"_s}},
                                                  QVariantMap{{u"title"_s, u"Kate"_s}},
                                                  QVariantMap{{u"title"_s, u"--"_s}}}}},
         QVariantMap{{u"title"_s, u"Other"_s}}},
        nullptr);
    QAction *voice = Operations::itemWithPath(top.get(), u"Voice"_s);
    QMenu *voices = MenuItem::submenu(voice);
    MenuItem::setState(Menu::itemArray(voices)[0], 1);
    MenuItem::setState(voice, 1);
    Operations::toggleInParent(Operations::itemWithPath(top.get(), u"Voice/Kate"_s));
    EXPECT_EQ(states(voices), (QList<int>{0, 1, 0}));
    EXPECT_EQ(states(top.get()), (QList<int>{1, 0})) << "the parent item is left alone";

    std::unique_ptr<QAction> outsider(MenuItem::create(u"Outsider"_s, {}, {}));
    Operations::toggleInMenu(outsider.get(), voices);
    EXPECT_EQ(states(voices), (QList<int>{0, 0, 0}));
    EXPECT_EQ(MenuItem::state(outsider.get()), 1);
    Operations::toggleInMenu(nullptr, nullptr);
}
