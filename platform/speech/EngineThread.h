#pragma once

#include "platform/speech/SpeechEngine.h"

#include <QCoreApplication>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class SpeechChannel;

// The thread of an engine whose library keeps global state and is not thread
// safe: every call into the library runs here, one request after the other,
// whoever asked. A request for a speech names its channel, so that a
// cancelled speech leaves the queue at once.
class EngineThread
{
public:
    // `start` runs first on the thread and says whether the library started;
    // `stop` runs last, after every request.
    EngineThread(std::function<bool()> start, std::function<void()> stop);
    // Queued speeches end as cancelled and the running one is cancelled;
    // returns once the thread has stopped the library.
    ~EngineThread();
    EngineThread(const EngineThread &) = delete;
    EngineThread &operator=(const EngineThread &) = delete;

    // Waits until `start` has run: whether the library started.
    bool started();
    void post(std::function<void()> run, std::shared_ptr<SpeechChannel> channel = nullptr);
    // Queues a speech, or finishes its channel as failed at once when the
    // library did not start.
    void submit(std::function<void()> run, std::shared_ptr<SpeechChannel> channel);
    // Cancels the channel's speech, queued or running; a queued one is
    // finished at once.
    void cancel(const std::shared_ptr<SpeechChannel> &channel);

private:
    struct Task
    {
        std::function<void()> run;
        std::shared_ptr<SpeechChannel> channel;
    };

    void loop(const std::function<bool()> &start, const std::function<void()> &stop);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Task> m_queue;
    std::shared_ptr<SpeechChannel> m_running;
    bool m_quit = false;
    int m_state = -1; // -1 until `start` has run, then whether it succeeded
    std::thread m_thread;
};

// An engine that makes its speeches one after the other on its EngineThread.
class ThreadedEngine : public SpeechEngine
{
public:
    void submit(Request request) final;
    void cancel(const std::shared_ptr<SpeechChannel> &channel) final;

protected:
    virtual EngineThread &thread() = 0;
    // Runs on the thread for a speech not cancelled before it began, and
    // finishes its channel however it ends.
    virtual void synthesize(const Request &request) = 0;
};

// The one engine of a kind in a process, started on first use. It is stopped
// with the application object, before anything it may call (the log, the file
// system helpers) goes; a process that never makes an application stops it
// when it exits.
template<typename Engine>
class ProcessEngine
{
public:
    static Engine &instance()
    {
        std::lock_guard lock(mutex());
        std::unique_ptr<Engine> &engine = running();
        if (!engine) {
            engine.reset(new Engine);
            qAddPostRoutine(&shutDown);
        }
        return *engine;
    }

    // Speeches still running end as cancelled.
    static void shutDown()
    {
        std::unique_ptr<Engine> engine;
        {
            std::lock_guard lock(mutex());
            engine = std::move(running());
        }
        engine.reset();
    }

private:
    static std::mutex &mutex()
    {
        static std::mutex shared;
        return shared;
    }
    static std::unique_ptr<Engine> &running()
    {
        static std::unique_ptr<Engine> engine;
        return engine;
    }
};
