#include "platform/PopUpButton.h"
#include "platform/Menu.h"
#include "platform/MenuItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class VoiceReceiver : public QObject
{
    Q_OBJECT

public:
    explicit VoiceReceiver(PopUpButton *popUp)
        : m_popUp(popUp)
    {}

    Q_INVOKABLE void activeVoiceChanged(QObject *sender)
    {
        senders << sender;
        selectionSeen << m_popUp->selectedItem();
    }

    QList<QObject *> senders;
    QList<QAction *> selectionSeen;

private:
    PopUpButton *m_popUp;
};

void fill(PopUpButton &popUp, const QStringList &titles, QObject *target = nullptr)
{
    for (const QString &title : titles) {
        QAction *item = MenuItem::create(title, u"activeVoiceChanged:"_s, {});
        MenuItem::setTarget(item, target);
        Menu::addItem(popUp.menu(), item);
    }
}

} // namespace

TEST(PopUpButton, SelectsByTitleAndShowsTheSelectedTitle)
{
    PopUpButton popUp;
    QSignalSpy changed(&popUp, &PopUpButton::selectedItemChanged);
    fill(popUp, {u"Alpha"_s, u"Beta"_s, u"Beta"_s});
    const QList<QAction *> items = Menu::itemArray(popUp.menu());
    EXPECT_EQ(popUp.selectedItem(), items[0]) << "the first item appended is selected";

    popUp.selectItemWithTitle(u"Beta"_s);
    popUp.selectItemWithTitle(u"Beta"_s);
    EXPECT_EQ(popUp.indexOfSelectedItem(), 1);
    EXPECT_EQ(popUp.text(), u"Beta"_s);
    EXPECT_EQ(MenuItem::state(items[1]), 1);
    EXPECT_EQ(MenuItem::state(items[0]), 0);
    EXPECT_EQ(changed.count(), 2) << "no change, no signal";

    popUp.selectItem(items[2]);
    Menu::addItem(popUp.menu(), items[2]); // already last: stays, and stays selected
    EXPECT_EQ(popUp.selectedItem(), items[2]);

    Menu::addItem(popUp.menu(), MenuItem::separatorItem());
    QAction foreign(u"Alpha"_s);
    for (QAction *unselectable : {Menu::itemArray(popUp.menu()).at(3), &foreign}) {
        popUp.selectItem(items[1]);
        popUp.selectItem(unselectable);
        EXPECT_EQ(popUp.selectedItem(), nullptr);
        EXPECT_EQ(MenuItem::state(items[1]), 0);
    }
    popUp.selectItemWithTitle(u"Alpha"_s);
    popUp.selectItemWithTitle(u"Gamma"_s);
    EXPECT_EQ(popUp.selectedItem(), nullptr);
    EXPECT_EQ(popUp.text(), QString());
}

TEST(PopUpButton, FollowsTheSelectedItemsTitleAndRemoval)
{
    PopUpButton popUp;
    fill(popUp, {u"Alpha"_s, u"Beta"_s});
    popUp.selectItemWithTitle(u"Beta"_s);
    QAction *beta = popUp.selectedItem();
    beta->setText(u"Bravo"_s);
    EXPECT_EQ(popUp.text(), u"Bravo"_s);

    Menu::removeItemAtIndex(popUp.menu(), 1);
    EXPECT_EQ(popUp.selectedItem(), Menu::itemArray(popUp.menu()).at(0));

    // Refilling the way the voice menu does leaves a usable selection.
    Menu::removeAllItems(popUp.menu());
    EXPECT_EQ(popUp.selectedItem(), nullptr);
    fill(popUp, {u"Charlie"_s, u"Delta"_s});
    popUp.selectItemWithTitle(u"Delta"_s);
    EXPECT_EQ(popUp.text(), u"Delta"_s);

    delete popUp.selectedItem();
    EXPECT_EQ(popUp.text(), u"Charlie"_s);
}

TEST(PopUpButton, ChoosingFromTheShownMenuSelectsBeforeTheActionIsSent)
{
    PopUpButton popUp;
    VoiceReceiver receiver(&popUp);
    fill(popUp, {u"Alpha"_s, u"Beta"_s}, &receiver);
    popUp.show();
    QMenu *menu = popUp.menu();
    QAction *beta = Menu::itemArray(menu).at(1);

    menu->popup(popUp.mapToGlobal(QPoint(0, popUp.height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(beta).center());

    ASSERT_EQ(receiver.senders, QList<QObject *>{beta});
    EXPECT_EQ(receiver.selectionSeen, QList<QAction *>{beta});
    EXPECT_EQ(popUp.selectedItem(), beta);
    EXPECT_EQ(popUp.text(), u"Beta"_s);
    EXPECT_EQ(MenuItem::state(beta), 1);
}

#include "PopUpButtonTest.moc"
