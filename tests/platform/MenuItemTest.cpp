#include "platform/MenuItem.h"
#include "platform/Menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class Receiver : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void doOpen(QObject *sender)
    {
        calls << u"doOpen"_s;
        senders << sender;
    }
    Q_INVOKABLE void doNew() { calls << u"doNew"_s; }

    QStringList calls;
    QList<QObject *> senders;
};

// Restores the process-wide default target when a test ends.
class DefaultTargetScope
{
public:
    explicit DefaultTargetScope(QObject *target) { MenuItem::setDefaultTarget(target); }
    ~DefaultTargetScope() { MenuItem::setDefaultTarget(nullptr); }
    DefaultTargetScope(const DefaultTargetScope &) = delete;
    DefaultTargetScope &operator=(const DefaultTargetScope &) = delete;
};

} // namespace

TEST(MenuItem, CreateKeepsTitleActionAndKeyEquivalent)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Open..."_s, u"doOpen:"_s, u"o"_s));
    EXPECT_EQ(MenuItem::title(item.get()), u"Open..."_s);
    EXPECT_EQ(MenuItem::action(item.get()), u"doOpen:"_s);
    EXPECT_EQ(MenuItem::keyEquivalent(item.get()), u"o"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(item.get()), MenuItem::defaultModifierMask);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(MenuItem::menu(item.get()), nullptr);
    EXPECT_EQ(item->parent(), nullptr);

    std::unique_ptr<QAction> bare(MenuItem::create(u"Bare"_s, {}, {}));
    EXPECT_TRUE(MenuItem::action(bare.get()).isEmpty());
    EXPECT_TRUE(bare->shortcut().isEmpty());
}

TEST(MenuItem, TriggeringSendsTheActionToTheTargetWithTheItemAsSender)
{
    Receiver receiver;
    std::unique_ptr<QAction> open(MenuItem::create(u"Open"_s, u"doOpen:"_s, {}));
    std::unique_ptr<QAction> fresh(MenuItem::create(u"New"_s, u"doNew:"_s, {}));
    MenuItem::setTarget(open.get(), &receiver);
    MenuItem::setTarget(fresh.get(), &receiver);
    EXPECT_EQ(MenuItem::target(open.get()), &receiver);

    open->trigger();
    fresh->trigger(); // no doNew(QObject *): the method without arguments
    EXPECT_EQ(receiver.calls, (QStringList{u"doOpen"_s, u"doNew"_s}));
    EXPECT_EQ(receiver.senders, QList<QObject *>{open.get()});
}

TEST(MenuItem, ItemsWithoutTargetSendToTheDefaultTarget)
{
    Receiver fallback;
    Receiver chosen;
    DefaultTargetScope scope(&fallback);
    std::unique_ptr<QAction> item(MenuItem::create(u"Open"_s, u"doOpen:"_s, {}));
    item->trigger();
    EXPECT_EQ(fallback.calls, QStringList{u"doOpen"_s});

    MenuItem::setTarget(item.get(), &chosen);
    item->trigger();
    EXPECT_EQ(chosen.calls, QStringList{u"doOpen"_s});
    EXPECT_EQ(fallback.calls.size(), 1);

    MenuItem::setTarget(item.get(), nullptr);
    item->trigger();
    EXPECT_EQ(fallback.calls.size(), 2);
}

TEST(MenuItem, UnclaimedActionsDoNothing)
{
    Receiver receiver;
    std::unique_ptr<QAction> unknown(MenuItem::create(u"X"_s, u"doSomethingElse:"_s, {}));
    MenuItem::setTarget(unknown.get(), &receiver);
    unknown->trigger();
    EXPECT_TRUE(receiver.calls.isEmpty());

    std::unique_ptr<QAction> orphan(MenuItem::create(u"Y"_s, u"doOpen:"_s, {}));
    {
        auto gone = std::make_unique<Receiver>();
        MenuItem::setTarget(orphan.get(), gone.get());
    }
    EXPECT_EQ(MenuItem::target(orphan.get()), nullptr);
    orphan->trigger(); // neither target nor default target: nothing happens

    std::unique_ptr<QAction> noAction(MenuItem::create(u"Z"_s, {}, {}));
    DefaultTargetScope scope(&receiver);
    noAction->trigger();
    EXPECT_TRUE(receiver.calls.isEmpty());
}

