#pragma once

#include <QFrame>
#include <QList>
#include <QPointer>

class QAction;
class QLineEdit;
class QListWidget;
class QMenu;

// A menu's items as a list to find in: a field that narrows the list to the
// titles holding what is typed, and the list itself, which scrolls. Shown in
// place of a menu that may hold more items than fit on the screen, so that
// every item can be reached by mouse and keyboard.
class MenuChooser : public QFrame
{
    Q_OBJECT

public:
    explicit MenuChooser(QWidget *parent = nullptr);
    ~MenuChooser() override;

    // Shows the items of `menu` below `anchor` (or above it, where there is
    // more room), within the screen, with `current` chosen.
    void popUp(QMenu *menu, QAction *current, QWidget *anchor);

    QLineEdit *findField() const { return m_find; }
    QListWidget *list() const { return m_list; }

Q_SIGNALS:
    // The person chose `item`; the chooser is already closed.
    void chosen(QAction *item);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void filter(const QString &text);
    void choose(int row);
    void place(QWidget *anchor);

    QLineEdit *m_find = nullptr;
    QListWidget *m_list = nullptr;
    QList<QPointer<QAction>> m_items;
};
