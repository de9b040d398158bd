#pragma once

class AppDelegate;
class QWidget;

// What the program does at start-up, shared by the program and its tests.
namespace Startup {

// Makes the project's own widget classes known to window descriptions.
void registerWidgetClasses();

// Loads the main window description and connects `delegate` to it.
QWidget *loadMainWindow(AppDelegate *delegate);

// The program: the window application, or a command-line task.
int main(int argc, char **argv);

} // namespace Startup
