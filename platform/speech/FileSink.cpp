#include "platform/speech/FileSink.h"

#include "platform/speech/SoundFileWriter.h"
#include "platform/speech/SpeechChannel.h"
#include "platform/system/Log.h"

#include <vector>

using namespace Qt::StringLiterals;

FileSink::FileSink(std::shared_ptr<SpeechChannel> channel, std::unique_ptr<SoundFileWriter> writer,
                   QString path, std::function<void()> done, bool awaitsFinish)
    : m_channel(std::move(channel))
    , m_writer(std::move(writer))
    , m_path(std::move(path))
    , m_doneCall(std::move(done))
    , m_awaitsFinish(awaitsFinish && m_writer)
{
    m_thread = std::thread([this] { run(); });
}

FileSink::~FileSink()
{
    cancel();
    m_channel->cancel();
    m_thread.join();
}

void FileSink::finish(Finish finish)
{
    const std::lock_guard lock(m_finishMutex);
    m_finish = std::move(finish);
    m_finishGiven.notify_all();
}

void FileSink::cancel()
{
    const std::lock_guard lock(m_finishMutex);
    m_cancelled.store(true, std::memory_order_release);
    m_finishGiven.notify_all();
}

bool FileSink::awaitFinish()
{
    m_written.store(true, std::memory_order_release);
    if (m_doneCall)
        m_doneCall();
    std::unique_lock lock(m_finishMutex);
    m_finishGiven.wait(lock, [this] { return m_finish || m_cancelled.load(); });
    return !m_cancelled.load();
}

void FileSink::run()
{
    const auto failed = [this](const QString &error) {
        m_error = error;
        m_channel->cancel();
        Log::write(u"Cannot export the speech to \"%1\": %2"_s.arg(m_path, error));
    };
    bool writing = true;
    if (m_writer && !m_writer->open()) {
        failed(m_writer->errorString());
        writing = false;
    }
    std::vector<qint16> block(16384);
    while (writing) {
        const qsizetype count = m_channel->readWaiting(block.data(), qsizetype(block.size()));
        if (count <= 0)
            break;
        if (m_writer && !m_writer->write(block.data(), count)) {
            failed(m_writer->errorString());
            writing = false;
        }
    }
    if (writing) {
        // The producer has finished, or the speech was cancelled.
        const bool completed = m_channel->result() == SpeechChannel::Result::Completed;
        if (!completed) {
            if (!m_channel->isCancelled())
                failed(m_channel->error());
            else if (m_writer)
                Log::write(u"Export to \"%1\" stopped: no file written"_s.arg(m_path));
        } else if (m_awaitsFinish) {
            // A stop that comes once the files are in place finds them there.
            const bool given = awaitFinish();
            const QString error = given ? m_finish(*m_writer, m_cancelled) : QString();
            if (given && error.isEmpty())
                m_succeeded = true;
            else if (m_cancelled.load())
                Log::write(u"Export to \"%1\" stopped: no file written"_s.arg(m_path));
            else
                failed(error);
        } else if (m_writer && !m_writer->commit()) {
            failed(m_writer->errorString());
        } else {
            m_succeeded = true;
        }
    }
    if (m_writer && !m_succeeded)
        m_writer->discard();
    m_done.store(true, std::memory_order_release);
    if (m_doneCall)
        m_doneCall();
}