TEST(MenuItem, KeyEquivalentAndMaskBecomeAQtShortcut)
{
    using namespace MenuItem;
    EXPECT_EQ(shortcutFor(u"s"_s, CommandKeyMask), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(
        shortcutFor(u"k"_s, ShiftKeyMask | ControlKeyMask | AlternateKeyMask | CommandKeyMask),
        QKeySequence(Qt::SHIFT | Qt::META | Qt::ALT | Qt::CTRL | Qt::Key_K));
    EXPECT_EQ(shortcutFor(u"x"_s, 0), QKeySequence(Qt::Key_X));
    EXPECT_EQ(shortcutFor(u"S"_s, CommandKeyMask), QKeySequence(Qt::CTRL | Qt::Key_S))
        << "only the mask names modifiers";
    EXPECT_EQ(shortcutFor(u","_s, CommandKeyMask), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(shortcutFor(u"\r"_s, CommandKeyMask), QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(shortcutFor(QString(QChar(0xF704)), 0), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(shortcutFor(u""_s, CommandKeyMask).isEmpty());
    EXPECT_TRUE(shortcutFor(u"@+s"_s, CommandKeyMask).isEmpty()) << "not a single key";

    std::unique_ptr<QAction> item(MenuItem::create(u"Quit"_s, {}, {}));
    setKeyEquivalent(item.get(), u"q"_s);
    setKeyEquivalentModifierMask(item.get(), CommandKeyMask | AlternateKeyMask);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Q));
    EXPECT_EQ(keyEquivalentModifierMask(item.get()), 0x180000u);
    setKeyEquivalent(item.get(), u""_s);
    EXPECT_TRUE(item->shortcut().isEmpty());
}

TEST(MenuItem, ShortcutOfAMenuBarItemSendsTheAction)
{
    Receiver receiver;
    QWidget window;
    auto *bar = new QMenuBar(&window);
    QMenu *file = Menu::create(u"File"_s, bar);
    bar->addMenu(file);
    QAction *open = MenuItem::create(u"Open..."_s, u"doOpen:"_s, u"o"_s);
    MenuItem::setTarget(open, &receiver);
    Menu::addItem(file, open);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(receiver.calls, QStringList{u"doOpen"_s});
    EXPECT_EQ(receiver.senders, QList<QObject *>{open});
    QTest::keyClick(&window, Qt::Key_O);
    EXPECT_EQ(receiver.calls.size(), 1) << "the modifier is part of the shortcut";
}

TEST(MenuItem, SubmenuParentItemAndOwnership)
{
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    QAction *file = MenuItem::create(u"File"_s, {}, {});
    QMenu *fileMenu = Menu::create(u"File"_s);
    QAction *open = MenuItem::create(u"Open"_s, {}, {});
    Menu::addItem(fileMenu, open);
    MenuItem::setSubmenu(file, fileMenu);
    EXPECT_EQ(MenuItem::submenu(file), fileMenu);
    EXPECT_EQ(MenuItem::parentItem(open), file) << "even before the parent item is in a menu";
    Menu::addItem(top.get(), file);
    EXPECT_EQ(MenuItem::parentItem(open), file);
    EXPECT_EQ(MenuItem::parentItem(file), nullptr);
    EXPECT_EQ(MenuItem::parentItem(nullptr), nullptr);

    // A menu is the submenu of one item at a time.
    std::unique_ptr<QAction> other(MenuItem::create(u"Other"_s, {}, {}));
    MenuItem::setSubmenu(other.get(), fileMenu);
    EXPECT_EQ(MenuItem::submenu(file), nullptr);
    EXPECT_EQ(MenuItem::parentItem(open), other.get());
    MenuItem::setSubmenu(file, fileMenu);

    QPointer<QMenu> guard(fileMenu);
    Menu::removeAllItems(top.get());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "the submenu goes with its item";
}

TEST(MenuItem, SubmenusAddedTheQtWayHaveAParentItemToo)
{
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    QMenu *speech = top->addMenu(u"Speech"_s);
    QAction *play = MenuItem::create(u"Play"_s, {}, {});
    Menu::addItem(speech, play);
    EXPECT_EQ(MenuItem::parentItem(play), speech->menuAction());

    std::unique_ptr<QMenu> loose(Menu::create(u"Loose"_s));
    QAction *item = MenuItem::create(u"Item"_s, {}, {});
    Menu::addItem(loose.get(), item);
    EXPECT_EQ(MenuItem::parentItem(item), nullptr);
}

TEST(MenuItem, StateIsOnOrOffAndTriggeringDoesNotChangeIt)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Item"_s, {}, {}));
    EXPECT_EQ(MenuItem::state(item.get()), 0);
    MenuItem::setState(item.get(), 1);
    EXPECT_EQ(MenuItem::state(item.get()), 1);
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_EQ(MenuItem::state(item.get()), 1);
    EXPECT_TRUE(item->isChecked());
    MenuItem::setState(item.get(), 0);
    item->trigger();
    EXPECT_EQ(MenuItem::state(item.get()), 0);
    EXPECT_FALSE(item->isChecked());
}

TEST(MenuItem, CopyHasTheSamePropertiesInNoMenuWithItsOwnSubmenu)
{
    Receiver receiver;
    std::unique_ptr<QMenu> menu(Menu::create(u"M"_s));
    QAction *item = MenuItem::create(u"Original"_s, u"doOpen:"_s, u"o"_s);
    MenuItem::setTarget(item, &receiver);
    MenuItem::setKeyEquivalentModifierMask(item, MenuItem::CommandKeyMask | MenuItem::ShiftKeyMask);
    MenuItem::setRepresentedObject(item, 42);
    MenuItem::setState(item, 1);
    QMenu *submenu = Menu::create(u"Sub"_s);
    Menu::addItem(submenu, MenuItem::create(u"Child"_s, {}, {}));
    MenuItem::setSubmenu(item, submenu);
    Menu::addItem(menu.get(), item);

    std::unique_ptr<QAction> copy(MenuItem::copy(item));
    EXPECT_NE(copy.get(), item);
    EXPECT_EQ(MenuItem::menu(copy.get()), nullptr);
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_EQ(MenuItem::title(copy.get()), u"Original"_s);
    EXPECT_EQ(MenuItem::action(copy.get()), u"doOpen:"_s);
    EXPECT_EQ(MenuItem::target(copy.get()), &receiver);
    EXPECT_EQ(MenuItem::keyEquivalent(copy.get()), u"o"_s);
    EXPECT_EQ(MenuItem::keyEquivalentModifierMask(copy.get()), 0x120000u);
    EXPECT_EQ(copy->shortcut(), item->shortcut());
    EXPECT_EQ(MenuItem::representedObject(copy.get()), QVariant(42));
    EXPECT_EQ(MenuItem::state(copy.get()), 1);

    QMenu *copiedSubmenu = MenuItem::submenu(copy.get());
    ASSERT_NE(copiedSubmenu, nullptr);
    EXPECT_NE(copiedSubmenu, submenu);
    EXPECT_EQ(copiedSubmenu->title(), u"Original"_s) << "a submenu takes its item's title";
    ASSERT_EQ(Menu::numberOfItems(copiedSubmenu), 1);
    EXPECT_EQ(MenuItem::parentItem(Menu::itemArray(copiedSubmenu).first()), copy.get());
    EXPECT_EQ(MenuItem::submenu(item), submenu) << "the original keeps its submenu";

    MenuItem::setTitle(copy.get(), u"Copy"_s);
    EXPECT_EQ(MenuItem::title(item), u"Original"_s);
    copy->trigger();
    EXPECT_EQ(receiver.senders, QList<QObject *>{copy.get()});
}

TEST(MenuItem, CopyingAMenuThatHoldsItsOwnAncestorStops)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Loop"_s, {}, {}));
    QMenu *submenu = Menu::create(u"Loop"_s);
    MenuItem::setSubmenu(item.get(), submenu);
    QAction *inner = MenuItem::create(u"Inner"_s, {}, {});
    Menu::addItem(submenu, inner);
    inner->setMenu(submenu); // a cycle made behind the model's back

    std::unique_ptr<QAction> copy(MenuItem::copy(item.get()));
    ASSERT_NE(MenuItem::submenu(copy.get()), nullptr);
    const QAction *innerCopy = Menu::itemArray(MenuItem::submenu(copy.get())).value(0);
    ASSERT_NE(innerCopy, nullptr);
    EXPECT_EQ(MenuItem::submenu(innerCopy), nullptr);
    inner->setMenu(static_cast<QMenu *>(nullptr));
}

#include "MenuItemTest.moc"
