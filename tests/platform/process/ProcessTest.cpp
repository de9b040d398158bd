#include "platform/process/Process.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

#include <sys/wait.h>

using namespace Qt::StringLiterals;

namespace {

// The standard output of a finished child that was given a fresh pipe.
QByteArray runAndRead(const std::shared_ptr<Process> &process)
{
    auto output = std::make_shared<Pipe>();
    process->setStandardOutput(output);
    EXPECT_TRUE(process->launch()) << process->errorString().toStdString();
    const QByteArray text = output->fileHandleForReading()->readDataToEndOfFile();
    process->waitUntilExit();
    return text;
}

bool isReaped(qint64 pid)
{
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD;
}

} // namespace

TEST(Process, LaunchReportsFailureAndTerminateSignalsOnlyAnUnreapedChild)
{
    auto missing = std::make_shared<Process>();
    missing->setLaunchPath(u"/nonexistent/tavorin-program"_s);
    EXPECT_FALSE(missing->launch());
    EXPECT_FALSE(missing->errorString().isEmpty());
    EXPECT_FALSE(missing->terminate());
    Process unshared;
    unshared.setLaunchPath(u"/bin/true"_s);
    EXPECT_FALSE(unshared.launch());

    auto process = std::make_shared<Process>();
    process->setLaunchPath(u"/bin/sleep"_s);
    process->setArguments({u"60"_s});
    ASSERT_TRUE(process->launch());
    EXPECT_FALSE(process->launch()) << "a process launches once";
    EXPECT_TRUE(process->terminate());
    process->waitUntilExit();
    EXPECT_EQ(process->terminationReason(), Process::TerminationReason::UncaughtSignal);
    EXPECT_EQ(process->terminationStatus(), SIGTERM);
    EXPECT_FALSE(process->terminate()) << "its pid is free for reuse now";
}

TEST(Process, TerminationHandlerRunsOnceOnItsOwnThreadAfterTheChildIsReaped)
{
    auto process = std::make_shared<Process>();
    process->setLaunchPath(u"/bin/sh"_s);
    process->setArguments({u"-c"_s, u"exit 3"_s});
    std::mutex mutex;
    int calls = 0;
    bool runningInHandler = true;
    bool reapedInHandler = false;
    std::thread::id handlerThread;
    process->setTerminationHandler([&](Process &finished) {
        std::lock_guard lock(mutex);
        ++calls;
        runningInHandler = finished.isRunning();
        reapedInHandler = isReaped(finished.processIdentifier());
        handlerThread = std::this_thread::get_id();
    });
    ASSERT_TRUE(process->launch());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            std::lock_guard lock(mutex);
            return calls > 0;
        },
        10000));
    process->waitUntilExit();
    std::lock_guard lock(mutex);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(runningInHandler);
    EXPECT_TRUE(reapedInHandler);
    EXPECT_NE(handlerThread, std::this_thread::get_id());
    EXPECT_EQ(process->terminationReason(), Process::TerminationReason::Exit);
    EXPECT_EQ(process->terminationStatus(), 3);
}

TEST(Process, AChildInheritsOnlyItsStandardStreams)
{
    Pipe unrelated;
    auto process = std::make_shared<Process>();
    process->setLaunchPath(u"/bin/sh"_s);
    process->setArguments({u"-c"_s, u"cd /proc/$$/fd && echo *"_s});
    const QList<QByteArray> descriptors = runAndRead(process).trimmed().split(' ');
    EXPECT_TRUE(descriptors.contains("1"));
    EXPECT_FALSE(descriptors.contains(
        QByteArray::number(unrelated.fileHandleForReading()->fileDescriptor())));
    EXPECT_FALSE(descriptors.contains(
        QByteArray::number(unrelated.fileHandleForWriting()->fileDescriptor())));
}

TEST(Process, AChildIsReapedEvenWhenEveryOwnerHasLetGo)
{
    auto input = std::make_shared<Pipe>();
    std::atomic<bool> finished = false;
    qint64 pid = 0;
    {
        auto process = std::make_shared<Process>();
        process->setLaunchPath(u"/bin/cat"_s);
        process->setStandardInput(input);
        process->setTerminationHandler([&](Process &) { finished = true; });
        ASSERT_TRUE(process->launch());
        pid = process->processIdentifier();
    }
    input->fileHandleForWriting()->closeFile();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.load(); }, 10000));
    EXPECT_TRUE(isReaped(pid));
}
