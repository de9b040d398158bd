#include "controls/VLButtonCell.h"

#include "controls/ColorExtensions.h"
#include "controls/VLButton.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr float shadeAmount = 0.12f;
constexpr qreal cornerRadius = 3.0;

// The shifted colours may leave 0..1 (the darker shade of red has a negative
// green, the lighter orange a red above one); they are clamped only here,
// where they reach the painter.
QColor drawable(const QColor &color)
{
    const auto clamp = [](float component) { return std::clamp(component, 0.0f, 1.0f); };
    return QColor::fromRgbF(clamp(color.redF()), clamp(color.greenF()), clamp(color.blueF()),
                            clamp(color.alphaF()));
}

} // namespace

VLButtonCell::VLButtonCell() = default;

VLButtonCell::~VLButtonCell() = default;

void VLButtonCell::setVLButtonType(qint32 type)
{
    m_vlButtonType = type;
}

void VLButtonCell::setHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
}

QColor VLButtonCell::getColorForButtonType() const
{
    switch (m_vlButtonType) {
    case VLButton::VLButtonTypeBlue:
        return QColor::fromRgbF(0.0f, 0.33f, 0.8f, 1.0f);
    case VLButton::VLButtonTypeTeal:
        return QColor::fromRgbF(0.18f, 0.59f, 0.71f, 1.0f);
    case VLButton::VLButtonTypeGreen:
        return QColor::fromRgbF(0.32f, 0.64f, 0.32f, 1.0f);
    case VLButton::VLButtonTypeOrange:
        return QColor::fromRgbF(0.97f, 0.58f, 0.02f, 1.0f);
    case VLButton::VLButtonTypeDarkRed:
        return QColor::fromRgbF(0.74f, 0.21f, 0.18f, 1.0f);
    case VLButton::VLButtonTypeCharcoal:
        return QColor::fromRgbF(0.13f, 0.13f, 0.13f, 1.0f);
    case VLButton::VLButtonTypeRed:
    default:
        return QColor::fromRgbF(0.871f, 0.078f, 0.18f, 1.0f);
    }
}

void VLButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame) const
{
    if (frame.isEmpty())
        return;
    const QColor base = getColorForButtonType();
    const bool highlighted = m_highlighted;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outer;
    outer.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(outer, drawable(ColorExtensions::darkenColorByValue(base, shadeAmount)));
    painter.restore();

    if (highlighted)
        return;

    const QRectF inner = frame.adjusted(1.0, 1.0, -1.0, -1.0);
    if (inner.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath innerPath;
    innerPath.addRoundedRect(inner, cornerRadius, cornerRadius);
    QLinearGradient gradient(inner.topLeft(), inner.bottomLeft());
    gradient.setColorAt(0.0, drawable(ColorExtensions::lightenColorByValue(base, shadeAmount)));
    gradient.setColorAt(1.0, drawable(base));
    painter.fillPath(innerPath, gradient);
    painter.restore();
}

QRectF VLButtonCell::drawTitle(QPainter &painter, const QString &title, const QFont &font,
                               const QRectF &frame) const
{
    painter.save();
    const bool light = ColorExtensions::isLightColor(getColorForButtonType());
    painter.setPen(light ? Qt::black : Qt::white);
    painter.setFont(font);
    QRectF occupied;
    painter.drawText(frame, Qt::AlignCenter | Qt::TextShowMnemonic, title, &occupied);
    painter.restore();
    return occupied;
}

void VLButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, const QString &title,
                                 const QFont &font) const
{
    drawBezelWithFrame(painter, frame);
    drawTitle(painter, title, font, frame);
}
