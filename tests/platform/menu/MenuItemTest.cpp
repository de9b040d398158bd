#include "platform/menu/MenuItem.h"
#include "platform/menu/Menu.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;
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

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(MenuItem, TriggeringSendsTheActionToTheTargetOrElseTheDefaultTarget)
{
    Receiver receiver;
    Receiver fallback;
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
    open->trigger(); // neither target nor default target: nothing happens

    MenuItem::setDefaultTarget(&fallback);
    std::unique_ptr<QAction> noAction(MenuItem::create(u"Z"_s, {}, {}));
    for (QAction *item : {open.get(), fresh.get(), noAction.get()})
        item->trigger();
    MenuItem::setDefaultTarget(nullptr);
    EXPECT_EQ(fallback.calls, QStringList{u"doOpen"_s});
    EXPECT_EQ(receiver.calls.size(), 3);
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

    QMenu *fileMenu = Menu::create(u"File"_s);
    QAction *open = MenuItem::create(u"Open"_s, {}, {});
    Menu::addItem(fileMenu, open);
    MenuItem::setSubmenu(file, fileMenu);
    EXPECT_EQ(MenuItem::parentItem(open), file);
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

    // Removal deletes on the next turn of the event loop, and only what the
    // menu owns.
    auto *kept = new QAction(u"Kept"_s, &elsewhere);
    top->addAction(kept);
    QPointer<QAction> removed(file);
    QPointer<QMenu> submenu(fileMenu);
    Menu::removeAllItems(top.get());
    ASSERT_FALSE(removed.isNull());
    processDeferredDeletes();
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
    processDeferredDeletes();
    EXPECT_EQ(titles(top.get()), QStringList{u"Fresh"_s});
}

// A copy takes its own submenu and does not follow a cycle made behind the
// model's back.
TEST(MenuItem, CopyStopsAtACycle)
{
    std::unique_ptr<QAction> item(MenuItem::create(u"Original"_s, u"doOpen:"_s, u"o"_s));
    QMenu *submenu = Menu::create(u"Sub"_s);
    QAction *inner = MenuItem::create(u"Inner"_s, {}, {});
    Menu::addItem(submenu, inner);
    MenuItem::setSubmenu(item.get(), submenu);
    inner->setMenu(submenu);

    std::unique_ptr<QAction> copy(MenuItem::copy(item.get()));
    inner->setMenu(static_cast<QMenu *>(nullptr));
    QMenu *copiedSubmenu = MenuItem::submenu(copy.get());
    ASSERT_TRUE(copiedSubmenu && copiedSubmenu != submenu);
    const QAction *innerCopy = Menu::itemArray(copiedSubmenu).value(0);
    ASSERT_NE(innerCopy, nullptr);
    EXPECT_EQ(MenuItem::submenu(innerCopy), nullptr) << "the cycle is not followed";
}

#include "MenuItemTest.moc"
