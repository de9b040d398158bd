#pragma once

#include <QString>
#include <QStringList>

// The application's diagnostic log: one line per event, no level, written to
// standard error only. The desktop session's journal keeps what a program it
// started writes there; nothing is sent to syslog, so arguments and file names
// that reach the log do not persist beyond the session's own record. Safe to
// call from any thread.
namespace Log {

void write(const QString &line);

} // namespace Log

// Collects every log line written while it exists, for tests. Lines still go
// to standard error. Captures may nest; each sees every line.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    int count(const QString &line) const;
    void clear();

private:
    friend void Log::write(const QString &line);
    void append(const QString &line);

    QStringList m_lines;
};
