#pragma once

#include "platform/speech/SoundFormats.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class SpeechChannel;
class SoundFileWriter;

// Reads the samples of one speech from its channel on a thread of its own and
// writes them into a sound file, which takes the target's place only when the
// speech completes. Without a file it only drains the channel, for a render
// whose word marks are all that is wanted. A failure to write cancels the
// speech.
class FileSink
{
public:
    // Ends a file whose speech is complete, on the sink's thread: puts it (or
    // what is made of it) in place, or says why not. `stopped` turns true
    // when the speech is stopped meanwhile.
    using Finish =
        std::function<QString(SoundFileWriter &writer, const std::atomic<bool> &stopped)>;

    // `done` is called on the sink's thread once the file is in place or
    // gone, and once it waits for finish(). Without `awaitsFinish` a
    // complete speech's file is put in place at once.
    FileSink(std::shared_ptr<SpeechChannel> channel, std::unique_ptr<SoundFileWriter> writer,
             QString path, std::function<void()> done, bool awaitsFinish = false);
    ~FileSink();
    FileSink(const FileSink &) = delete;
    FileSink &operator=(const FileSink &) = delete;

    // True once every sample is in the file and the sink waits for finish().
    bool isWritten() const { return m_written.load(std::memory_order_acquire); }
    void finish(Finish finish);
    // Ends a wait for finish(), and a finish under way, without a file.
    void cancel();

    bool isDone() const { return m_done.load(std::memory_order_acquire); }
    // Once done: true when the speech completed and its file is in place.
    bool succeeded() const { return m_succeeded; }
    // Once done: why the file was not written; empty when it was, or when
    // the speech was stopped.
    QString errorString() const { return m_error; }

private:
    void run();
    // False when the sink was cancelled while it waited.
    bool awaitFinish();

    std::shared_ptr<SpeechChannel> m_channel;
    std::unique_ptr<SoundFileWriter> m_writer;
    QString m_path;
    std::function<void()> m_doneCall;
    bool m_succeeded = false;
    QString m_error;
    std::atomic<bool> m_done{false};
    bool m_awaitsFinish;
    std::atomic<bool> m_written{false};
    std::atomic<bool> m_cancelled{false};
    std::mutex m_finishMutex;
    std::condition_variable m_finishGiven;
    Finish m_finish;
    std::thread m_thread;
};
