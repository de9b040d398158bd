#include "app/Startup.h"

#include "platform/system/ProcessExit.h"

int main(int argc, char **argv)
{
    ProcessExit::leave(Startup::main(argc, argv));
}
