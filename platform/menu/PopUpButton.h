#pragma once

#include <QPointer>
#include <QPushButton>

class QAction;
class QMenu;

// A button that shows a menu of choices and keeps one of its items selected:
// the button shows the selected item's title, and the selected item is on
// (checked) in the menu. Choosing an item from the menu selects it before the
// item sends its action, so that the action can read the new selection.
//
// While the menu has items, one is selected unless the caller cleared the
// selection: the first item appended to a pop-up without a selection becomes
// selected, and removing the selected item selects the first remaining one.
class PopUpButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PopUpButton(QWidget *parent = nullptr);
    ~PopUpButton() override;

    // The menu shown; owned by the button.
    QMenu *menu() const;

    QAction *selectedItem() const;
    int indexOfSelectedItem() const;

    // Selects the first item with exactly that title; an empty or unknown
    // title leaves no item selected.
    void selectItemWithTitle(const QString &title);

    // Selects an item of the menu; null, a separator or an item of another
    // menu leaves no item selected.
    void selectItem(QAction *item);

    QSize sizeHint() const override;

Q_SIGNALS:
    void selectedItemChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setSelection(QAction *item, bool changed = false);
    QAction *firstSelectableItem() const;
    void showSelection();

    QMenu *m_menu = nullptr;
    QPointer<QAction> m_selected;
};
