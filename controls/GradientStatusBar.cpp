#include "controls/GradientStatusBar.h"

#include "controls/Groove.h"

#include <QPainter>

GradientStatusBar::GradientStatusBar(QWidget *parent)
    : QWidget(parent)
    // From the bottom (0, 1) of whatever rectangle it fills to its top (0, 0).
    , m_gradient(0.0, 1.0, 0.0, 0.0)
{
    m_gradient.setCoordinateMode(QGradient::ObjectMode);
    m_gradient.setColorAt(0.0, QColor::fromRgbF(0.922f, 0.922f, 0.922f, 1.0f));
    m_gradient.setColorAt(1.0, QColor::fromRgbF(1.0f, 1.0f, 1.0f, 1.0f));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

GradientStatusBar::~GradientStatusBar() = default;

void GradientStatusBar::drawInRect(QPainter &painter, const QRectF &bounds) const
{
    // Below one pixel the gradient's height would be negative; such a bar has
    // no room for the groove line either.
    if (bounds.width() <= 0.0 || bounds.height() < 1.0)
        return;
    Controls::drawGroove(painter, bounds, bounds);
    const QRectF below(bounds.x(), bounds.y() + 1.0, bounds.width(), bounds.height() - 1.0);
    if (below.width() <= 0.0 || below.height() <= 0.0)
        return;
    painter.save();
    painter.fillRect(below, m_gradient);
    painter.restore();
}

void GradientStatusBar::paintEvent(QPaintEvent *)
{
    // The whole bar, whatever part was asked for: the gradient depends on the
    // full height.
    QPainter painter(this);
    drawInRect(painter, rect());
}
