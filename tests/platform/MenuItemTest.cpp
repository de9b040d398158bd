#include "platform/MenuItem.h"
#include "platform/Menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

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

TEST(MenuItem, TriggeringSendsTheActionToTheTargetOrElseTheDefaultTarget)
{
    Receiver receiver;
    Receiver fallback;
    std::unique_ptr<QAction> open(MenuItem::create(u"Open"_s, u"doOpen:"_s, {}));
    std::unique_ptr<QAction> fresh(MenuItem::create(u"New"_s, u"doNew:"_s, {}));
    std::unique_ptr<QAction> unknown(MenuItem::create(u"X"_s, u"doSomethingElse:"_s, {}));
    for (QAction *item : {open.get(), fresh.get(), unknown.get()})
        MenuItem::setTarget(item, &receiver);
    open->trigger();
    fresh->trigger(); // no doNew(QObject *): the method without arguments
    unknown->trigger();
    EXPECT_EQ(receiver.calls, (QStringList{u"doOpen"_s, u"doNew"_s}));
    EXPECT_EQ(receiver.senders, QList<QObject *>{open.get()});

    {
        auto gone = std::make_unique<Receiver>();
        MenuItem::setTarget(open.get(), gone.get());
    }
    EXPECT_EQ(MenuItem::target(open.get()), nullptr);
    open->trigger(); // neither target nor default target: nothing happens

    DefaultTargetScope scope(&fallback);
    std::unique_ptr<QAction> noAction(MenuItem::create(u"Z"_s, {}, {}));
    for (QAction *item : {open.get(), fresh.get(), noAction.get()})
        item->trigger();
    EXPECT_EQ(fallback.calls, QStringList{u"doOpen"_s});
    EXPECT_EQ(receiver.calls.size(), 3);
}

TEST(MenuItem, KeyEquivalentAndMaskBecomeAQtShortcut)
{
    using namespace MenuItem;
    const struct
    {
        QString key;
        quint64 mask;
        QKeySequence shortcut;
    } cases[] = {
        {u"s"_s, CommandKeyMask, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {u"k"_s, ShiftKeyMask | ControlKeyMask | AlternateKeyMask | CommandKeyMask,
         QKeySequence(Qt::SHIFT | Qt::META | Qt::ALT | Qt::CTRL | Qt::Key_K)},
        {u"x"_s, 0, QKeySequence(Qt::Key_X)},
        {u"S"_s, CommandKeyMask,
         QKeySequence(Qt::CTRL | Qt::Key_S)}, // only the mask names modifiers
        {u","_s, CommandKeyMask, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {u"\r"_s, CommandKeyMask, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {QString(QChar(0xF704)), 0, QKeySequence(Qt::Key_F1)},
        {u""_s, CommandKeyMask, QKeySequence()},
        {u"@+s"_s, CommandKeyMask, QKeySequence()}, // not a single key
    };
    for (const auto &c : cases)
        EXPECT_EQ(shortcutFor(c.key, c.mask), c.shortcut) << c.key.toStdString();

    std::unique_ptr<QAction> item(MenuItem::create(u"Quit"_s, {}, u"q"_s));
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q)) << "the default mask";
    setKeyEquivalentModifierMask(item.get(), CommandKeyMask | AlternateKeyMask);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Q));
    setKeyEquivalent(item.get(), u""_s);
    EXPECT_TRUE(item->shortcut().isEmpty());
}

TEST(MenuItem, SubmenuParentItemAndOwnership)
{
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    QAction *file = MenuItem::create(u"File"_s, {}, {});
    QMenu *fileMenu = Menu::create(u"File"_s);
    QAction *open = MenuItem::create(u"Open"_s, {}, {});
    Menu::addItem(fileMenu, open);
    MenuItem::setSubmenu(file, fileMenu);
    EXPECT_EQ(MenuItem::parentItem(open), file) << "even before the parent item is in a menu";
    Menu::addItem(top.get(), file);
    EXPECT_EQ(MenuItem::parentItem(file), nullptr);

    // A menu is the submenu of one item at a time.
    std::unique_ptr<QAction> other(MenuItem::create(u"Other"_s, {}, {}));
    MenuItem::setSubmenu(other.get(), fileMenu);
    EXPECT_EQ(MenuItem::submenu(file), nullptr);
    EXPECT_EQ(MenuItem::parentItem(open), other.get());
    MenuItem::setSubmenu(file, fileMenu);

    QMenu *speech = top->addMenu(u"Speech"_s); // the Qt way
    QAction *play = MenuItem::create(u"Play"_s, {}, {});
    Menu::addItem(speech, play);
    EXPECT_EQ(MenuItem::parentItem(play), speech->menuAction());

    QPointer<QMenu> guard(fileMenu);
    Menu::removeAllItems(top.get());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "the submenu goes with its item";
}

TEST(MenuItem, StateIsOnOrOffAndTriggeringDoesNotChangeIt)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Item"_s, {}, {}));
    for (int state : {1, 0}) {
        MenuItem::setState(item.get(), state);
        item->trigger();
        EXPECT_EQ(MenuItem::state(item.get()), state);
        EXPECT_EQ(item->isChecked(), state == 1);
    }
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
    EXPECT_EQ(MenuItem::menu(copy.get()), nullptr);
    const auto properties = [](const QAction *of) {
        return QVariantList{MenuItem::title(of),
                            MenuItem::action(of),
                            QVariant::fromValue(reinterpret_cast<quintptr>(MenuItem::target(of))),
                            MenuItem::keyEquivalent(of),
                            MenuItem::keyEquivalentModifierMask(of),
                            of->shortcut(),
                            MenuItem::representedObject(of),
                            MenuItem::state(of)};
    };
    EXPECT_EQ(properties(copy.get()), properties(item));

    QMenu *copiedSubmenu = MenuItem::submenu(copy.get());
    ASSERT_NE(copiedSubmenu, nullptr);
    EXPECT_NE(copiedSubmenu, submenu);
    EXPECT_EQ(copiedSubmenu->title(), u"Original"_s) << "a submenu takes its item's title";
    ASSERT_EQ(Menu::numberOfItems(copiedSubmenu), 1);
    EXPECT_EQ(MenuItem::parentItem(Menu::itemArray(copiedSubmenu).first()), copy.get());
    EXPECT_EQ(MenuItem::submenu(item), submenu) << "the original keeps its submenu";
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
