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

QStringList titles(const QMenu *menu)
{
    QStringList result;
    const QList<QAction *> items = Menu::itemArray(menu);
    for (const QAction *item : items)
        result << item->text();
    return result;
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

TEST(Operations, DecodesModifiersAndLowerCasesTheKey)
{
    EXPECT_EQ(decode(u"@+s"_s), (Decoded{u"s"_s, 0x100000}));
    EXPECT_EQ(decode(u"@~+S"_s), (Decoded{u"s"_s, 0x180000}));
    EXPECT_EQ(decode(u"$^+x"_s), (Decoded{u"x"_s, 0x60000}));
    EXPECT_EQ(decode(u"$^~@+k"_s), (Decoded{u"k"_s, 0x1E0000}));
    EXPECT_EQ(decode(u"s"_s), (Decoded{u"s"_s, 0}));
    EXPECT_EQ(decode(u"S"_s), (Decoded{u"s"_s, 0})) << "upper case adds no Shift";
    EXPECT_EQ(decode(u"@x+s"_s), (Decoded{u"s"_s, 0x100000})) << "other characters add nothing";
    EXPECT_EQ(decode(u"@@+s"_s), (Decoded{u"s"_s, 0x100000}));
    EXPECT_EQ(decode(u"@+\u00C9"_s), (Decoded{u"\u00E9"_s, 0x100000}));
}

TEST(Operations, DecodesEmptyAndOddlySplitShortcuts)
{
    EXPECT_EQ(decode(u""_s), (Decoded{u""_s, 0}));
    EXPECT_EQ(decode(u"@+~+s"_s), (Decoded{u"s"_s, 0x100000})) << "middle parts are ignored";
    EXPECT_EQ(decode(u"+s"_s), (Decoded{u"s"_s, 0}));
    EXPECT_EQ(decode(u"+"_s), (Decoded{u""_s, 0}));
    EXPECT_EQ(decode(u"@++"_s), (Decoded{u""_s, 0x100000}));

    const QVariantMap absent = Operations::decodeKeyShortcut(nullptr, QString());
    EXPECT_EQ(absent.value(u"keyEquivalent"_s), QVariant(u""_s));
    EXPECT_EQ(absent.value(u"keyModifier"_s).toULongLong(), 0u);
    EXPECT_EQ(Operations::decodeKeyShortcut(nullptr, u"$^~@+k"_s),
              Operations::decodeKeyShortcutForMenuItem(u"$^~@+k"_s));
}

TEST(Operations, OnlyTheModifierCharactersThemselvesAreModifiers)
{
    // U+0124, U+015E, U+017E and U+0140 share their low byte with $ ^ ~ @.
    EXPECT_EQ(decode(u"\u0124\u015E\u017E\u0140+s"_s), (Decoded{u"s"_s, 0}));
    EXPECT_EQ(decode(u"\u0124$+s"_s), (Decoded{u"s"_s, 0x20000}));
}

TEST(Operations, FirstFactoriesKeepTheKeyEquivalentAsGiven)
{
    QObject target;
    std::unique_ptr<QAction> literal(
        Operations::itemWithTitle(u"Save"_s, u"doSave:"_s, u"@+s"_s, &target));
    EXPECT_EQ(MenuItem::keyEquivalent(literal.get()), u"@+s"_s);
    EXPECT_EQ(MenuItem::target(literal.get()), &target);
    EXPECT_EQ(MenuItem::action(literal.get()), u"doSave:"_s);
    EXPECT_EQ(MenuItem::menu(literal.get()), nullptr);

    std::unique_ptr<QAction> plain(
        Operations::itemWithTitle(u"Save"_s, u"doSave:"_s, u"s"_s, &target));
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(plain.get()), MenuItem::defaultModifierMask);
    EXPECT_EQ(plain->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

    QPixmap pixmap(4, 4);
    pixmap.fill(Qt::blue);
    std::unique_ptr<QAction> withIcon(
        Operations::itemWithTitle(u"Icon"_s, {}, u""_s, nullptr, QIcon(pixmap)));
    EXPECT_EQ(withIcon->icon().actualSize(QSize(64, 64)), QSize(4, 4)) << "taken as it comes";
    std::unique_ptr<QAction> noIcon(
        Operations::itemWithTitle(u"NoIcon"_s, {}, u""_s, nullptr, QIcon()));
    EXPECT_TRUE(noIcon->icon().isNull());
}

TEST(Operations, ObjectFactoryDecodesAndMakesSeparators)
{
    QObject target;
    std::unique_ptr<QAction> separator(
        Operations::itemWithTitleAndObject(u"--"_s, u"doOpen:"_s, 7, u"@+o"_s, &target));
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(MenuItem::target(separator.get()), nullptr);

    std::unique_ptr<QAction> open(
        Operations::itemWithTitleAndObject(u"Open"_s, u"doOpen:"_s, u"file"_s, u"@+o"_s, &target));
    EXPECT_EQ(MenuItem::keyEquivalent(open.get()), u"o"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(open.get()), 0x100000u);
    EXPECT_EQ(MenuItem::representedObject(open.get()), QVariant(u"file"_s));
    EXPECT_EQ(MenuItem::target(open.get()), &target);
    EXPECT_EQ(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));

    std::unique_ptr<QAction> bare(
        Operations::itemWithTitleAndObject(u"Bare"_s, {}, {}, QString(), nullptr));
    EXPECT_EQ(MenuItem::keyEquivalent(bare.get()), u""_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(bare.get()), 0u) << "the default mask is gone";
    EXPECT_FALSE(MenuItem::representedObject(bare.get()).isValid());

    std::unique_ptr<QAction> letter(
        Operations::itemWithTitleAndObject(u"P"_s, {}, {}, u"p"_s, nullptr));
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(letter.get()), 0u);
    EXPECT_EQ(letter->shortcut(), QKeySequence(Qt::Key_P));
}

