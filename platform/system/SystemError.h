#pragma once

#include <QString>

#include <cerrno>

// The system's description of an error number, as the person reads it in a
// message ("No space left on device"). The default is the current errno, read
// at the call.
QString systemError(int error = errno);
