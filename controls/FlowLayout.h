#pragma once

#include <QLayout>
#include <QList>

// Lays its items out in a row, left to right, and starts a new row where the
// next item would not fit: a bar of controls that wraps rather than squeezes
// its controls over one another when the window is narrow. Items of a row are
// centred on the row's height.
class FlowLayout : public QLayout
{
    Q_OBJECT

public:
    explicit FlowLayout(QWidget *parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Lays out into `rect` (or only measures) and answers the height used.
    int arrange(const QRect &rect, bool measureOnly) const;
    int gap() const;

    QList<QLayoutItem *> m_items;
};
