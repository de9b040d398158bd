#include "controls/VLButton.h"

#include "controls/VLButtonCell.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

VLButton::VLButton(QWidget *parent)
    : QPushButton(parent)
    , m_cell(std::make_unique<VLButtonCell>())
{}

VLButton::VLButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
    , m_cell(std::make_unique<VLButtonCell>())
{}

VLButton::~VLButton() = default;

VLButton::VLButtonType VLButton::vlButtonType() const
{
    return static_cast<VLButtonType>(m_cell->vlButtonType());
}

void VLButton::setVLButtonType(qint32 type)
{
    m_cell->setVLButtonType(type);
}

QRectF VLButton::faceRect() const
{
    return QRectF(rect()).adjusted(focusMargin, focusMargin, -focusMargin, -focusMargin);
}

QSize VLButton::sizeHint() const
{
    const QSize title = fontMetrics().size(Qt::TextShowMnemonic, text());
    const int width = std::max(title.width() + 24, 64) + 2 * focusMargin;
    const int height = std::max(title.height() + 10, 24) + 2 * focusMargin;
    return {width, height};
}

QSize VLButton::minimumSizeHint() const
{
    const QSize title = fontMetrics().size(Qt::TextShowMnemonic, text());
    return {title.width() + 8 + 2 * focusMargin, title.height() + 4 + 2 * focusMargin};
}

void VLButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_cell->setHighlighted(isDown());
    m_cell->drawWithFrame(painter, faceRect(), text(), font());

    if (hasFocus()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = 0.75;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 4.0, 4.0);
        painter.restore();
    }
}
