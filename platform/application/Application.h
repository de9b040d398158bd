#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ApplicationDelegate;
class SingleInstance;
class QObject;
class QWidget;

// Start-up and the application-wide facts the controller relies on: loading
// the main window description, connecting the controller to it, and the
// window that sheets attach to.
namespace Application {

// The main window while it is shown, else null.
QWidget *mainWindow();

// Loads a window description and connects `delegate` to it: every QObject
// pointer property of the delegate is set to the object of the same name in
// the window, and every button with an "action" property (a command such as
// "doPlay:") sends that command to the delegate when clicked, as a menu item
// does (Command::send). Returns the window, or null with a log line when the
// description cannot be loaded.
QWidget *loadMainWindow(const QString &descriptionPath, ApplicationDelegate *delegate);

// Sets each QObject pointer property of `owner` to the object of that name
// below `root` (or `root` itself); properties without a match are left as
// they are.
void connectOutlets(QObject *owner, QObject *root);

// Answers the launches that `instance` hands over: brings the window back
// and opens their files, or speaks their text, through `delegate`.
void serveLaunches(SingleInstance *instance, ApplicationDelegate *delegate);

// Runs the window application in the existing QApplication: loads the main
// window, makes the one delegate, runs launch and the event loop. `files` go
// to the delegate as files to open, a `speech` to speak. With an `instance`,
// later launches that it hands over bring the window back and open their
// files here, or have their text spoken.
int run(const std::function<ApplicationDelegate *()> &makeDelegate, const QStringList &files,
        SingleInstance *instance = nullptr, const QString &speech = QString());

} // namespace Application
