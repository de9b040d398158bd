#pragma once

// For tests only: the product never includes this header. A capture collects
// every log line written while it exists; lines still go to standard error.
// Captures may nest; each sees every line.

#include "platform/system/Log.h"

#include <QStringList>

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
