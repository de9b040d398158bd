#include "platform/system/Log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

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

TEST(Log, CaptureSeesLinesWrittenWhileItLives)
{
    Log::write(u"before"_s);
    QStringList seen;
    {
        LogCapture capture;
        Log::write(u"keypath: currentRate - 175"_s);
        Log::write(u"HERE!"_s);
        {
            LogCapture inner;
            Log::write(u"HERE!"_s);
            EXPECT_EQ(inner.lines(), QStringList{u"HERE!"_s});
        }
        seen = capture.lines();
        EXPECT_EQ(capture.count(u"HERE!"_s), 2);
    }
    EXPECT_EQ(seen, (QStringList{u"keypath: currentRate - 175"_s, u"HERE!"_s, u"HERE!"_s}));
    EXPECT_EQ(systemLogCalls, 0) << "only standard error and the captures";
}

TEST(Log, LinesFromManyThreadsAreAllKept)
{
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
                Log::write(QString::number(t));
        });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(capture.lines().size(), 400);
    EXPECT_EQ(capture.count(u"3"_s), 100);
}
