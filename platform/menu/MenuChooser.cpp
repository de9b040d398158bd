#include "platform/menu/MenuChooser.h"

#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A title as shown: the mnemonic markers of a menu title taken out.
QString shownTitle(const QString &title)
{
    QString shown;
    shown.reserve(title.size());
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title[i] == u'&' && i + 1 < title.size())
            ++i;
        shown.append(title[i]);
    }
    return shown;
}

} // namespace

MenuChooser::MenuChooser(QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_find(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_find);
    layout->addWidget(m_list);

    m_find->setPlaceholderText(tr("Type to find"));
    m_find->setAccessibleName(tr("Find"));
    m_find->setClearButtonEnabled(true);
    m_find->installEventFilter(this);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusProxy(m_find);

    connect(m_find, &QLineEdit::textChanged, this, &MenuChooser::filter);
    // One click chooses, as in a menu.
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { choose(m_list->row(item)); });
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { choose(m_list->row(item)); });
}

MenuChooser::~MenuChooser() = default;

void MenuChooser::popUp(QMenu *menu, QAction *current, QWidget *anchor)
{
    m_list->clear();
    m_items.clear();
    m_find->clear();
    const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
    for (QAction *action : actions) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator()) {
            // A section's title (QMenu::addSection) heads its items here too.
            if (action->text().isEmpty())
                continue;
            auto *heading = new QListWidgetItem(shownTitle(action->text()), m_list);
            heading->setFlags(Qt::NoItemFlags);
            QFont font = heading->font();
            font.setBold(true);
            heading->setFont(font);
            m_items.append(action);
            continue;
        }
        auto *item = new QListWidgetItem(action->icon(), shownTitle(action->text()), m_list);
        item->setToolTip(action->toolTip());
        if (!action->isEnabled())
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        m_items.append(action);
        if (action == current)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
    place(anchor);
    show();
    m_list->scrollToItem(m_list->currentItem(), QAbstractItemView::PositionAtCenter);
    m_find->setFocus(Qt::PopupFocusReason);
}

void MenuChooser::place(QWidget *anchor)
{
    const QPoint below = anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : pos();
    const QPoint above = anchor ? anchor->mapToGlobal(QPoint(0, 0)) : pos();
    QScreen *screen = anchor ? anchor->screen() : this->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);

    // Room for 24 rows at most, and for the longest title beside the scroll
    // bar, but never more than the screen.
    const int rowHeight = std::max(1, m_list->sizeHintForRow(0));
    const QMargins margins = layout()->contentsMargins();
    const int frames = 2 * (m_list->frameWidth() + frameWidth());
    const int chrome = m_find->sizeHint().height() + layout()->spacing() + margins.top() +
                       margins.bottom() + frames;
    const int wanted = chrome + std::clamp(int(m_list->count()), 1, 24) * rowHeight;
    const int titles = m_list->sizeHintForColumn(0) + 2 * m_list->spacing() +
                       m_list->verticalScrollBar()->sizeHint().width() + margins.left() +
                       margins.right() + frames;
    const int width = std::min(room.width(), std::max(anchor ? anchor->width() : 0, titles));
    // Below the anchor where the list fits, else on the side with more room;
    // never taller than the screen, so the list scrolls instead.
    const int roomBelow = room.bottom() + 1 - below.y();
    const int roomAbove = above.y() - room.top();
    int height = wanted;
    int y = below.y();
    if (wanted > roomBelow) {
        if (roomAbove > roomBelow) {
            height = std::min(wanted, roomAbove);
            y = above.y() - height;
        } else {
            height = std::min(wanted, roomBelow);
        }
    }
    height = std::max(height, std::min(room.height(), chrome + 3 * rowHeight));
    y = std::clamp(y, room.top(), std::max(room.top(), room.bottom() + 1 - height));
    const int x =
        std::clamp(below.x(), room.left(), std::max(room.left(), room.right() + 1 - width));
    setGeometry(x, y, width, height);
}

void MenuChooser::filter(const QString &text)
{
    const QString wanted = text.simplified();
    QListWidgetItem *firstShown = nullptr;
    // A heading is shown while any item of its section is.
    QListWidgetItem *heading = nullptr;
    bool sectionShown = false;
    const auto endSection = [&] {
        if (heading)
            heading->setHidden(!sectionShown);
    };
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        if (m_items.at(row) && m_items.at(row)->isSeparator()) {
            endSection();
            heading = item;
            sectionShown = false;
            continue;
        }
        const bool shown = item->text().contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        sectionShown = sectionShown || shown;
        if (shown && !firstShown && (item->flags() & Qt::ItemIsEnabled))
            firstShown = item;
    }
    endSection();
    QListWidgetItem *current = m_list->currentItem();
    if (!current || current->isHidden())
        m_list->setCurrentItem(firstShown);
    if (m_list->currentItem())
        m_list->scrollToItem(m_list->currentItem());
}

void MenuChooser::choose(int row)
{
    if (row < 0 || row >= m_items.size() || m_list->item(row)->isHidden() ||
        !(m_list->item(row)->flags() & Qt::ItemIsEnabled))
        return;
    const QPointer<QAction> item = m_items.at(row);
    hide();
    if (item)
        Q_EMIT chosen(item);
}

bool MenuChooser::eventFilter(QObject *watched, QEvent *event)
{
    // Typing goes to the find field; the keys that move in a list move in the
    // list from there.
    if (watched == m_find && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_list, event);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose(m_list->currentRow());
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void MenuChooser::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose(m_list->currentRow());
        return;
    }
    QFrame::keyPressEvent(event);
}
