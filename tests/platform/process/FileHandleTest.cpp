#include "platform/process/Pipe.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

#include <dirent.h>

using namespace Qt::StringLiterals;

namespace {

int openDescriptorCount()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

} // namespace

TEST(FileHandle, ReadabilityHandlerSeesEachChunkAndTheEndOnceOnAThreadOfItsOwn)
{
    Pipe pipe;
    ASSERT_TRUE(pipe.isValid());
    const auto reader = pipe.fileHandleForReading();
    std::mutex mutex;
    QByteArrayList chunks;
    std::atomic<bool> onMainThread = false;
    const auto mainThread = std::this_thread::get_id();
    reader->setReadabilityHandler([&](FileHandle &handle) {
        onMainThread = onMainThread || std::this_thread::get_id() == mainThread;
        const QByteArray chunk = handle.availableData();
        std::lock_guard lock(mutex);
        chunks << chunk;
    });
    const auto waitForChunks = [&](qsizetype count) {
        return QTest::qWaitFor(
            [&] {
                std::lock_guard lock(mutex);
                return chunks.size() == count;
            },
            10000);
    };

    ASSERT_TRUE(pipe.fileHandleForWriting()->writeData("first"));
    ASSERT_TRUE(waitForChunks(1));
    ASSERT_TRUE(pipe.fileHandleForWriting()->writeData("second"));
    ASSERT_TRUE(waitForChunks(2));
    pipe.fileHandleForWriting()->closeFile();
    ASSERT_TRUE(waitForChunks(3));

    // Removal waits for the thread: nothing can be called after it.
    reader->setReadabilityHandler({});
    EXPECT_EQ(chunks, (QByteArrayList{"first", "second", ""}));
    EXPECT_TRUE(reader->isAtEndOfFile());
    EXPECT_FALSE(onMainThread);
}

TEST(FileHandle, AHandlerMayRemoveItselfOrDropTheLastOwnerOfItsHandle)
{
    const int before = openDescriptorCount();
    {
        Pipe pipe;
        std::atomic<int> calls = 0;
        pipe.fileHandleForReading()->setReadabilityHandler([&](FileHandle &handle) {
            handle.availableData();
            ++calls;
            handle.setReadabilityHandler({});
        });
        ASSERT_TRUE(pipe.fileHandleForWriting()->writeData("x"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 10000));
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return dropped.load(); }, 10000));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return openDescriptorCount() == before; }, 10000));
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST(FileHandle, WritingRunsUntilTheHandlerStopsAndFailsWithoutSigpipeOnceTheReaderIsGone)
{
    Pipe pipe;
    std::atomic<int> calls = 0;
    pipe.fileHandleForWriting()->setWriteabilityHandler([&](FileHandle &handle) {
        handle.writeData(QByteArray::number(++calls));
        if (calls == 3)
            handle.setWriteabilityHandler({});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 3; }, 10000));
    EXPECT_EQ(pipe.fileHandleForReading()->availableData(), "123");

    pipe.fileHandleForReading()->closeFile();
    EXPECT_FALSE(pipe.fileHandleForWriting()->writeData("lost"));
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}
