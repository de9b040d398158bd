#include "platform/system/SystemError.h"

#include <cstring>

QString systemError(int error)
{
    // strerror_r's GNU form returns a pointer that may or may not be the
    // buffer; either way it is safe from any thread, unlike strerror.
    char buffer[256] = {};
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}
