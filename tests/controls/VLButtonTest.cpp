#include "controls/VLButton.h"
#include "support/TestSupport.h"

#include <algorithm>

using TestSupport::isNear;

namespace {

// The face of a button of `type` as it paints itself.
QImage face(VLButton &button, qint32 type)
{
    button.setVLButtonType(type);
    const QImage image = button.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    return image.copy(button.faceRect().toRect());
}

int lightness(QColor color)
{
    return color.red() + color.green() + color.blue();
}

} // namespace

// Every type: a darker frame around a gradient that darkens downwards, a white
// title, the same face when disabled, flat in the frame colour when down; a
// type out of range draws as red.
TEST(VLButton, FaceIsADarkerFrameAroundAGradientOrFlatWhenDownWithAWhiteTitle)
{
    QFont bold;
    bold.setPixelSize(16);
    bold.setBold(true);
    VLButton button(u"Play"_s);
    button.setFont(bold);
    button.resize(90, 30);
    QList<QImage> faces;
    for (int type = -1; type <= 7; ++type) {
        SCOPED_TRACE(type);
        const QImage image = face(button, type);
        const int w = image.width();
        const int h = image.height();
        const QColor frame = image.pixelColor(w / 2, 0);
        for (QPoint side : {QPoint(w / 2, h - 1), QPoint(0, h / 2)})
            EXPECT_TRUE(isNear(image.pixelColor(side), frame)) << side.x() << "," << side.y();
        EXPECT_LT(lightness(frame), lightness(image.pixelColor(6, h - 2)));
        EXPECT_GT(lightness(image.pixelColor(6, 1)), lightness(image.pixelColor(6, h - 2)));
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
        EXPECT_GT(std::count(pixels, pixels + w * h, qRgb(255, 255, 255)), 30) << "the title";

        button.setEnabled(false);
        EXPECT_EQ(face(button, type), image);
        button.setEnabled(true);
        button.setDown(true);
        const QImage pressed = face(button, type);
        button.setDown(false);
        for (int y = 1; y < h - 1; ++y)
            for (int x = 3; x < 12; ++x)
                ASSERT_TRUE(isNear(pressed.pixelColor(x, y), frame, 3)) << x << "," << y;
        faces << image;
    }
    EXPECT_EQ(faces.first(), faces.at(1));
    EXPECT_EQ(faces.last(), faces.at(1));
    for (int type = 1; type < 7; ++type)
        EXPECT_NE(faces.at(type + 1), faces.at(type)) << "types " << type << " and " << type - 1;
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
