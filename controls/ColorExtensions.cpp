#include "controls/ColorExtensions.h"

#include <QRgba64>

namespace {

struct Components
{
    double red;
    double green;
    double blue;
};

// QColor keeps in-range components as 16-bit integers and out-of-range ones as
// half floats; read both without the extra rounding of redF() on the former.
Components components(const QColor &color)
{
    if (color.spec() == QColor::ExtendedRgb)
        return {color.redF(), color.greenF(), color.blueF()};
    const QRgba64 rgb = color.rgba64();
    return {rgb.red() / 65535.0, rgb.green() / 65535.0, rgb.blue() / 65535.0};
}

QColor shifted(const QColor &color, float value)
{
    if (!color.isValid())
        return {};
    const Components c = components(color);
    // fromRgbF switches to the extended model by itself when a sum leaves 0..1.
    return QColor::fromRgbF(float(c.red) + value, float(c.green) + value, float(c.blue) + value,
                            1.0f);
}

} // namespace

QColor ColorExtensions::lightenColorByValue(const QColor &color, float value)
{
    return shifted(color, value);
}

QColor ColorExtensions::darkenColorByValue(const QColor &color, float value)
{
    return shifted(color, -value);
}

bool ColorExtensions::isLightColor(const QColor &color)
{
    if (!color.isValid())
        return false;
    const Components c = components(color);
    // Qt has no grey colour model: a colour with three equal components is a
    // grey, and its level is its brightness. Averaging would lift a 0.8 grey
    // over the strict threshold (0.8 + 0.8 + 0.8 is 2.4000000000000004).
    const bool grey = c.red == c.green && c.green == c.blue;
    const double brightness = grey ? c.red : (c.red + c.green + c.blue) / 3.0;
    return brightness > 0.8;
}
