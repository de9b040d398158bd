#pragma once

#include <QColor>
#include <QImage>

#include <cstdlib>

// An image to paint into: fully transparent, without premultiplied alpha so that
// a pixel's colour reads back as drawn.
inline QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// The colour that reaches the screen: out-of-range components clamped, then
// eight bits each.
inline QColor onScreen(const QColor &color)
{
    const auto clamp = [](float c) { return c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c); };
    return QColor::fromRgbF(clamp(color.redF()), clamp(color.greenF()), clamp(color.blueF()))
        .toRgb();
}

inline bool isNear(QColor a, QColor b, int tolerance = 2)
{
    a = a.toRgb();
    b = b.toRgb();
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}
