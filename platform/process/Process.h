#pragma once

#include "platform/process/Pipe.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// A child program. A thread of its own waits for the child to exit, reaps it
// and then calls the termination handler; that thread keeps the object alive
// until then, so a launched child is always reaped even when every other
// owner has let go. Must be held in a std::shared_ptr to launch.
class Process : public std::enable_shared_from_this<Process>
{
public:
    using Environment = QMap<QString, QString>;
    using TerminationHandler = std::function<void(Process &process)>;
    enum class TerminationReason { Exit, UncaughtSignal };

    Process();
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    QString launchPath() const;
    void setLaunchPath(const QString &path);
    // The arguments after the program's own name, which is the launch path.
    QStringList arguments() const;
    void setArguments(const QStringList &arguments);
    // Unset, the child inherits this program's environment; set, it sees
    // exactly these entries.
    std::optional<Environment> environment() const;
    void setEnvironment(const Environment &environment);

    // A stream left unset is inherited from this program. On launch the
    // child's ends are closed here, so that the parent sees end of stream
    // once the child (and whatever it started) is done with them.
    std::shared_ptr<Pipe> standardInput() const;
    void setStandardInput(std::shared_ptr<Pipe> pipe);
    std::shared_ptr<Pipe> standardOutput() const;
    void setStandardOutput(std::shared_ptr<Pipe> pipe);
    std::shared_ptr<Pipe> standardError() const;
    void setStandardError(std::shared_ptr<Pipe> pipe);

    // Called once, on the waiting thread, after the child has been reaped;
    // released after the call.
    void setTerminationHandler(TerminationHandler handler);

    // False, with errorString() telling why, when the program could not be
    // started, also when an argument or environment entry holds a NUL
    // character; a process is launched at most once.
    bool launch();
    QString errorString() const;
    void waitUntilExit();

    bool isRunning() const;
    qint64 processIdentifier() const;
    int terminationStatus() const;
    TerminationReason terminationReason() const;

    // "SIGSEGV" for SIGSEGV, as a failure report names how a child ended.
    static QString signalName(int number);

    // Sends SIGTERM while the child is running. Once it has been reaped its
    // pid may belong to another process, so nothing is sent: returns false.
    bool terminate();

private:
    enum class State { NotLaunched, Running, Exited };

    void waitForExit();

    mutable std::mutex m_mutex;
    std::condition_variable m_exited;
    QString m_launchPath;
    QStringList m_arguments;
    std::optional<Environment> m_environment;
    std::shared_ptr<Pipe> m_standardInput;
    std::shared_ptr<Pipe> m_standardOutput;
    std::shared_ptr<Pipe> m_standardError;
    TerminationHandler m_terminationHandler;
    State m_state = State::NotLaunched;
    qint64 m_pid = 0;
    int m_terminationStatus = 0;
    TerminationReason m_terminationReason = TerminationReason::Exit;
    QString m_errorString;
    std::thread m_waiter;
};
