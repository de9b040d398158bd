#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QFont;
class QPainter;

// Keeps a styled button's type and does all of its drawing: a rounded face of
// the type's colour with a one-pixel darker frame around a vertical gradient,
// or a flat darker face while pressed, and a black or white title. Each
// drawing pass asks for the type's colour afresh; nothing is cached, and
// changing the type does not by itself ask for a repaint.
class VLButtonCell
{
public:
    VLButtonCell();
    ~VLButtonCell();
    VLButtonCell(const VLButtonCell &) = delete;
    VLButtonCell &operator=(const VLButtonCell &) = delete;

    qint32 vlButtonType() const { return m_vlButtonType; }
    void setVLButtonType(qint32 type);

    // True while the button is pressed.
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

    // The base colour of the current type; a type outside 0 to 6 has the
    // colour of VLButtonTypeRed, the type that every cell starts with.
    QColor getColorForButtonType() const;

    // Neither enabled state nor focus nor hovering changes the face.
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame) const;

    // Draws the title centred in `frame` in black or white, whatever pen the
    // painter holds, and returns the rectangle the text occupies.
    QRectF drawTitle(QPainter &painter, const QString &title, const QFont &font,
                     const QRectF &frame) const;

    // The face, then the title over it.
    void drawWithFrame(QPainter &painter, const QRectF &frame, const QString &title,
                       const QFont &font) const;

private:
    qint32 m_vlButtonType = 0;
    bool m_highlighted = false;
};
