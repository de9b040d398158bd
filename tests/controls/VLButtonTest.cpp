#include "controls/VLButton.h"
#include "controls/ColorExtensions.h"
#include "controls/VLButtonCell.h"
#include "support/TestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QColor shade(qint32 type, float amount)
{
    VLButtonCell cell;
    cell.setVLButtonType(type);
    const QColor base = cell.getColorForButtonType();
    return onScreen(amount < 0 ? ColorExtensions::darkenColorByValue(base, -amount)
                               : ColorExtensions::lightenColorByValue(base, amount));
}

// The face of a button as it paints itself.
QImage face(VLButton &button)
{
    const QImage image = button.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    return image.copy(button.faceRect().toRect());
}

} // namespace

// Every type: a darker frame around a gradient from the lighter shade to the
// base colour (shades beyond the range clamped where they are drawn), a white
// title, the same face when disabled, and flat in the
// frame colour when down.
TEST(VLButton, FaceIsADarkerFrameAroundAGradientOrFlatWhenDownWithAWhiteTitle)
{
    QFont bold;
    bold.setPixelSize(16);
    bold.setBold(true);
    for (int type = -1; type <= 7; ++type) {
        SCOPED_TRACE(type);
        VLButton button(u"Play"_s);
        button.setFont(bold);
        button.resize(90, 30);
        button.setVLButtonType(type);
        const QImage image = face(button);
        const int w = image.width();
        const int h = image.height();
        const QColor frame = shade(type, -0.12f);
        for (QPoint side : {QPoint(w / 2, 0), QPoint(w / 2, h - 1), QPoint(0, h / 2)})
            EXPECT_TRUE(isNear(image.pixelColor(side), frame)) << side.x() << "," << side.y();
        EXPECT_TRUE(isNear(image.pixelColor(6, 1), shade(type, 0.12f), 12));
        EXPECT_TRUE(isNear(image.pixelColor(6, h - 2), shade(type, 0), 12));
        int white = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                white += image.pixelColor(x, y) == QColor(Qt::white);
        EXPECT_GT(white, 30) << "the title";

        button.setEnabled(false);
        EXPECT_EQ(face(button), image);
        button.setEnabled(true);
        button.setDown(true);
        const QImage pressed = face(button);
        for (int y = 1; y < h - 1; ++y)
            for (int x = 3; x < 12; ++x)
                ASSERT_TRUE(isNear(pressed.pixelColor(x, y), frame, 1)) << x << "," << y;
    }
    // Out-of-range types draw as red.
    EXPECT_EQ(shade(7, 0), shade(VLButton::VLButtonTypeRed, 0));
    EXPECT_EQ(shade(-1, 0), shade(VLButton::VLButtonTypeRed, 0));
}

TEST(VLButton, FocusFrameLiesOutsideTheFace)
{
    QWidget window;
    auto *other = new QPushButton(u"Other"_s, &window);
    auto *button = new VLButton(u"Play"_s, &window);
    other->move(0, 40);
    button->resize(90, 30);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    const QImage unfocused = button->grab().toImage();
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = button->grab().toImage();

    // The face stays the same pixel for pixel, but for the corner pixels that
    // its rounding leaves partly uncovered.
    const QRect face = button->faceRect().toRect();
    EXPECT_GE(face.left(), 2);
    const auto inCorner = [&](int x, int y) {
        return std::min(x - face.left(), face.right() - x) < 2 &&
               std::min(y - face.top(), face.bottom() - y) < 2;
    };
    int changedOutside = 0;
    for (int y = 0; y < focused.height(); ++y) {
        for (int x = 0; x < focused.width(); ++x) {
            const bool changed = focused.pixel(x, y) != unfocused.pixel(x, y);
            if (face.contains(x, y))
                ASSERT_FALSE(changed && !inCorner(x, y)) << x << "," << y;
            else
                changedOutside += changed;
        }
    }
    EXPECT_GT(changedOutside, 2 * (face.width() + face.height()));
}
