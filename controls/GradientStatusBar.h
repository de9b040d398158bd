#pragma once

#include <QLinearGradient>
#include <QWidget>

// The background of a status area: a strip shaded from light grey at the
// bottom to white at the top under a groove line along its top edge. It takes
// no input; a window description may lay other widgets out on it.
class GradientStatusBar : public QWidget
{
    Q_OBJECT

public:
    explicit GradientStatusBar(QWidget *parent = nullptr);
    ~GradientStatusBar() override;

    // Qt draws nothing behind the bar: it covers every pixel itself.
    bool isOpaque() const { return true; }

    const QLinearGradient &gradient() const { return m_gradient; }

    // The groove over all of `bounds`, then the gradient over everything but
    // the top row, which keeps the groove's line. A bar one pixel high is all
    // groove; a lower one draws nothing.
    void drawInRect(QPainter &painter, const QRectF &bounds) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLinearGradient m_gradient;
};
