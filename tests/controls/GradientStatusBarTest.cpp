#include "controls/GradientStatusBar.h"
#include "controls/Groove.h"

#include "ImageChecks.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage drawnBar(int width, int height)
{
    GradientStatusBar bar;
    QImage image = transparentImage(width, height);
    QPainter painter(&image);
    bar.drawInRect(painter, QRectF(0, 0, width, height));
    return image;
}

} // namespace

TEST(GradientStatusBar, TopRowIsTheGrooveAndTheRestTheGradient)
{
    const QImage image = drawnBar(50, 22);
    for (int x = 0; x < 50; ++x)
        ASSERT_EQ(image.pixel(x, 0), Controls::grooveShadowColor().rgba()) << x;

    const QColor grey = QColor::fromRgbF(0.922f, 0.922f, 0.922f).toRgb();
    EXPECT_TRUE(isNear(image.pixelColor(25, 21), grey, 1));
    EXPECT_TRUE(isNear(image.pixelColor(25, 1), Qt::white, 1));
    for (int y = 1; y < 22; ++y) {
        const QColor left = image.pixelColor(0, y);
        EXPECT_EQ(left.red(), left.green());
        EXPECT_EQ(left.green(), left.blue());
        EXPECT_EQ(left.alpha(), 255);
        // Each row one grey from edge to edge, darker towards the bottom.
        for (int x = 1; x < 50; ++x)
            ASSERT_EQ(image.pixelColor(x, y), left) << x << "," << y;
        if (y > 1) {
            EXPECT_LE(left.red(), image.pixelColor(0, y - 1).red()) << y;
        }
    }
}

TEST(GradientStatusBar, OnePixelHighBarIsAllGroove)
{
    const QImage image = drawnBar(30, 1);
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(image.pixel(x, 0), Controls::grooveShadowColor().rgba()) << x;
}

TEST(GradientStatusBar, EmptyBarDrawsNothing)
{
    GradientStatusBar bar;
    QImage image = transparentImage(10, 10);
    QPainter painter(&image);
    bar.drawInRect(painter, QRectF(0, 0, 10, 0));
    bar.drawInRect(painter, QRectF(0, 0, 10, 0.5));
    painter.end();
    EXPECT_EQ(image, transparentImage(10, 10));
}

TEST(GradientStatusBar, OpaqueAtEverySizeAndPaintedWhole)
{
    GradientStatusBar bar;
    EXPECT_TRUE(bar.isOpaque());
    EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
    for (QSize size : {QSize(1, 1), QSize(300, 24), QSize(40, 3)}) {
        bar.resize(size);
        EXPECT_TRUE(bar.isOpaque());
        const QImage image = bar.grab().toImage();
        EXPECT_EQ(image.pixel(size.width() - 1, 0), Controls::grooveShadowColor().rgba());
        EXPECT_EQ(image.pixelColor(0, size.height() - 1).alpha(), 255);
    }
}

TEST(Groove, EtchedBorderInsideTheClip)
{
    QImage image = transparentImage(20, 10);
    QPainter painter(&image);
    Controls::drawGroove(painter, QRectF(0, 0, 20, 10), QRectF(0, 0, 10, 10));
    painter.end();
    const QRgb shadow = Controls::grooveShadowColor().rgba();
    const QRgb light = Controls::grooveLightColor().rgba();
    EXPECT_EQ(image.pixel(5, 0), shadow);
    EXPECT_EQ(image.pixel(0, 5), shadow);
    EXPECT_EQ(image.pixel(5, 1), light);
    EXPECT_EQ(image.pixel(1, 5), light);
    EXPECT_EQ(image.pixel(5, 9), light);
    EXPECT_EQ(image.pixel(5, 8), shadow);
    EXPECT_EQ(image.pixel(5, 5), Controls::grooveFillColor().rgba());
    EXPECT_EQ(image.pixelColor(15, 5).alpha(), 0) << "outside the clip";
}
