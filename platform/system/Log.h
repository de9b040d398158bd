#pragma once

#include <QString>

// The application's diagnostic log: one line per event, no level, written to
// standard error only. The desktop session's journal keeps what a program it
// started writes there; nothing is sent to syslog, so arguments and file names
// that reach the log do not persist beyond the session's own record. Safe to
// call from any thread.
namespace Log {

void write(const QString &line);

} // namespace Log
