#include "platform/menu/MenuItem.h"
#include "platform/menu/Menu.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QPointer>

#include <memory>

using TestSupport::titles;

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

} // namespace

TEST(MenuItem, TriggeringSendsTheActionToALiveTargetOnly)
{
    Receiver receiver;
    std::unique_ptr<QAction> open(MenuItem::create(u"Open"_s, u"doOpen:"_s, {}));
    std::unique_ptr<QAction> fresh(MenuItem::create(u"New"_s, u" doNew: "_s, {}));
    std::unique_ptr<QAction> unknown(MenuItem::create(u"X"_s, u"doSomethingElse:"_s, {}));
    for (QAction *item : {open.get(), fresh.get(), unknown.get()})
        MenuItem::setTarget(item, &receiver);
    MenuItem::setState(open.get(), 1);
    open->trigger();
    fresh->trigger(); // no doNew(QObject *): the method without arguments
    unknown->trigger();
    EXPECT_EQ(receiver.calls, (QStringList{u"doOpen"_s, u"doNew"_s}));
    EXPECT_EQ(receiver.senders, QList<QObject *>{open.get()});
    EXPECT_EQ(MenuItem::state(open.get()), 1) << "triggering leaves the state to the owner";

    {
        auto gone = std::make_unique<Receiver>();
        MenuItem::setTarget(open.get(), gone.get());
    }
    EXPECT_EQ(MenuItem::target(open.get()), nullptr);
    open->trigger(); // no target any more: nothing happens
    EXPECT_EQ(receiver.calls.size(), 2);
}

TEST(MenuItem, MenusOwnTheirItemsAndItemsTheirSubmenus)
{
    std::unique_ptr<QMenu> first(Menu::create(u"First"_s));
    std::unique_ptr<QMenu> top(Menu::create(u"Main"_s));
    QObject elsewhere;
    QAction *file = MenuItem::create(u"File"_s, {}, {}, &elsewhere);
    Menu::addItem(first.get(), file);
    Menu::addItem(top.get(), file);
    EXPECT_EQ(Menu::numberOfItems(first.get()), 0) << "an item is in one menu";
    EXPECT_EQ(MenuItem::menu(file), top.get());

    // A menu is the submenu of one item at a time.
    QMenu *fileMenu = Menu::create(u"File"_s);
    std::unique_ptr<QAction> other(MenuItem::create(u"Other"_s, {}, {}));
    MenuItem::setSubmenu(other.get(), fileMenu);
    MenuItem::setSubmenu(file, fileMenu);
    EXPECT_EQ(MenuItem::submenu(other.get()), nullptr);

    // Removal deletes on the next turn of the event loop, and only what the
    // menu owns.
    auto *kept = new QAction(u"Kept"_s, &elsewhere);
    top->addAction(kept);
    QPointer<QAction> removed(file);
    QPointer<QMenu> submenu(fileMenu);
    Menu::removeAllItems(top.get());
    ASSERT_FALSE(removed.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(removed.isNull() && submenu.isNull());
    EXPECT_EQ(elsewhere.children(), QObjectList{kept});

    // An item may rebuild its own menu while it sends its action.
    QAction *rebuild = MenuItem::create(u"Rebuild"_s, {}, {});
    Menu::addItem(top.get(), rebuild);
    QObject::connect(rebuild, &QAction::triggered, top.get(), [&top] {
        Menu::removeAllItems(top.get());
        Menu::addItem(top.get(), MenuItem::create(u"Fresh"_s, {}, {}));
    });
    rebuild->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(titles(top.get()), QStringList{u"Fresh"_s});
}

#include "MenuItemTest.moc"
