#include "platform/menu/PopUpButton.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuChooser.h"
#include "platform/menu/MenuItem.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace {

// Records each voice change and the pop-up's selection at that moment.
class VoiceReceiver : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void activeVoiceChanged(QObject *sender)
    {
        senders << sender;
        selectionSeen << popUp->selectedItem();
    }

    PopUpButton *popUp = nullptr;
    QList<QObject *> senders;
    QList<QAction *> selectionSeen;
};

QList<QAction *> fill(PopUpButton &popUp, const QStringList &titles, QObject *target = nullptr)
{
    for (const QString &title : titles) {
        QAction *item = MenuItem::create(title, u"activeVoiceChanged:"_s, {});
        MenuItem::setTarget(item, target);
        Menu::addItem(popUp.menu(), item);
    }
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

// Far more items than fit on the screen: the chooser stays within the screen,
// its last item is reached by mouse, typing finds items by title, and
// choosing selects before the item's action is sent.
TEST(PopUpButton, TheChooserFitsTheScreenFindsByTitleAndSelectsBeforeTheActionIsSent)
{
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    auto *caption = new QLabel(u"&Voice:"_s);
    auto *popUp = new PopUpButton;
    caption->setBuddy(popUp);
    layout->addWidget(caption);
    layout->addWidget(popUp);
    popUp->setCaption(u"Voice"_s);
    VoiceReceiver receiver;
    receiver.popUp = popUp;
    QStringList titles;
    for (int i = 0; i < 400; ++i)
        titles << u"Voice %1"_s.arg(i);
    titles << u"Beta"_s << u"Last"_s;
    const QList<QAction *> items = fill(*popUp, titles, &receiver);
    // A section's title heads its items in the chooser.
    popUp->menu()->insertSection(items.at(400), u"Others"_s);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(popUp->accessibleName(), u"Voice: Voice 0"_s);

    // The label's mnemonic focuses the pop-up without opening it; Return opens it.
    QTest::keyClick(&window, Qt::Key_V, Qt::AltModifier);
    EXPECT_TRUE(popUp->hasFocus());
    EXPECT_EQ(popUp->chooser(), nullptr);
    QTest::keyClick(popUp, Qt::Key_Return);
    MenuChooser *chooser = popUp->chooser();
    ASSERT_TRUE(chooser);
    EXPECT_TRUE(popUp->screen()->availableGeometry().contains(chooser->geometry()));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(popUp);
    ASSERT_EQ(accessible->childCount(), 1) << "the chooser is in the accessibility tree";
    EXPECT_EQ(accessible->child(0)->object(), chooser);

    QListWidget *list = chooser->list();
    QListWidgetItem *last = list->item(list->count() - 1);
    list->scrollToItem(last);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(last).center());
    EXPECT_EQ(popUp->selectedItem(), items.last());
    EXPECT_EQ(popUp->chooser(), nullptr);

    popUp->click();
    ASSERT_TRUE(popUp->chooser());
    const auto shownTitles = [list] {
        QStringList shown;
        for (int row = 0; row < list->count(); ++row)
            if (!list->item(row)->isHidden())
                shown << list->item(row)->text();
        return shown;
    };
    QTest::keyClicks(chooser->findField(), u"Voice 39"_s);
    EXPECT_FALSE(shownTitles().contains(u"Others"_s)) << "a heading over nothing found";
    chooser->findField()->clear();
    QTest::keyClicks(chooser->findField(), u"BET"_s);
    EXPECT_EQ(shownTitles(), (QStringList{u"Others"_s, u"Beta"_s}));
    QTest::keyClick(chooser->findField(), Qt::Key_Return);
    EXPECT_EQ(popUp->chooser(), nullptr);
    QAction *beta = items.at(400);
    EXPECT_EQ(receiver.senders, (QList<QObject *>{items.last(), beta}));
    EXPECT_EQ(receiver.selectionSeen, (QList<QAction *>{items.last(), beta}));
    EXPECT_EQ(MenuItem::state(beta), 1);
    EXPECT_EQ(popUp->accessibleName(), u"Voice: Beta"_s);
}

#include "PopUpButtonTest.moc"
