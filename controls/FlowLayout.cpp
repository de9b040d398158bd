#include "controls/FlowLayout.h"

#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget *parent)
    : QLayout(parent)
{}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return int(m_items.size());
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), true);
}

QSize FlowLayout::minimumSize() const
{
    // As narrow as the widest item: everything else wraps.
    QSize size;
    for (const QLayoutItem *item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // All in one row.
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        width += item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
        ++shown;
    }
    width += std::max(0, shown - 1) * gap();
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, false);
}

int FlowLayout::gap() const
{
    const int set = spacing();
    return set >= 0 ? set : 6;
}

int FlowLayout::arrange(const QRect &rect, bool measureOnly) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int spacing = gap();
    int y = area.y();
    qsizetype rowStart = 0;
    while (rowStart < m_items.size()) {
        // Take items into the row while they fit; a row holds at least one.
        qsizetype rowEnd = rowStart;
        int width = 0;
        int height = 0;
        for (; rowEnd < m_items.size(); ++rowEnd) {
            const QLayoutItem *item = m_items[rowEnd];
            if (item->isEmpty())
                continue;
            const QSize hint = item->sizeHint();
            const int needed = width == 0 ? hint.width() : width + spacing + hint.width();
            if (width > 0 && needed > area.width())
                break;
            width = needed;
            height = std::max(height, hint.height());
        }
        if (!measureOnly) {
            int x = area.x();
            for (qsizetype i = rowStart; i < rowEnd; ++i) {
                QLayoutItem *item = m_items[i];
                if (item->isEmpty())
                    continue;
                const QSize hint = item->sizeHint();
                const int itemWidth = std::min(hint.width(), area.right() + 1 - x);
                const int itemHeight =
                    std::min(item->maximumSize().height(),
                             item->expandingDirections() & Qt::Vertical ? height : hint.height());
                item->setGeometry(QRect(x, y + (height - itemHeight) / 2,
                                        std::max(itemWidth, item->minimumSize().width()),
                                        itemHeight));
                x += itemWidth + spacing;
            }
        }
        y += height + (rowEnd < m_items.size() ? spacing : 0);
        rowStart = rowEnd;
    }
    const QMargins margins = contentsMargins();
    return y - area.y() + margins.top() + margins.bottom();
}
