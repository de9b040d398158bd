#include "platform/process/Process.h"

#include "platform/system/SystemError.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <vector>

#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The argument and environment vectors of one spawn, kept alive beside the
// pointers handed to it.
class CStringVector
{
public:
    void append(QByteArray text) { m_storage.push_back(std::move(text)); }

    char **data()
    {
        m_pointers.clear();
        for (QByteArray &text : m_storage)
            m_pointers.push_back(text.data());
        m_pointers.push_back(nullptr);
        return m_pointers.data();
    }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_pointers;
};

class SpawnFileActions
{
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnFileActions(const SpawnFileActions &) = delete;
    SpawnFileActions &operator=(const SpawnFileActions &) = delete;

    void connect(const std::shared_ptr<FileHandle> &handle, int target)
    {
        posix_spawn_file_actions_adddup2(&m_actions, handle->fileDescriptor(), target);
    }
    const posix_spawn_file_actions_t *get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

class SpawnAttributes
{
public:
    SpawnAttributes()
    {
        posix_spawnattr_init(&m_attributes);
        // The child starts with no blocked signals and SIGPIPE and SIGXFSZ at
        // their defaults,
        // whatever the spawning thread had, as programs expect.
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGXFSZ);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes &) = delete;
    SpawnAttributes &operator=(const SpawnAttributes &) = delete;

    const posix_spawnattr_t *get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

} // namespace

Process::Process() = default;

Process::~Process()
{
    if (m_waiter.joinable()) {
        // The waiting thread holds the object until it is done, so when it is
        // not the one letting go here it has nothing left to do but return.
        if (m_waiter.get_id() == std::this_thread::get_id())
            m_waiter.detach();
        else
            m_waiter.join();
    }
}

QString Process::launchPath() const
{
    std::lock_guard lock(m_mutex);
    return m_launchPath;
}

void Process::setLaunchPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_launchPath = path;
}

QStringList Process::arguments() const
{
    std::lock_guard lock(m_mutex);
    return m_arguments;
}

void Process::setArguments(const QStringList &arguments)
{
    std::lock_guard lock(m_mutex);
    m_arguments = arguments;
}

std::optional<Process::Environment> Process::environment() const
{
    std::lock_guard lock(m_mutex);
    return m_environment;
}

void Process::setEnvironment(const Environment &environment)
{
    std::lock_guard lock(m_mutex);
    m_environment = environment;
}

std::shared_ptr<Pipe> Process::standardInput() const
{
    std::lock_guard lock(m_mutex);
    return m_standardInput;
}

void Process::setStandardInput(std::shared_ptr<Pipe> pipe)
{
    std::lock_guard lock(m_mutex);
    m_standardInput = std::move(pipe);
}

std::shared_ptr<Pipe> Process::standardOutput() const
{
    std::lock_guard lock(m_mutex);
    return m_standardOutput;
}

void Process::setStandardOutput(std::shared_ptr<Pipe> pipe)
{
    std::lock_guard lock(m_mutex);
    m_standardOutput = std::move(pipe);
}

std::shared_ptr<Pipe> Process::standardError() const
{
    std::lock_guard lock(m_mutex);
    return m_standardError;
}

void Process::setStandardError(std::shared_ptr<Pipe> pipe)
{
    std::lock_guard lock(m_mutex);
    m_standardError = std::move(pipe);
}

void Process::setTerminationHandler(TerminationHandler handler)
{
    std::lock_guard lock(m_mutex);
    m_terminationHandler = std::move(handler);
}

