#pragma once

#include <QPushButton>

#include <memory>

class VLButtonCell;

// A push button drawn by its VLButtonCell as a coloured rounded face. The type
// alone decides the colour. In a window description the type is the property
// "vlButtonType", given as a number or as an enum key such as
// VLButton::VLButtonTypeGreen; every other described property (text, enabled,
// toolTip, accessibleName, ...) is the push button's own.
class VLButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(VLButtonType vlButtonType READ vlButtonType WRITE setVLButtonType)

public:
    enum VLButtonType : qint32 {
        VLButtonTypeRed = 0,
        VLButtonTypeBlue = 1,
        VLButtonTypeTeal = 2,
        VLButtonTypeGreen = 3,
        VLButtonTypeOrange = 4,
        VLButtonTypeDarkRed = 5,
        VLButtonTypeCharcoal = 6,
    };
    Q_ENUM(VLButtonType)

    // Room around the face for the keyboard focus frame, so that focus stays
    // visible without changing the face.
    static constexpr int focusMargin = 2;

    explicit VLButton(QWidget *parent = nullptr);
    explicit VLButton(const QString &text, QWidget *parent = nullptr);
    ~VLButton() override;

    // Never null: every VLButton draws through its cell.
    VLButtonCell *cell() const { return m_cell.get(); }

    // May hold a value outside the enumeration; see VLButtonCell.
    VLButtonType vlButtonType() const;
    // Like the cell's setter, does not repaint: the new colour shows at the
    // next repaint.
    void setVLButtonType(qint32 type);

    // Where the cell draws the face.
    QRectF faceRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::unique_ptr<VLButtonCell> m_cell;
};
