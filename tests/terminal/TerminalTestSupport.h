#pragma once

#include "terminal/TQTerminal.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <mutex>
#include <thread>

#include <dirent.h>
#include <sys/wait.h>

// Long enough for a loaded machine under the sanitizers; only a bound.
inline constexpr int Patience = 60000;

inline int countEntries(const char *directory)
{
    int count = 0;
    if (DIR *dir = opendir(directory)) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

inline int openDescriptorCount()
{
    return countEntries("/proc/self/fd");
}

inline int threadCount()
{
    return countEntries("/proc/self/task");
}

// True when a child has exited and nobody reaped it; reaps nothing.
inline bool hasZombieChild()
{
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

// What a background run handed to its two callables, and on which threads.
class RunRecord
{
public:
    TQTerminal::Callback action()
    {
        return [this](const QString &chunk) {
            std::lock_guard lock(m_mutex);
            m_chunks << chunk;
            m_actionOnMainThread << (QThread::currentThread() == qApp->thread());
        };
    }

    TQTerminal::Callback completed()
    {
        return [this](const QString &output) {
            std::lock_guard lock(m_mutex);
            ++m_completedCalls;
            m_output = output;
            m_completedOnMainThread = QThread::currentThread() == qApp->thread();
            m_chunksBeforeCompleted = m_chunks.size();
        };
    }

    bool waitForCompletion() const
    {
        return QTest::qWaitFor([this] { return completedCalls() > 0; }, Patience);
    }
    bool waitForChunks(qsizetype count) const
    {
        return QTest::qWaitFor([this, count] { return chunks().size() >= count; }, Patience);
    }

    QStringList chunks() const
    {
        std::lock_guard lock(m_mutex);
        return m_chunks;
    }
    QString output() const
    {
        std::lock_guard lock(m_mutex);
        return m_output;
    }
    int completedCalls() const
    {
        std::lock_guard lock(m_mutex);
        return m_completedCalls;
    }
    QList<bool> actionOnMainThread() const
    {
        std::lock_guard lock(m_mutex);
        return m_actionOnMainThread;
    }
    bool completedOnMainThread() const
    {
        std::lock_guard lock(m_mutex);
        return m_completedOnMainThread;
    }
    qsizetype chunksBeforeCompleted() const
    {
        std::lock_guard lock(m_mutex);
        return m_chunksBeforeCompleted;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_chunks;
    QList<bool> m_actionOnMainThread;
    QString m_output;
    int m_completedCalls = 0;
    bool m_completedOnMainThread = false;
    qsizetype m_chunksBeforeCompleted = -1;
};
