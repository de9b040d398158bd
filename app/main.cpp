#include "app/AppDelegate.h"
#include "platform/Application.h"

int main(int argc, char **argv)
{
    return Application::main(argc, argv, [] { return new AppDelegate; });
}
