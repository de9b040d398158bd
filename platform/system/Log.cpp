#include "platform/system/Log.h"
#include "platform/system/LogCapture.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

std::mutex &logMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<LogCapture *> &captures()
{
    static std::vector<LogCapture *> list;
    return list;
}

} // namespace

void Log::write(const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    std::lock_guard lock(logMutex());
    std::fprintf(stderr, "tavorin: %s\n", utf8.constData());
    std::fflush(stderr);
    for (LogCapture *capture : captures())
        capture->append(line);
}

LogCapture::LogCapture()
{
    std::lock_guard lock(logMutex());
    captures().push_back(this);
}

LogCapture::~LogCapture()
{
    std::lock_guard lock(logMutex());
    auto &list = captures();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

QStringList LogCapture::lines() const
{
    std::lock_guard lock(logMutex());
    return m_lines;
}

int LogCapture::count(const QString &line) const
{
    std::lock_guard lock(logMutex());
    return int(m_lines.count(line));
}

void LogCapture::clear()
{
    std::lock_guard lock(logMutex());
    m_lines.clear();
}

void LogCapture::append(const QString &line)
{
    m_lines.append(line);
}
