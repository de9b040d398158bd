#pragma once

// The benchmarks' view of their own memory, from /proc/self.

#include <QFile>
#include <QList>

namespace ProcessMemory {

// Kilobytes of one /proc/self/status line ("VmRSS", "VmHWM").
inline qint64 statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts a new peak: VmHWM falls back to the present RSS.
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace ProcessMemory