bool Process::launch()
{
    std::shared_ptr<Process> self = weak_from_this().lock();
    std::lock_guard lock(m_mutex);
    if (m_state != State::NotLaunched) {
        m_errorString = u"The process has already been launched"_s;
        return false;
    }
    if (!self) {
        m_errorString = u"The process is not held by a shared pointer"_s;
        return false;
    }
    for (const auto &pipe : {m_standardInput, m_standardOutput, m_standardError}) {
        if (pipe && !pipe->isValid()) {
            m_errorString = u"A standard stream's pipe could not be opened"_s;
            return false;
        }
    }

    // The system ends every argument and variable at its first NUL: what
    // would run is not what was asked for.
    bool holdsNul = m_launchPath.contains(QChar(0));
    for (const QString &argument : std::as_const(m_arguments))
        holdsNul = holdsNul || argument.contains(QChar(0));
    if (m_environment) {
        for (auto it = m_environment->cbegin(); it != m_environment->cend(); ++it)
            holdsNul = holdsNul || it.key().contains(QChar(0)) || it.value().contains(QChar(0));
    }
    if (holdsNul) {
        m_errorString = u"An argument or environment entry holds a NUL character"_s;
        return false;
    }

    const QByteArray path = QFile::encodeName(m_launchPath);
    CStringVector argv;
    argv.append(path);
    for (const QString &argument : std::as_const(m_arguments))
        argv.append(argument.toUtf8());
    CStringVector envp;
    if (m_environment) {
        for (auto it = m_environment->cbegin(); it != m_environment->cend(); ++it)
            envp.append(it.key().toUtf8() + '=' + it.value().toUtf8());
    }

    SpawnFileActions actions;
    if (m_standardInput)
        actions.connect(m_standardInput->fileHandleForReading(), STDIN_FILENO);
    if (m_standardOutput)
        actions.connect(m_standardOutput->fileHandleForWriting(), STDOUT_FILENO);
    if (m_standardError)
        actions.connect(m_standardError->fileHandleForWriting(), STDERR_FILENO);
    SpawnAttributes attributes;

    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, path.constData(), actions.get(), attributes.get(),
                                     argv.data(), m_environment ? envp.data() : environ);
    if (result != 0) {
        m_errorString = systemError(result);
        return false;
    }
    m_pid = pid;
    m_state = State::Running;

    if (m_standardInput)
        m_standardInput->fileHandleForReading()->closeFile();
    if (m_standardOutput)
        m_standardOutput->fileHandleForWriting()->closeFile();
    if (m_standardError)
        m_standardError->fileHandleForWriting()->closeFile();

    m_waiter = std::thread([self] { self->waitForExit(); });
    return true;
}

void Process::waitForExit()
{
    const auto pid = pid_t(m_pid);
    // Wait without reaping first: until the reaping below, which happens under
    // the lock that terminate() takes, the pid cannot be handed to another
    // process.
    siginfo_t info{};
    while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    TerminationHandler handler;
    {
        std::lock_guard lock(m_mutex);
        int status = 0;
        pid_t reaped;
        do {
            reaped = ::waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        if (reaped == pid && WIFSIGNALED(status)) {
            m_terminationReason = TerminationReason::UncaughtSignal;
            m_terminationStatus = WTERMSIG(status);
        } else if (reaped == pid) {
            m_terminationStatus = WEXITSTATUS(status);
        }
        m_state = State::Exited;
        handler = std::move(m_terminationHandler);
        m_terminationHandler = nullptr;
    }
    m_exited.notify_all();
    if (handler)
        handler(*this);
}

QString Process::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_errorString;
}

void Process::waitUntilExit()
{
    std::unique_lock lock(m_mutex);
    m_exited.wait(lock, [this] { return m_state != State::Running; });
}

bool Process::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Running;
}

qint64 Process::processIdentifier() const
{
    std::lock_guard lock(m_mutex);
    return m_pid;
}

int Process::terminationStatus() const
{
    std::lock_guard lock(m_mutex);
    return m_terminationStatus;
}

Process::TerminationReason Process::terminationReason() const
{
    std::lock_guard lock(m_mutex);
    return m_terminationReason;
}

QString Process::signalName(int number)
{
    const char *abbreviation = ::sigabbrev_np(number);
    return abbreviation ? u"SIG"_s + QString::fromLatin1(abbreviation) : u"signal %1"_s.arg(number);
}

bool Process::terminate()
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Running)
        return false;
    return ::kill(pid_t(m_pid), SIGTERM) == 0;
}
