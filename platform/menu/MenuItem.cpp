#include "platform/menu/MenuItem.h"

#include "platform/menu/Command.h"
#include "platform/menu/Menu.h"

#include <QAction>
#include <QActionEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QSet>

namespace {

// What a menu item carries beyond a QAction. Lives as the action's child, so
// it goes with the action, and sends the action when the action is triggered.
class MenuItemModel : public QObject
{
    Q_OBJECT

public:
    explicit MenuItemModel(QAction *item)
        : QObject(item)
    {
        connect(item, &QAction::triggered, this, &MenuItemModel::itemTriggered);
    }

    ~MenuItemModel() override { delete ownedSubmenu.data(); }

    QAction *item() const { return static_cast<QAction *>(parent()); }

    void applyShortcut() { item()->setShortcut(MenuItem::shortcutFor(keyEquivalent, mask)); }

    QPointer<QObject> target;
    QString action;
    QString keyEquivalent;
    quint64 mask = MenuItem::defaultModifierMask;
    bool stateManaged = false;
    int state = 0;
    QPointer<QMenu> ownedSubmenu;

private:
    void itemTriggered()
    {
        // A checkable QAction flips itself when triggered; a menu item's state
        // changes only when its owner says so.
        if (stateManaged)
            item()->setChecked(state == 1);
        MenuItem::sendAction(item());
    }
};

MenuItemModel *modelOf(const QAction *item)
{
    return item ? item->findChild<MenuItemModel *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

MenuItemModel *ensureModel(QAction *item)
{
    MenuItemModel *model = modelOf(item);
    return model ? model : new MenuItemModel(item);
}

QPointer<QObject> &defaultTargetPointer()
{
    static QPointer<QObject> target;
    return target;
}

int keyFor(char32_t code)
{
    // Key equivalents for keys without a printable character, as menus name
    // them (control characters and the private-use function-key range).
    switch (code) {
    case 0x03:
        return Qt::Key_Enter;
    case 0x08:
    case 0x7F:
        return Qt::Key_Backspace;
    case 0x09:
        return Qt::Key_Tab;
    case 0x0A:
    case 0x0D:
        return Qt::Key_Return;
    case 0x1B:
        return Qt::Key_Escape;
    case 0x20:
        return Qt::Key_Space;
    case 0xF700:
        return Qt::Key_Up;
    case 0xF701:
        return Qt::Key_Down;
    case 0xF702:
        return Qt::Key_Left;
    case 0xF703:
        return Qt::Key_Right;
    case 0xF727:
        return Qt::Key_Insert;
    case 0xF728:
        return Qt::Key_Delete;
    case 0xF729:
        return Qt::Key_Home;
    case 0xF72B:
        return Qt::Key_End;
    case 0xF72C:
        return Qt::Key_PageUp;
    case 0xF72D:
        return Qt::Key_PageDown;
    default:
        break;
    }
    if (code >= 0xF704 && code <= 0xF726)
        return Qt::Key_F1 + static_cast<int>(code - 0xF704);
    if (code < 0x20 || (code >= 0x80 && code < 0xA0) || (code >= 0xE000 && code < 0xF900))
        return 0;
    return static_cast<int>(QChar::toUpper(code));
}

QAction *copyItem(const QAction *item, QSet<const QMenu *> &copying)
{
    auto *copy = new QAction();
    copy->setSeparator(item->isSeparator());
    copy->setText(item->text());
    copy->setIcon(item->icon());
    copy->setData(item->data());
    copy->setEnabled(item->isEnabled());
    copy->setVisible(item->isVisible());
    copy->setCheckable(item->isCheckable());
    copy->setChecked(item->isChecked());
    copy->setStatusTip(item->statusTip());
    copy->setWhatsThis(item->whatsThis());
    copy->setFont(item->font());
    copy->setIconVisibleInMenu(item->isIconVisibleInMenu());
    copy->setMenuRole(item->menuRole());
    copy->setShortcutContext(item->shortcutContext());
    copy->setAutoRepeat(item->autoRepeat());
    copy->setShortcuts(item->shortcuts());
    if (const MenuItemModel *model = modelOf(item)) {
        MenuItemModel *copied = ensureModel(copy);
        copied->target = model->target;
        copied->action = model->action;
        copied->keyEquivalent = model->keyEquivalent;
        copied->mask = model->mask;
        copied->stateManaged = model->stateManaged;
        copied->state = model->state;
    }
    const QMenu *submenu = item->menu();
    // A menu that holds an item whose submenu is one of its ancestors would
    // copy forever; such a copy stops without the repeated submenu.
    if (submenu && !copying.contains(submenu)) {
        copying.insert(submenu);
        QMenu *copiedMenu = Menu::create(submenu->title());
        const QList<QAction *> items = submenu->actions();
        for (const QAction *child : items)
            Menu::addItem(copiedMenu, copyItem(child, copying));
        copying.remove(submenu);
        MenuItem::setSubmenu(copy, copiedMenu);
    }
    return copy;
}

} // namespace

namespace MenuItem {

QAction *create(const QString &title, const QString &action, const QString &keyEquivalent,
                QObject *parent)
{
    auto *item = new QAction(title, parent);
    MenuItemModel *model = ensureModel(item);
    model->action = action;
    if (!keyEquivalent.isEmpty())
        setKeyEquivalent(item, keyEquivalent);
    return item;
}

QAction *separatorItem()
{
    auto *item = new QAction();
    item->setSeparator(true);
    return item;
}

QString title(const QAction *item)
{
    return item ? item->text() : QString();
}

void setTitle(QAction *item, const QString &title)
{
    if (item)
        item->setText(title);
}

void setTarget(QAction *item, QObject *target)
{
    if (item)
        ensureModel(item)->target = target;
}

QObject *target(const QAction *item)
{
    const MenuItemModel *model = modelOf(item);
    return model ? model->target.data() : nullptr;
}

void setAction(QAction *item, const QString &action)
{
    if (item)
        ensureModel(item)->action = action;
}

QString action(const QAction *item)
{
    const MenuItemModel *model = modelOf(item);
    return model ? model->action : QString();
}

void setRepresentedObject(QAction *item, const QVariant &object)
{
    if (item)
        item->setData(object);
}

QVariant representedObject(const QAction *item)
{
    return item ? item->data() : QVariant();
}

void setKeyEquivalent(QAction *item, const QString &keyEquivalent)
{
    if (!item)
        return;
    MenuItemModel *model = ensureModel(item);
    model->keyEquivalent = keyEquivalent;
    model->applyShortcut();
}

QString keyEquivalent(const QAction *item)
{
    const MenuItemModel *model = modelOf(item);
    return model ? model->keyEquivalent : QString();
}

void setKeyEquivalentModifierMask(QAction *item, quint64 mask)
{
    if (!item)
        return;
    MenuItemModel *model = ensureModel(item);
    model->mask = mask;
    model->applyShortcut();
}

quint64 keyEquivalentModifierMask(const QAction *item)
{
    const MenuItemModel *model = modelOf(item);
    return model ? model->mask : defaultModifierMask;
}

QKeySequence shortcutFor(const QString &keyEquivalent, quint64 mask)
{
    const QList<uint> codes = keyEquivalent.toUcs4();
    if (codes.size() != 1)
        return {};
    const int key = keyFor(codes.first());
    if (key == 0)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (mask & CommandKeyMask)
        modifiers |= Qt::ControlModifier;
    if (mask & ControlKeyMask)
        modifiers |= Qt::MetaModifier;
    if (mask & AlternateKeyMask)
        modifiers |= Qt::AltModifier;
    if (mask & ShiftKeyMask)
        modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

void setImage(QAction *item, const QIcon &image)
{
    if (item)
        item->setIcon(image);
}

QIcon image(const QAction *item)
{
    return item ? item->icon() : QIcon();
}

void setSubmenu(QAction *item, QMenu *submenu)
{
    if (!item || item->menu() == submenu)
        return;
    MenuItemModel *model = ensureModel(item);
    if (submenu) {
        QAction *previous = submenu->menuAction();
        if (previous && previous->parent() != submenu && previous->menu() == submenu) {
            if (MenuItemModel *previousModel = modelOf(previous))
                previousModel->ownedSubmenu = nullptr;
            previous->setMenu(static_cast<QMenu *>(nullptr));
        }
    }
    item->setMenu(submenu);
    model->ownedSubmenu = submenu;
}

QMenu *submenu(const QAction *item)
{
    return item ? item->menu() : nullptr;
}

QMenu *menu(const QAction *item)
{
    if (!item)
        return nullptr;
    const QList<QObject *> holders = item->associatedObjects();
    for (QObject *holder : holders) {
        if (auto *menu = qobject_cast<QMenu *>(holder))
            return menu;
    }
    return nullptr;
}

QAction *parentItem(const QAction *item)
{
    QMenu *holder = menu(item);
    if (!holder)
        return nullptr;
    // A QMenu's own menu action stands for the menu until an item takes the
    // menu as its submenu; it is a parent item only once it is in a menu or
    // a menu bar itself.
    QAction *action = holder->menuAction();
    if (!action || action->menu() != holder)
        return nullptr;
    if (action->parent() != holder || !action->associatedObjects().isEmpty())
        return action;
    return nullptr;
}

void setState(QAction *item, int state)
{
    if (!item)
        return;
    MenuItemModel *model = ensureModel(item);
    model->stateManaged = true;
    model->state = state;
    // Only an item that is on is checkable, so that the items that are off
    // show no empty check box, as in a menu of radio choices.
    item->setCheckable(state == 1);
    item->setChecked(state == 1);
}

int state(const QAction *item)
{
    if (!item)
        return 0;
    if (const MenuItemModel *model = modelOf(item); model && model->stateManaged)
        return model->state;
    return item->isChecked() ? 1 : 0;
}

QAction *copy(const QAction *item)
{
    if (!item)
        return nullptr;
    QSet<const QMenu *> copying;
    return copyItem(item, copying);
}

void setDefaultTarget(QObject *target)
{
    defaultTargetPointer() = target;
}

QObject *defaultTarget()
{
    return defaultTargetPointer().data();
}

void sendAction(QAction *item)
{
    if (!item)
        return;
    QPointer<QAction> guard(item);
    const QList<QObject *> holders = item->associatedObjects();
    for (QObject *holder : holders) {
        if (auto *menu = qobject_cast<QMenu *>(holder)) {
            QActionEvent event(willSendActionEventType(), item);
            QCoreApplication::sendEvent(menu, &event);
            if (!guard)
                return;
        }
    }
    const MenuItemModel *model = modelOf(item);
    if (!model || model->action.isEmpty())
        return;
    QObject *receiver = model->target ? model->target.data() : defaultTargetPointer().data();
    Command::send(model->action, receiver, item);
}

QEvent::Type willSendActionEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace MenuItem

#include "MenuItem.moc"
