#include "controls/GradientStatusBar.h"
#include "controls/Groove.h"

#include "ImageChecks.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage drawnBar(int width, qreal height)
{
    GradientStatusBar bar;
    QImage image = transparentImage(width, std::max(1, int(height)));
    QPainter painter(&image);
    bar.drawInRect(painter, QRectF(0, 0, width, height));
    return image;
}

} // namespace

TEST(GradientStatusBar, TopRowIsTheGrooveAndTheRestTheGradient)
{
    const QImage image = drawnBar(50, 22);
    const QRgb groove = Controls::grooveShadowColor().rgba();
    for (int x = 0; x < 50; ++x)
        ASSERT_EQ(image.pixel(x, 0), groove) << x;
    EXPECT_TRUE(isNear(image.pixelColor(25, 21), QColor::fromRgbF(0.922f, 0.922f, 0.922f), 1));
    EXPECT_TRUE(isNear(image.pixelColor(25, 1), Qt::white, 1));
    for (int y = 2; y < 22; ++y) {
        const QColor left = image.pixelColor(0, y);
        EXPECT_EQ(image.pixelColor(49, y), left) << y;
        EXPECT_LE(left.red(), image.pixelColor(0, y - 1).red()) << "darker downwards " << y;
    }

    const QImage line = drawnBar(30, 1);
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(line.pixel(x, 0), groove) << x;
    EXPECT_EQ(drawnBar(30, 0.5), transparentImage(30, 1));
}

TEST(GradientStatusBar, WidgetPaintsItselfOpaque)
{
    GradientStatusBar bar;
    bar.resize(40, 3);
    EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(image.pixel(39, 0), Controls::grooveShadowColor().rgba());
    EXPECT_EQ(image.pixelColor(0, 2).alpha(), 255);
}
