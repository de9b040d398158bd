#include "controls/ColorExtensions.h"

#include <gtest/gtest.h>

using namespace ColorExtensions;

TEST(ColorExtensions, ShiftsDoNotClampAndAreOpaque)
{
    const QColor orange = QColor::fromRgbF(0.97f, 0.58f, 0.02f, 0.5f);
    const QColor lighter = lightenColorByValue(orange, 0.12f);
    EXPECT_NEAR(lighter.redF(), 1.09, 1e-3);
    EXPECT_NEAR(lighter.greenF(), 0.70, 1e-3);
    EXPECT_NEAR(lighter.blueF(), 0.14, 1e-3);
    EXPECT_EQ(lighter.alphaF(), 1.0f);
    EXPECT_NEAR(orange.alphaF(), 0.5, 1e-3) << "the receiver is never changed";

    const QColor blue = QColor::fromRgbF(0.0f, 0.33f, 0.8f, 0.25f);
    const QColor darker = darkenColorByValue(blue, 0.12f);
    EXPECT_NEAR(darker.redF(), -0.12, 1e-3);
    EXPECT_NEAR(darker.greenF(), 0.21, 1e-3);
    EXPECT_NEAR(darker.blueF(), 0.68, 1e-3);
    EXPECT_EQ(darker.alphaF(), 1.0f);
}

TEST(ColorExtensions, ZeroShiftKeepsTheComponentsAndDropsAlpha)
{
    const QColor color = QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.3f);
    QColor opaque = color;
    opaque.setAlphaF(1.0f);
    EXPECT_EQ(lightenColorByValue(color, 0.0f).rgba64(), opaque.rgba64());
    EXPECT_EQ(darkenColorByValue(color, 0.0f).rgba64(), opaque.rgba64());
}

TEST(ColorExtensions, LightMeansBrightnessStrictlyAboveEightTenths)
{
    EXPECT_TRUE(isLightColor(Qt::white));
    EXPECT_TRUE(isLightColor(QColor::fromRgbF(0.81f, 0.81f, 0.81f)));
    EXPECT_FALSE(isLightColor(QColor::fromRgbF(0.8f, 0.8f, 0.8f)));
    EXPECT_FALSE(isLightColor(QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.2f)));
    EXPECT_FALSE(isLightColor(Qt::black));
    // Colours that are not grey are judged by the mean of their components.
    EXPECT_TRUE(isLightColor(QColor::fromRgbF(1.0f, 0.95f, 0.5f)));
    EXPECT_FALSE(isLightColor(QColor::fromRgbF(1.0f, 1.0f, 0.3f)));
    // Components above one count as they are.
    EXPECT_TRUE(isLightColor(lightenColorByValue(QColor::fromRgbF(0.9f, 0.7f, 0.7f), 0.15f)));
}

TEST(ColorExtensions, InvalidColourIsAnAbsentOne)
{
    EXPECT_FALSE(lightenColorByValue(QColor(), 0.1f).isValid());
    EXPECT_FALSE(darkenColorByValue(QColor(), 0.1f).isValid());
    EXPECT_FALSE(isLightColor(QColor()));
}
