#pragma once

#include <QColor>

// Colour arithmetic for the styled buttons. The shifts work in single precision
// and do not clamp: a component may leave 0..1 and is only clamped where the
// colour is drawn. Results are always opaque. An invalid colour stands for an
// absent one: shifting it gives an invalid colour and it is never light.
namespace ColorExtensions {

QColor lightenColorByValue(const QColor &color, float value);
QColor darkenColorByValue(const QColor &color, float value);

// Light when the brightness is strictly greater than 0.8.
bool isLightColor(const QColor &color);

} // namespace ColorExtensions
