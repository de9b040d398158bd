#include "platform/system/LogCapture.h"
#include "platform/system/StandardError.h"
#include "support/TestSupport.h"

#include <QTemporaryFile>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <future>
#include <thread>

#include <unistd.h>

namespace {
std::atomic<int> systemLogCalls = 0;
}

// Found before the C library's: a log line sent to syslog lands here instead
// of in the journal of whoever runs the tests.
extern "C" {
void openlog(const char *, int, int)
{
    ++systemLogCalls;
}
void syslog(int, const char *, ...)
{
    ++systemLogCalls;
}
void vsyslog(int, const char *, va_list)
{
    ++systemLogCalls;
}
void __syslog_chk(int, int, const char *, ...)
{
    ++systemLogCalls;
}
}

// Lines from many threads are all kept, and none reaches syslog.
TEST(Log, LinesFromManyThreadsReachEveryCaptureAndNeverSyslog)
{
    LogCapture outer;
    {
        LogCapture inner;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([t] {
                for (int i = 0; i < 100; ++i)
                    Log::write(QString::number(t));
            });
        for (auto &thread : threads)
            thread.join();
        EXPECT_EQ(inner.lines().size(), 400);
    }
    Log::write(u"after"_s);
    EXPECT_EQ(outer.lines().size(), 401);
    EXPECT_EQ(outer.count(u"3"_s), 100);
    EXPECT_EQ(systemLogCalls, 0) << "only standard error and the captures";
}

// A thread kept quiet (as the speech engine's is while it loads every voice)
// loses what is printed on it alone: the log lines that other threads write
// meanwhile reach standard error.
TEST(Log, AQuietThreadLosesOnlyItsOwnLinesOnStandardError)
{
    QTemporaryFile seen;
    ASSERT_TRUE(seen.open());
    const int saved = ::dup(STDERR_FILENO);
    ASSERT_EQ(::dup2(seen.handle(), STDERR_FILENO), STDERR_FILENO);
    std::promise<void> quiet, logged;
    std::thread engine([&] {
        const StandardError::Silence silence;
        std::fputs("a library's own line\n", stderr);
        quiet.set_value();
        logged.get_future().wait();
        std::fputs("another\n", stderr);
    });
    quiet.get_future().wait();
    Log::write(u"heard"_s);
    logged.set_value();
    engine.join();
    std::fputs("after\n", stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    EXPECT_EQ(TestSupport::contents(seen.fileName()), "tavorin: heard\nafter\n");
}
