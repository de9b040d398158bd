#pragma once

#include "platform/speech/SoundFormats.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
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
    // `done` is called on the sink's thread once the file is in place or gone.
    FileSink(std::shared_ptr<SpeechChannel> channel, std::unique_ptr<SoundFileWriter> writer,
             QString path, std::function<void()> done);
    ~FileSink();
    FileSink(const FileSink &) = delete;
    FileSink &operator=(const FileSink &) = delete;

    bool isDone() const { return m_done.load(std::memory_order_acquire); }
    // Once done: true when the speech completed and its file is in place.
    bool succeeded() const { return m_succeeded; }
    // Once done: why the file was not written; empty when it was, or when
    // the speech was stopped.
    QString errorString() const { return m_error; }

private:
    void run();

    std::shared_ptr<SpeechChannel> m_channel;
    std::unique_ptr<SoundFileWriter> m_writer;
    QString m_path;
    std::function<void()> m_doneCall;
    bool m_succeeded = false;
    QString m_error;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
