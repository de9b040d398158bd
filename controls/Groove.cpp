#include "controls/Groove.h"

#include <QPainter>

#include <array>

QColor Controls::grooveShadowColor()
{
    return QColor::fromRgbF(0.6f, 0.6f, 0.6f);
}

QColor Controls::grooveLightColor()
{
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f);
}

QColor Controls::grooveFillColor()
{
    return QColor::fromRgbF(0.85f, 0.85f, 0.85f);
}

void Controls::drawGroove(QPainter &painter, const QRectF &rect, const QRectF &clipRect)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setClipRect(clipRect, Qt::IntersectClip);
    painter.fillRect(rect, grooveFillColor());

    enum Side { Top, Left, Bottom, Right };
    struct Line
    {
        Side side;
        QColor color;
    };
    const QColor shadow = grooveShadowColor();
    const QColor light = grooveLightColor();
    const std::array<Line, 8> lines = {{
        {Top, shadow},
        {Left, shadow},
        {Bottom, light},
        {Right, light},
        {Top, light},
        {Left, light},
        {Bottom, shadow},
        {Right, shadow},
    }};
    // Each line takes its slice off what is left, so earlier lines own the
    // corners.
    QRectF rest = rect;
    for (const Line &line : lines) {
        if (rest.width() <= 0.0 || rest.height() <= 0.0)
            break;
        QRectF slice = rest;
        switch (line.side) {
        case Top:
            slice.setHeight(1.0);
            rest.setTop(rest.top() + 1.0);
            break;
        case Left:
            slice.setWidth(1.0);
            rest.setLeft(rest.left() + 1.0);
            break;
        case Bottom:
            slice.setTop(rest.bottom() - 1.0);
            rest.setBottom(rest.bottom() - 1.0);
            break;
        case Right:
            slice.setLeft(rest.right() - 1.0);
            rest.setRight(rest.right() - 1.0);
            break;
        }
        painter.fillRect(slice, line.color);
    }
    painter.restore();
}
