#pragma once

#include <QPointer>
#include <QPushButton>

class MenuChooser;
class QAction;
class QMenu;
class QStyleOptionButton;

// A button that shows a menu of choices and keeps one of its items selected:
// the button shows the selected item's title, and the selected item is on
// (checked) in the menu. Choosing an item from the menu selects it before the
// item sends its action, so that the action can read the new selection.
//
// While the menu has items, one is selected unless the caller cleared the
// selection: the first item appended to a pop-up without a selection becomes
// selected, and removing the selected item selects the first remaining one.
//
// The menu is the model; pressing the button (Space, Return, Alt+Down, a
// click) shows its items in a chooser that fits the screen and finds items by
// title as one types. A label whose buddy is the button focuses it without
// opening it. For screen readers the button is named by its caption and the
// selected title ("Voice: English").
class PopUpButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

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

    // What the choice is about ("Voice"), for the accessible name.
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // Shows the items to choose from; the chooser while it is shown, else null.
    void showChooser();
    MenuChooser *chooser() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void selectedItemChanged();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void initStyleOption(QStyleOptionButton *option) const override;

private:
    void setSelection(QAction *item, bool changed = false);
    QAction *firstSelectableItem() const;
    void showSelection();
    void watchBuddyLabels();

    QMenu *m_menu = nullptr;
    QPointer<QAction> m_selected;
    QPointer<MenuChooser> m_chooser;
    QString m_caption;
};
