#include "menus/MenuItemOperations.h"
#include "menus/MenuOperations.h"
#include "platform/Menu.h"
#include "platform/MenuItem.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Decoded
{
    QString key;
    quint64 mask;
    bool operator==(const Decoded &) const = default;
};

void PrintTo(const Decoded &decoded, std::ostream *os)
{
    *os << '"' << decoded.key.toStdString() << "\" 0x" << std::hex << decoded.mask;
}

Decoded decode(const QString &shortcut)
{
    const QVariantMap record = Operations::decodeKeyShortcutForMenuItem(shortcut);
    EXPECT_EQ(record.size(), 2);
    return {record.value(u"keyEquivalent"_s).toString(),
            record.value(u"keyModifier"_s).toULongLong()};
}

QList<int> states(const QMenu *menu)
{
    QList<int> result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items)
        result << MenuItem::state(item);
    return result;
}

} // namespace

TEST(Operations, DecodesShortcuts)
{
    const struct
    {
        QString shortcut;
        Decoded expected;
    } cases[] = {
        {u"@~+S"_s, {u"s"_s, 0x180000}},
        {u"$^+x"_s, {u"x"_s, 0x60000}},
        {u"$^~@+k"_s, {u"k"_s, 0x1E0000}},
        {u"S"_s, {u"s"_s, 0}},            // upper case adds no Shift
        {u"@x@+s"_s, {u"s"_s, 0x100000}}, // other characters and repeats add nothing
        {u"@+\u00C9"_s, {u"\u00E9"_s, 0x100000}},
        {u""_s, {u""_s, 0}},
        {u"@+~+s"_s, {u"s"_s, 0x100000}}, // middle parts are ignored
        {u"+s"_s, {u"s"_s, 0}},
        {u"+"_s, {u""_s, 0}},
        {u"@++"_s, {u""_s, 0x100000}},
        // U+0124, U+015E, U+017E and U+0140 share their low byte with $ ^ ~ @.
        {u"\u0124\u015E\u017E\u0140+s"_s, {u"s"_s, 0}},
        {u"\u0124$+s"_s, {u"s"_s, 0x20000}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decode(c.shortcut), c.expected) << c.shortcut.toStdString();

    const QVariantMap absent = Operations::decodeKeyShortcut(nullptr, QString());
    EXPECT_EQ(absent.value(u"keyEquivalent"_s), QVariant(u""_s));
    EXPECT_EQ(absent.value(u"keyModifier"_s).toULongLong(), 0u);
    EXPECT_EQ(Operations::decodeKeyShortcut(nullptr, u"$^~@+k"_s),
              Operations::decodeKeyShortcutForMenuItem(u"$^~@+k"_s));
}

TEST(Operations, FactoriesKeepOrDecodeTheKeyEquivalent)
{
    QObject target;
    std::unique_ptr<QAction> literal(
        Operations::itemWithTitle(u"Save"_s, u"doSave:"_s, u"@+s"_s, &target));
    EXPECT_EQ(MenuItem::keyEquivalent(literal.get()), u"@+s"_s) << "kept as given";
    EXPECT_EQ(MenuItem::target(literal.get()), &target);
    std::unique_ptr<QAction> plain(
        Operations::itemWithTitle(u"Save"_s, u"doSave:"_s, u"s"_s, &target));
    EXPECT_EQ(plain->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S)) << "the default mask";

    std::unique_ptr<QAction> separator(
        Operations::itemWithTitleAndObject(u"--"_s, u"doOpen:"_s, 7, u"@+o"_s, &target));
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(MenuItem::target(separator.get()), nullptr);

    std::unique_ptr<QAction> open(
        Operations::itemWithTitleAndObject(u"Open"_s, u"doOpen:"_s, u"file"_s, u"@+o"_s, &target));
    EXPECT_EQ(MenuItem::keyEquivalent(open.get()), u"o"_s);
    EXPECT_EQ(MenuItem::representedObject(open.get()), QVariant(u"file"_s));
    EXPECT_EQ(MenuItem::target(open.get()), &target);
    EXPECT_EQ(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));

    std::unique_ptr<QAction> letter(
        Operations::itemWithTitleAndObject(u"P"_s, {}, {}, u"p"_s, nullptr));
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(letter.get()), 0u) << "the default mask is gone";
    EXPECT_EQ(letter->shortcut(), QKeySequence(Qt::Key_P));
}

TEST(Operations, ToggleAlternatesTitlesCaseSensitively)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Play"_s, {}, {}));
    // Title before, then the title after toggling: anything but "Play" turns to "Play".
    for (const auto &[before, after] : {std::pair{u"Play"_s, u"Pause"_s},
                                        {u"Pause"_s, u"Play"_s},
                                        {u"Stop"_s, u"Play"_s},
                                        {u"play"_s, u"Play"_s}}) {
        item->setText(before);
        Operations::toggle(item.get(), u"Play"_s, u"Pause"_s);
        EXPECT_EQ(item->text(), after) << before.toStdString();
    }
    // An explicit choice does not read the current title.
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s, false);
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s, false);
    EXPECT_EQ(item->text(), u"Pause"_s);
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s, true);
    EXPECT_EQ(item->text(), u"Play"_s);
    Operations::toggle(nullptr, u"Play"_s, u"Pause"_s);
}

TEST(Operations, RadioTogglingInAMenuAndInTheHoldingSubmenu)
{
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    Operations::addItemsFromNestedArray(
        top.get(),
        {QVariantMap{{u"title"_s, u"Voice"_s},
                     {u"children"_s, QVariantList{QVariantMap{{u"title"_s, u"Alex"_s}},
                                                  QVariantMap{{u"title"_s, u"Fiona"_s}},
                                                  QVariantMap{{u"title"_s, u"Kate"_s}},
                                                  QVariantMap{{u"title"_s, u"--"_s}}}}},
         QVariantMap{{u"title"_s, u"Other"_s}}},
        nullptr);
    QAction *voice = Operations::itemWithPath(top.get(), u"Voice"_s);
    QAction *other = Operations::itemWithPath(top.get(), u"Other"_s);
    QMenu *voices = MenuItem::submenu(voice);
    const QList<QAction *> items = Menu::itemArray(voices);
    MenuItem::setState(items[0], 1);
    MenuItem::setState(items[2], 1);

    Operations::toggleInMenu(items[1], voices);
    EXPECT_EQ(states(voices), (QList<int>{0, 1, 0, 0}));
    std::unique_ptr<QAction> outsider(MenuItem::create(u"Outsider"_s, {}, {}));
    Operations::toggleInMenu(outsider.get(), voices);
    EXPECT_EQ(states(voices), (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(MenuItem::state(outsider.get()), 1);
    Operations::toggleInMenu(items[0], nullptr);
    EXPECT_EQ(states(voices), (QList<int>{1, 0, 0, 0}));

    // In a parent item's submenu: the parent and its siblings are left alone.
    MenuItem::setState(voice, 1);
    MenuItem::setState(other, 1);
    Operations::toggleInParent(Operations::itemWithPath(top.get(), u"Voice/Kate"_s));
    EXPECT_EQ(states(voices), (QList<int>{0, 0, 1, 0}));
    EXPECT_EQ(states(top.get()), (QList<int>{1, 1}));
    // An item that is not inside a submenu: only the item itself turns on.
    MenuItem::setState(other, 0);
    Operations::toggleInParent(other);
    EXPECT_EQ(states(top.get()), (QList<int>{1, 1}));
}
