#include "platform/menu/PopUpButton.h"

#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QAction>
#include <QActionEvent>
#include <QMenu>

#include <algorithm>

PopUpButton::PopUpButton(QWidget *parent)
    : QPushButton(parent)
    , m_menu(new QMenu(this))
{
    QPushButton::setMenu(m_menu);
    m_menu->installEventFilter(this);
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

bool PopUpButton::eventFilter(QObject *watched, QEvent *event)
{
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
    setText(m_selected ? m_selected->text() : QString());
    setIcon(m_selected ? m_selected->icon() : QIcon());
}
