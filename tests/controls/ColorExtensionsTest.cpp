#include "controls/ColorExtensions.h"

#include <gtest/gtest.h>

using namespace ColorExtensions;

TEST(ColorExtensions, ShiftsDoNotClampAndDropAlpha)
{
    const QColor lighter = lightenColorByValue(QColor::fromRgbF(0.97f, 0.58f, 0.02f, 0.5f), 0.12f);
    EXPECT_NEAR(lighter.redF(), 1.09, 1e-3);
    EXPECT_NEAR(lighter.blueF(), 0.14, 1e-3);
    EXPECT_EQ(lighter.alphaF(), 1.0f);

    const QColor darker = darkenColorByValue(QColor::fromRgbF(0.0f, 0.33f, 0.8f, 0.25f), 0.12f);
    EXPECT_NEAR(darker.redF(), -0.12, 1e-3);
    EXPECT_NEAR(darker.greenF(), 0.21, 1e-3);
    EXPECT_EQ(darker.alphaF(), 1.0f);

    EXPECT_FALSE(lightenColorByValue(QColor(), 0.1f).isValid());
    EXPECT_FALSE(darkenColorByValue(QColor(), 0.1f).isValid());
}

TEST(ColorExtensions, LightMeansMeanBrightnessStrictlyAboveEightTenths)
{
    EXPECT_TRUE(isLightColor(QColor::fromRgbF(0.81f, 0.81f, 0.81f)));
    EXPECT_FALSE(isLightColor(QColor::fromRgbF(0.8f, 0.8f, 0.8f)));
    EXPECT_TRUE(isLightColor(QColor::fromRgbF(1.0f, 0.95f, 0.5f)));
    EXPECT_FALSE(isLightColor(QColor::fromRgbF(1.0f, 1.0f, 0.3f)));
    // Components above one count as they are.
    EXPECT_TRUE(isLightColor(lightenColorByValue(QColor::fromRgbF(0.9f, 0.7f, 0.7f), 0.15f)));
    EXPECT_FALSE(isLightColor(QColor()));
}
