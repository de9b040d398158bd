#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>

// The window's editor, holding the text in the pieces that EditorText
// describes: what leaves it (a copy, a drag) is the person's text, what
// comes in (a paste, a drop) is cut into pieces as it goes in, and the keys
// that would only add or remove a separator of a piece do to the text what
// the person means by them.
class TextEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TextEditor(QWidget *parent = nullptr);
    ~TextEditor() override;

protected:
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool editAtSeam(QKeyEvent *event);

    // Since the last double click, for a third click that selects a line.
    QElapsedTimer m_sinceDoubleClick;
    QPointF m_doubleClickAt;
};
