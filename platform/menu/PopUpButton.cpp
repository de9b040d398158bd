#include "platform/menu/PopUpButton.h"

#include "platform/menu/Menu.h"
#include "platform/menu/MenuChooser.h"
#include "platform/menu/MenuItem.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QActionEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

// Screen readers see the chooser, a window of its own, as the button's child
// while it is shown: Qt leaves pop-up windows out of the application's tree.
class AccessiblePopUpButton : public QAccessibleWidget
{
public:
    explicit AccessiblePopUpButton(PopUpButton *button)
        : QAccessibleWidget(button, QAccessible::PushButton)
    {}

    PopUpButton *button() const { return static_cast<PopUpButton *>(widget()); }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.expanded = button()->chooser() != nullptr;
        state.collapsed = !state.expanded;
        return state;
    }

    QString text(QAccessible::Text type) const override
    {
        const QString text = QAccessibleWidget::text(type);
        if (type == QAccessible::Name && text.isEmpty())
            return button()->text();
        return text;
    }

    int childCount() const override { return button()->chooser() ? 1 : 0; }

    QAccessibleInterface *child(int index) const override
    {
        QWidget *chooser = button()->chooser();
        return index == 0 && chooser ? QAccessible::queryAccessibleInterface(chooser) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        QWidget *chooser = button()->chooser();
        return child && chooser && child->object() == chooser ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction(), showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction() || name == showMenuAction())
            button()->showChooser();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1StringView("PopUpButton") && object && object->isWidgetType())
        return new AccessiblePopUpButton(static_cast<PopUpButton *>(object));
    return nullptr;
}

} // namespace

PopUpButton::PopUpButton(QWidget *parent)
    : QPushButton(parent)
    , m_menu(new QMenu(this))
{
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(accessible);
    // Return presses the button as Space does.
    setAutoDefault(true);
    m_menu->installEventFilter(this);
    connect(this, &QPushButton::clicked, this, &PopUpButton::showChooser);
    // Items that are plain QActions send no action of their own; the menu's
    // signal is enough to follow the choice for them.
    connect(m_menu, &QMenu::triggered, this, [this](QAction *item) {
        if (item != m_selected)
            selectItem(item);
    });
    connect(m_menu, &QMenu::aboutToShow, this, [this] { m_menu->setActiveAction(m_selected); });
}

PopUpButton::~PopUpButton()
{
    m_menu->removeEventFilter(this);
}

QMenu *PopUpButton::menu() const
{
    return m_menu;
}

QAction *PopUpButton::selectedItem() const
{
    return m_selected;
}

int PopUpButton::indexOfSelectedItem() const
{
    return m_selected ? static_cast<int>(m_menu->actions().indexOf(m_selected.data())) : -1;
}

void PopUpButton::selectItemWithTitle(const QString &title)
{
    setSelection(title.isEmpty() ? nullptr : Menu::itemWithTitle(m_menu, title));
}

void PopUpButton::selectItem(QAction *item)
{
    if (item && (item->isSeparator() || !m_menu->actions().contains(item)))
        item = nullptr;
    setSelection(item);
}

void PopUpButton::setCaption(const QString &caption)
{
    m_caption = caption;
    showSelection();
}

MenuChooser *PopUpButton::chooser() const
{
    return m_chooser && m_chooser->isVisible() ? m_chooser.data() : nullptr;
}

void PopUpButton::showChooser()
{
    if (!m_chooser) {
        m_chooser = new MenuChooser(this);
        connect(m_chooser, &MenuChooser::chosen, this, [this](QAction *item) {
            // Selected first, so that the item's action reads the new choice.
            selectItem(item);
            item->trigger();
        });
    }
    m_chooser->setAccessibleName(m_caption);
    m_chooser->list()->setAccessibleName(m_caption);
    m_chooser->popUp(m_menu, m_selected, this);
}

QSize PopUpButton::sizeHint() const
{
    // Wide enough for the longest title, so that the button keeps its size
    // while the selection changes.
    QSize hint = QPushButton::sizeHint();
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    const QList<QAction *> items = m_menu->actions();
    for (const QAction *item : items)
        widest = std::max(widest, metrics.horizontalAdvance(item->text()));
    const int current = metrics.horizontalAdvance(text());
    if (widest > current)
        hint.rwidth() += widest - current;
    return hint;
}

bool PopUpButton::event(QEvent *event)
{
    if (event->type() == QEvent::Polish)
        watchBuddyLabels();
    return QPushButton::event(event);
}

void PopUpButton::keyPressEvent(QKeyEvent *event)
{
    // The keys that open a drop-down list.
    if ((event->key() == Qt::Key_Down && event->modifiers() & Qt::AltModifier) ||
        event->key() == Qt::Key_F4) {
        showChooser();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void PopUpButton::initStyleOption(QStyleOptionButton *option) const
{
    QPushButton::initStyleOption(option);
    option->features |= QStyleOptionButton::HasMenu;
}

// A label's mnemonic focuses its buddy and, for a button, presses it: the
// pop-up only takes the focus, so that Alt and the letter do not open it.
void PopUpButton::watchBuddyLabels()
{
    const QList<QLabel *> labels = window()->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->buddy() == this) {
            label->removeEventFilter(this);
            label->installEventFilter(this);
        }
    }
}

bool PopUpButton::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Shortcut && qobject_cast<QLabel *>(watched) &&
        static_cast<QLabel *>(watched)->buddy() == this) {
        setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    if (watched == m_menu) {
        const auto type = event->type();
        if (type == MenuItem::willSendActionEventType()) {
            selectItem(static_cast<QActionEvent *>(event)->action());
        } else if (type == QEvent::ActionAdded) {
            if (!m_selected)
                setSelection(firstSelectableItem());
            updateGeometry();
        } else if (type == QEvent::ActionRemoved) {
            if (static_cast<QActionEvent *>(event)->action() == m_selected) {
                // The removed item may be on its way out (a QAction leaves its
                // menus while it is destroyed): leave it alone.
                m_selected = nullptr;
                setSelection(firstSelectableItem(), true);
            }
            updateGeometry();
        } else if (type == QEvent::ActionChanged) {
            if (static_cast<QActionEvent *>(event)->action() == m_selected)
                showSelection();
            updateGeometry();
        }
    }
    return QPushButton::eventFilter(watched, event);
}

void PopUpButton::setSelection(QAction *item, bool changed)
{
    if (item == m_selected && !changed)
        return;
    if (m_selected)
        MenuItem::setState(m_selected, 0);
    m_selected = item;
    if (item)
        MenuItem::setState(item, 1);
    showSelection();
    Q_EMIT selectedItemChanged();
}

QAction *PopUpButton::firstSelectableItem() const
{
    const QList<QAction *> items = m_menu->actions();
    for (QAction *item : items) {
        if (!item->isSeparator())
            return item;
    }
    return nullptr;
}

void PopUpButton::showSelection()
{
    const QString title = m_selected ? m_selected->text() : QString();
    setText(title);
    setIcon(m_selected ? m_selected->icon() : QIcon());
    if (!m_caption.isEmpty())
        setAccessibleName(title.isEmpty() ? m_caption : tr("%1: %2").arg(m_caption, title));
}
