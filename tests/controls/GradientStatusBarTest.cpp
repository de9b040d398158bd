#include "controls/GradientStatusBar.h"
#include "controls/Groove.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace TestSupport;

TEST(GradientStatusBar, PaintsAnOpaqueGrooveOverAGradientThatDarkensDownwards)
{
    GradientStatusBar bar;
    bar.resize(50, 22);
    EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage image = bar.grab().toImage();
    const QRgb groove = Controls::grooveShadowColor().rgba();
    for (int x = 0; x < 50; ++x)
        ASSERT_EQ(image.pixel(x, 0), groove) << x;
    EXPECT_TRUE(isNear(image.pixelColor(25, 1), Qt::white, 1));
    EXPECT_TRUE(isNear(image.pixelColor(25, 21), QColor::fromRgbF(0.922f, 0.922f, 0.922f), 1));
    for (int y = 2; y < 22; ++y) {
        const QColor left = image.pixelColor(0, y);
        EXPECT_EQ(left.alpha(), 255) << y;
        EXPECT_EQ(image.pixelColor(49, y), left) << y;
        EXPECT_LE(left.red(), image.pixelColor(0, y - 1).red()) << "darker downwards " << y;
    }

    // Less than a pixel high: nothing is drawn.
    QImage thin = transparentImage(30, 1);
    QPainter painter(&thin);
    bar.drawInRect(painter, QRectF(0, 0, 30, 0.5));
    painter.end();
    EXPECT_EQ(thin, transparentImage(30, 1));
}
