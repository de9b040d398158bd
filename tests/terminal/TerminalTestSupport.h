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
    struct State
    {
        QStringList chunks;
        QList<bool> actionOnMainThread;
        QString output;
        int completedCalls = 0;
        bool completedOnMainThread = false;
        qsizetype chunksBeforeCompleted = -1;
    };

    TQTerminal::Callback action()
    {
        return [this](const QString &chunk) {
            std::lock_guard lock(m_mutex);
            m_state.chunks << chunk;
            m_state.actionOnMainThread << (QThread::currentThread() == qApp->thread());
        };
    }

    TQTerminal::Callback completed()
    {
        return [this](const QString &output) {
            std::lock_guard lock(m_mutex);
            ++m_state.completedCalls;
            m_state.output = output;
            m_state.completedOnMainThread = QThread::currentThread() == qApp->thread();
            m_state.chunksBeforeCompleted = m_state.chunks.size();
        };
    }

    State state() const
    {
        std::lock_guard lock(m_mutex);
        return m_state;
    }
    QStringList chunks() const { return state().chunks; }
    QString output() const { return state().output; }

    bool waitForCompletion() const
    {
        return QTest::qWaitFor([this] { return state().completedCalls > 0; }, Patience);
    }
    bool waitForChunks(qsizetype count) const
    {
        return QTest::qWaitFor([this, count] { return chunks().size() >= count; }, Patience);
    }

private:
    mutable std::mutex m_mutex;
    State m_state;
};
