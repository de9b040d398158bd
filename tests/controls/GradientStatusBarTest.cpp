#include "controls/GradientStatusBar.h"
#include "support/TestSupport.h"

#include <QPainter>

using namespace TestSupport;

TEST(GradientStatusBar, PaintsAnOpaqueGrooveOverAGradientThatDarkensDownwards)
{
    GradientStatusBar bar;
    bar.resize(50, 22);
    EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage image = bar.grab().toImage();
    // A groove line darker than the top of the gradient, across the width.
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 255);
    EXPECT_EQ(image.pixel(49, 0), image.pixel(0, 0));
    EXPECT_LT(image.pixelColor(25, 0).red(), image.pixelColor(25, 1).red());
    EXPECT_TRUE(isNear(image.pixelColor(25, 1), Qt::white, 1));
    EXPECT_LT(image.pixelColor(25, 21).red(), image.pixelColor(25, 1).red());
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
