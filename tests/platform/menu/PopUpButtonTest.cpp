#include "platform/menu/PopUpButton.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QList<QAction *> fill(PopUpButton &popUp, const QStringList &titles)
{
    for (const QString &title : titles)
        Menu::addItem(popUp.menu(), MenuItem::create(title, u"activeVoiceChanged:"_s, {}));
    return Menu::itemArray(popUp.menu());
}

} // namespace

TEST(PopUpButton, KeepsOneSelectedItemThroughSelectionRenamingAndRemoval)
{
    PopUpButton popUp;
    QSignalSpy changed(&popUp, &PopUpButton::selectedItemChanged);
    const QList<QAction *> items = fill(popUp, {u"Alpha"_s, u"Beta"_s, u"Beta"_s});
    EXPECT_EQ(popUp.selectedItem(), items[0]) << "the first item appended is selected";

    popUp.selectItemWithTitle(u"Beta"_s);
    popUp.selectItemWithTitle(u"Beta"_s);
    EXPECT_EQ(popUp.indexOfSelectedItem(), 1);
    EXPECT_EQ(MenuItem::state(items[1]), 1);
    EXPECT_EQ(MenuItem::state(items[0]), 0);
    EXPECT_EQ(changed.count(), 2) << "no change, no signal";
    items[1]->setText(u"Bravo"_s);
    EXPECT_EQ(popUp.text(), u"Bravo"_s);

    // Nothing selectable: a separator, another menu's item, an unknown title.
    Menu::addItem(popUp.menu(), MenuItem::separatorItem());
    QAction foreign(u"Alpha"_s);
    for (QAction *unselectable :
         {Menu::itemArray(popUp.menu()).at(3), &foreign, static_cast<QAction *>(nullptr)}) {
        popUp.selectItem(items[1]);
        popUp.selectItem(unselectable);
        EXPECT_EQ(popUp.selectedItem(), nullptr);
        EXPECT_EQ(MenuItem::state(items[1]), 0);
        EXPECT_EQ(popUp.text(), QString());
    }

    popUp.selectItem(items[1]);
    Menu::removeItemAtIndex(popUp.menu(), 1);
    EXPECT_EQ(popUp.selectedItem(), items[0]) << "removal selects the first remaining";
    popUp.selectItem(items[2]);
    delete items[2];
    EXPECT_EQ(popUp.text(), u"Alpha"_s);

    // Refilling the way the voice menu does leaves a usable selection.
    Menu::removeAllItems(popUp.menu());
    EXPECT_EQ(popUp.selectedItem(), nullptr);
    fill(popUp, {u"Charlie"_s, u"Delta"_s});
    popUp.selectItemWithTitle(u"Delta"_s);
    EXPECT_EQ(popUp.text(), u"Delta"_s);
}
