#include "platform/system/LogCapture.h"
#include "support/TestSupport.h"

#include <atomic>
#include <cstdarg>
#include <thread>

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
