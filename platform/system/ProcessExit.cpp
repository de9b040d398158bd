#include "platform/system/ProcessExit.h"

#include <cstdio>
#include <iostream>

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

void ProcessExit::leave(int status)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // Reports and ends the process when something leaked.
    __lsan_do_leak_check();
#endif
    ::_exit(status);
}
