#include "controls/VLButton.h"
#include "controls/ColorExtensions.h"
#include "controls/Controls.h"
#include "controls/GradientStatusBar.h"
#include "controls/VLButtonCell.h"
#include "platform/UiLoader.h"

#include "ImageChecks.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int allTypes[] = {0, 1, 2, 3, 4, 5, 6};

QColor baseColor(qint32 type)
{
    VLButtonCell cell;
    cell.setVLButtonType(type);
    return cell.getColorForButtonType();
}

QColor darkerShade(qint32 type)
{
    return onScreen(ColorExtensions::darkenColorByValue(baseColor(type), 0.12f));
}

QImage bezel(qint32 type, bool highlighted)
{
    VLButtonCell cell;
    cell.setVLButtonType(type);
    cell.setHighlighted(highlighted);
    QImage image = transparentImage(60, 24);
    QPainter painter(&image);
    cell.drawBezelWithFrame(painter, QRectF(0, 0, 60, 24));
    return image;
}

// The face of a button as it paints itself.
QImage face(VLButton &button)
{
    const QImage image = button.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    return image.copy(button.faceRect().toRect());
}

} // namespace

TEST(VLButtonCell, FaceIsADarkerFrameAroundAGradientOrFlatWhenPressed)
{
    EXPECT_EQ(baseColor(7), baseColor(VLButton::VLButtonTypeRed));
    EXPECT_EQ(baseColor(-1), baseColor(VLButton::VLButtonTypeRed));
    for (int type : allTypes) {
        SCOPED_TRACE(type);
        const QImage image = bezel(type, false);
        const QColor frame = darkerShade(type);
        for (QPoint side : {QPoint(30, 0), QPoint(30, 23), QPoint(0, 12), QPoint(59, 12)})
            EXPECT_TRUE(isNear(image.pixelColor(side), frame)) << side.x() << "," << side.y();
        // Lighter shade at the top, the base colour at the bottom.
        const QColor lighter =
            onScreen(ColorExtensions::lightenColorByValue(baseColor(type), 0.12f));
        EXPECT_TRUE(isNear(image.pixelColor(30, 1), lighter, 12));
        EXPECT_TRUE(isNear(image.pixelColor(30, 22), onScreen(baseColor(type)), 12));
        EXPECT_FALSE(isNear(image.pixelColor(30, 1), frame, 6));
        for (QPoint corner : {QPoint(0, 0), QPoint(59, 0), QPoint(0, 23), QPoint(59, 23)})
            EXPECT_LT(image.pixelColor(corner).alpha(), 128) << corner.x() << "," << corner.y();

        const QImage pressed = bezel(type, true);
        for (int y = 1; y < 23; ++y)
            for (int x = 3; x < 57; ++x)
                ASSERT_TRUE(isNear(pressed.pixelColor(x, y), frame, 1)) << x << "," << y;
    }
    // Shades out of range are clamped where they are drawn: orange's lighter
    // red is above one, blue's darker red below zero.
    EXPECT_EQ(bezel(VLButton::VLButtonTypeOrange, false).pixelColor(30, 1).red(), 255);
    EXPECT_EQ(bezel(VLButton::VLButtonTypeBlue, false).pixelColor(30, 0).red(), 0);
}

TEST(VLButtonCell, TitleIsWhiteForEveryTypeWhateverThePen)
{
    QFont font;
    font.setPixelSize(16);
    font.setBold(true);
    for (int type : allTypes) {
        VLButtonCell cell;
        cell.setVLButtonType(type);
        QImage image(80, 30, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setPen(Qt::red);
        const QRectF occupied = cell.drawTitle(painter, u"Play"_s, font, QRectF(0, 0, 80, 30));
        painter.end();
        EXPECT_NEAR(occupied.center().x(), 40.0, 1.0);
        // Over black, white text leaves only greys, and full white at its core.
        int white = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                ASSERT_TRUE(pixel.red() == pixel.green() && pixel.green() == pixel.blue())
                    << "type " << type << " at " << x << "," << y;
                white += pixel.red() == 255;
            }
        }
        EXPECT_GT(white, 30) << type;
    }
}

TEST(VLButton, PaintsThroughItsCellTheSameFaceEnabledOrNotAndFlatWhenDown)
{
    VLButton button(u"Export"_s);
    button.resize(90, 30);
    button.setVLButtonType(VLButton::VLButtonTypeTeal);
    QImage image = face(button);
    EXPECT_TRUE(isNear(image.pixelColor(image.width() / 2, 0), darkerShade(2)));

    // A new type shows at the next repaint.
    button.setVLButtonType(VLButton::VLButtonTypeOrange);
    const QImage enabled = face(button);
    EXPECT_TRUE(isNear(enabled.pixelColor(enabled.width() / 2, 0), darkerShade(4)));
    button.setEnabled(false);
    EXPECT_EQ(face(button), enabled);

    button.setEnabled(true);
    button.setDown(true);
    const QImage pressed = face(button);
    EXPECT_TRUE(isNear(pressed.pixelColor(4, 2), darkerShade(4), 1));
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
            if (!face.contains(x, y)) {
                changedOutside += focused.pixel(x, y) != unfocused.pixel(x, y);
            } else if (!inCorner(x, y)) {
                ASSERT_EQ(focused.pixel(x, y), unfocused.pixel(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(changedOutside, 2 * (face.width() + face.height()));
}

namespace {

// One button's type given by name, the other's by number.
const char describedWindow[] = R"(<ui version="4.0"><class>Form</class>
 <widget class="QWidget" name="Form"><layout class="QVBoxLayout" name="layout">
  <item><widget class="VLButton" name="playButton">
   <property name="vlButtonType"><enum>VLButton::VLButtonTypeGreen</enum></property></widget></item>
  <item><widget class="VLButton" name="stopButton"><property name="text"><string>Stop</string></property>
   <property name="vlButtonType"><number>5</number></property></widget></item>
  <item><widget class="GradientStatusBar" name="statusBar"><layout class="QHBoxLayout" name="row">
   <item><widget class="QLabel" name="statusLabel"/></item></layout></widget></item>
 </layout></widget>
 <customwidgets>
  <customwidget><class>VLButton</class><extends>QPushButton</extends></customwidget>
  <customwidget><class>GradientStatusBar</class><extends>QWidget</extends><container>1</container></customwidget>
 </customwidgets></ui>)";

} // namespace

TEST(VLButton, DescribedButtonKeepsItsPropertiesAndPaintsThroughItsCell)
{
    Controls::registerWidgetClasses();
    UiLoader loader;
    QByteArray description(describedWindow);
    QBuffer buffer(&description);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    ASSERT_TRUE(form) << loader.errorString().toStdString();

    auto *play = form->findChild<VLButton *>(u"playButton"_s);
    auto *stop = form->findChild<VLButton *>(u"stopButton"_s);
    ASSERT_TRUE(play && stop);
    EXPECT_EQ(play->vlButtonType(), VLButton::VLButtonTypeGreen);
    EXPECT_EQ(stop->vlButtonType(), VLButton::VLButtonTypeDarkRed);

    form->show();
    for (auto [button, type] : {std::pair{play, 3}, std::pair{stop, 5}}) {
        const QImage image = face(*button);
        EXPECT_TRUE(isNear(image.pixelColor(image.width() / 2, 0), darkerShade(type))) << type;
    }
    auto *bar = form->findChild<QWidget *>(u"statusBar"_s);
    ASSERT_NE(qobject_cast<GradientStatusBar *>(bar), nullptr);
    EXPECT_EQ(form->findChild<QWidget *>(u"statusLabel"_s)->parentWidget(), bar);
}
