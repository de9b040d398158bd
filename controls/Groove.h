#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace Controls {

// A grey-filled rectangle with an etched border two pixels wide: a shadow line
// then a light line along the top and left, a light line then a shadow line
// along the bottom and right. The top shadow line spans the full width.
// Nothing is drawn outside `clipRect`.
void drawGroove(QPainter &painter, const QRectF &rect, const QRectF &clipRect);

QColor grooveShadowColor();
QColor grooveLightColor();
QColor grooveFillColor();

} // namespace Controls
