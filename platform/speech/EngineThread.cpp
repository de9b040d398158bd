#include "platform/speech/EngineThread.h"

#include "platform/speech/SpeechChannel.h"

#include <algorithm>

EngineThread::EngineThread(std::function<bool()> start, std::function<void()> stop)
{
    m_thread = std::thread(
        [this, start = std::move(start), stop = std::move(stop)] { loop(start, stop); });
}

EngineThread::~EngineThread()
{
    std::deque<Task> queued;
    std::shared_ptr<SpeechChannel> running;
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        queued.swap(m_queue);
        running = m_running;
    }
    // A channel calls its consumer when it ends: not under the lock.
    for (Task &task : queued) {
        if (task.channel) {
            task.channel->cancel();
            task.channel->finish(SpeechChannel::Result::Cancelled);
        }
    }
    if (running)
        running->cancel();
    m_changed.notify_all();
    m_thread.join();
}

bool EngineThread::started()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_state >= 0; });
    return m_state > 0;
}

void EngineThread::post(std::function<void()> run, std::shared_ptr<SpeechChannel> channel)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({std::move(run), std::move(channel)});
    }
    m_changed.notify_all();
}

void EngineThread::submit(std::function<void()> run, std::shared_ptr<SpeechChannel> channel)
{
    if (started())
        post(std::move(run), std::move(channel));
    else
        channel->finish(SpeechChannel::Result::Failed);
}

void EngineThread::cancel(const std::shared_ptr<SpeechChannel> &channel)
{
    channel->cancel();
    bool removed = false;
    {
        std::lock_guard lock(m_mutex);
        const auto queued = std::find_if(m_queue.begin(), m_queue.end(),
                                         [&](const Task &task) { return task.channel == channel; });
        removed = queued != m_queue.end();
        if (removed)
            m_queue.erase(queued);
    }
    if (removed)
        channel->finish(SpeechChannel::Result::Cancelled);
}

void EngineThread::loop(const std::function<bool()> &start, const std::function<void()> &stop)
{
    const bool ready = start();
    {
        std::lock_guard lock(m_mutex);
        m_state = ready ? 1 : 0;
    }
    m_changed.notify_all();

    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
            if (m_quit && m_queue.empty())
                break;
            task = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = task.channel;
        }
        task.run();
        std::lock_guard lock(m_mutex);
        m_running.reset();
    }
    stop();
}

void ThreadedEngine::submit(Request request)
{
    auto channel = request.channel;
    thread().submit(
        [this, request = std::move(request)] {
            if (request.channel->isCancelled())
                request.channel->finish(SpeechChannel::Result::Cancelled);
            else
                synthesize(request);
        },
        std::move(channel));
}

void ThreadedEngine::cancel(const std::shared_ptr<SpeechChannel> &channel)
{
    thread().cancel(channel);
}