TEST(Operations, ToggleAlternatesTitlesCaseSensitively)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Play"_s, {}, {}));
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s);
    EXPECT_EQ(item->text(), u"Pause"_s);
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s);
    EXPECT_EQ(item->text(), u"Play"_s);
    item->setText(u"Stop"_s);
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s);
    EXPECT_EQ(item->text(), u"Play"_s);
    item->setText(u"play"_s);
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s);
    EXPECT_EQ(item->text(), u"Play"_s);

    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s, false);
    EXPECT_EQ(item->text(), u"Pause"_s);
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s, false);
    EXPECT_EQ(item->text(), u"Pause"_s) << "the current title is not read";
    Operations::toggle(item.get(), u"Play"_s, u"Pause"_s, true);
    EXPECT_EQ(item->text(), u"Play"_s);
    Operations::toggle(nullptr, u"Play"_s, u"Pause"_s);
}

TEST(Operations, ToggleInMenuMakesOneItemOn)
{
    std::unique_ptr<QMenu> menu(Menu::create(u"Rates"_s));
    for (const QString &title : {u"Slow"_s, u"Normal"_s, u"Fast"_s})
        Menu::addItem(menu.get(), MenuItem::create(title, {}, {}));
    Menu::addItem(menu.get(), MenuItem::separatorItem());
    const QList<QAction *> items = Menu::itemArray(menu.get());
    MenuItem::setState(items[0], 1);
    MenuItem::setState(items[2], 1);

    Operations::toggleInMenu(items[1], menu.get());
    EXPECT_EQ(states(menu.get()), (QList<int>{0, 1, 0, 0}));
    EXPECT_TRUE(items[1]->isChecked());
    EXPECT_FALSE(items[0]->isChecked());

    std::unique_ptr<QAction> outsider(MenuItem::create(u"Outsider"_s, {}, {}));
    Operations::toggleInMenu(outsider.get(), menu.get());
    EXPECT_EQ(states(menu.get()), (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(MenuItem::state(outsider.get()), 1);

    Operations::toggleInMenu(items[0], nullptr);
    EXPECT_EQ(states(menu.get()), (QList<int>{1, 0, 0, 0}));
}

TEST(Operations, ToggleInParentWorksInTheHoldingSubmenuOnly)
{
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    Operations::addItemsFromNestedArray(
        top.get(),
        {QVariantMap{{u"title"_s, u"Voice"_s},
                     {u"children"_s, QVariantList{QVariantMap{{u"title"_s, u"Alex"_s}},
                                                  QVariantMap{{u"title"_s, u"Fiona"_s}},
                                                  QVariantMap{{u"title"_s, u"Kate"_s}}}}},
         QVariantMap{{u"title"_s, u"Other"_s}}},
        nullptr);
    QAction *voice = Operations::itemWithPath(top.get(), u"Voice"_s);
    QAction *other = Operations::itemWithPath(top.get(), u"Other"_s);
    QMenu *voices = MenuItem::submenu(voice);
    MenuItem::setState(voice, 1);
    MenuItem::setState(other, 1);
    MenuItem::setState(Menu::itemArray(voices)[0], 1);

    Operations::toggleInParent(Operations::itemWithPath(top.get(), u"Voice/Fiona"_s));
    EXPECT_EQ(states(voices), (QList<int>{0, 1, 0}));
    EXPECT_EQ(MenuItem::state(voice), 1) << "the parent item is left alone";
    EXPECT_EQ(MenuItem::state(other), 1);

    // An item that is not inside a submenu: only the item itself turns on.
    Operations::toggleInParent(Operations::itemWithPath(top.get(), u"Voice"_s));
    Operations::toggleInParent(Operations::itemWithPath(top.get(), u"Voice/Kate"_s));
    MenuItem::setState(other, 0);
    Operations::toggleInParent(other);
    EXPECT_EQ(states(top.get()), (QList<int>{1, 1}));
    EXPECT_EQ(states(voices), (QList<int>{0, 0, 1}));
    EXPECT_EQ(titles(voices), (QStringList{u"Alex"_s, u"Fiona"_s, u"Kate"_s}));
}
