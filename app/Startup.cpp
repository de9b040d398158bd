#include "app/Startup.h"

#include "app/AppDelegate.h"
#include "controls/Controls.h"
#include "platform/Application.h"

using namespace Qt::StringLiterals;

void Startup::registerWidgetClasses()
{
    Controls::registerWidgetClasses();
}

QWidget *Startup::loadMainWindow(AppDelegate *delegate)
{
    registerWidgetClasses();
    return Application::loadMainWindow(u":/ui/MainWindow.ui"_s, delegate);
}

int Startup::main(int argc, char **argv)
{
    registerWidgetClasses();
    return Application::main(argc, argv, [] { return new AppDelegate; });
}
