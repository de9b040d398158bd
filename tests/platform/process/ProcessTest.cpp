// The process layer under what the command runner already shows: a child's
// identity after it is reaped, and handlers that let go of their own handle.
#include "platform/process/Process.h"
#include "platform/process/Pipe.h"

#include "support/TestSupport.h"

#include <atomic>
#include <csignal>
#include <mutex>

namespace {

bool isReaped(qint64 pid)
{
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD;
}

std::shared_ptr<Process> process(const QString &path, const QStringList &arguments = {})
{
    auto result = std::make_shared<Process>();
    result->setLaunchPath(path);
    result->setArguments(arguments);
    return result;
}

} // namespace

TEST(Process, LaunchReportsFailureAndTerminateSignalsOnlyAnUnreapedChild)
{
    const auto missing = process(u"/nonexistent/tavorin-program"_s);
    EXPECT_FALSE(missing->launch());
    EXPECT_FALSE(missing->errorString().isEmpty());
    EXPECT_FALSE(missing->terminate());
    Process unshared;
    unshared.setLaunchPath(u"/bin/true"_s);
    EXPECT_FALSE(unshared.launch());

    const auto sleeper = process(u"/bin/sleep"_s, {u"60"_s});
    ASSERT_TRUE(sleeper->launch());
    EXPECT_FALSE(sleeper->launch()) << "a process launches once";
    EXPECT_TRUE(sleeper->terminate());
    sleeper->waitUntilExit();
    EXPECT_EQ(sleeper->terminationReason(), Process::TerminationReason::UncaughtSignal);
    EXPECT_EQ(sleeper->terminationStatus(), SIGTERM);
    EXPECT_FALSE(sleeper->terminate()) << "its pid is free for reuse now";
}

// The handler runs once, after the reaping, even when every owner has let go.
TEST(Process, TerminationHandlerRunsOnceAfterTheChildIsReaped)
{
    auto input = std::make_shared<Pipe>();
    std::mutex mutex;
    int calls = 0;
    bool reapedInHandler = false;
    qint64 pid = 0;
    {
        const auto cat = process(u"/bin/sh"_s, {u"-c"_s, u"cat; exit 3"_s});
        cat->setStandardInput(input);
        cat->setTerminationHandler([&](Process &finished) {
            std::lock_guard lock(mutex);
            ++calls;
            reapedInHandler = !finished.isRunning() && isReaped(finished.processIdentifier()) &&
                              finished.terminationStatus() == 3;
        });
        ASSERT_TRUE(cat->launch());
        pid = cat->processIdentifier();
    }
    input->fileHandleForWriting()->closeFile();
    const auto called = [&] {
        std::lock_guard lock(mutex);
        return calls;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return called() > 0; }, TestSupport::Patience));
    EXPECT_EQ(called(), 1) << "once";
    EXPECT_TRUE(reapedInHandler);
    EXPECT_TRUE(isReaped(pid));
}

TEST(FileHandle, AHandlerMayRemoveItselfOrDropTheLastOwnerOfItsHandle)
{
    const int before = TestSupport::openDescriptorCount();
    {
        Pipe pipe;
        std::atomic<int> calls = 0;
        pipe.fileHandleForReading()->setReadabilityHandler([&](FileHandle &handle) {
            handle.availableData();
            ++calls;
            handle.setReadabilityHandler({});
        });
        ASSERT_TRUE(pipe.fileHandleForWriting()->writeData("x"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, TestSupport::Patience));
    }
    {
        auto owner = std::make_shared<Pipe>();
        auto writer = owner->fileHandleForWriting();
        std::atomic<bool> dropped = false;
        // The handler holds the only owner of the reading end and lets go of
        // it while running, so the handle dies on its own thread.
        auto holder = std::make_shared<std::shared_ptr<FileHandle>>(owner->fileHandleForReading());
        owner.reset();
        (*holder)->setReadabilityHandler([holder, &dropped](FileHandle &handle) {
            handle.availableData();
            holder->reset();
            dropped = true;
        });
        ASSERT_TRUE(writer->writeData("y"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return dropped.load(); }, TestSupport::Patience));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return TestSupport::openDescriptorCount() == before; },
                                TestSupport::Patience));
}

TEST(FileHandle, WritingToAPipeWhoseReaderIsGoneFailsWithoutSigpipe)
{
    Pipe pipe;
    pipe.fileHandleForReading()->closeFile();
    EXPECT_FALSE(pipe.fileHandleForWriting()->writeData("lost"));
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}
