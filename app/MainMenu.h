#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>

class AppDelegate;
class QAction;
class QMainWindow;
class QMenu;
class WindowBindings;

// The application's menu bar, declared as data (description()) and built with
// the menu helpers: File, Speech and Help, each item sending the controller's
// command. Items are offered as the window's buttons are.
class MainMenu : public QObject
{
    Q_OBJECT

public:
    MainMenu(QMainWindow *window, AppDelegate *controller, WindowBindings *bindings);
    ~MainMenu() override;

    // The menus as nested item descriptions ("title", "selector", "equivalent",
    // "children").
    static QVariantList description();

    // The item at a path of English titles such as "&Speech/P&ause", in
    // whatever language the menus show; null when there is none.
    QAction *item(const QString &path) const;

private:
    void updateItems();

    QPointer<WindowBindings> m_bindings;
    QMenu *m_root = nullptr;
};
