#pragma once

#include "platform/speech/SpeechEngine.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The one espeak-ng engine of the process. espeak-ng keeps global state and is
// not thread safe, so every call into it runs on this object's own thread,
// one request after the other, whichever synthesizer asked.
class EspeakEngine : public SpeechEngine
{
public:
    struct Voice
    {
        QString identifier;
        QString name;
        QList<QPair<QString, int>> languages; // language and priority, the voice's order
        int gender = 0;                       // espeak-ng: 0 none, 1 male, 2 female
    };
    struct Variant
    {
        QString identifier; // what follows "+" in a voice name
        QString name;
        int gender = 0;
    };
    struct Catalogue
    {
        std::vector<Voice> voices; // language voices that load, in espeak-ng's order
        std::vector<Variant> variants;
        double milliseconds = 0; // time taken on the engine thread
    };

    // The engine, started on first use. It is stopped with the application
    // object (or at exit); speeches still running then end as cancelled.
    static EspeakEngine &instance();
    static void shutDown();

    EspeakEngine(const EspeakEngine &) = delete;
    EspeakEngine &operator=(const EspeakEngine &) = delete;

    // The voices that load, with a female one made of each (EspeakVoiceSource).
    const VoiceSource &voices() override;
    QString name() const override;
    int sampleRate() override;
    // Reads the voices on the engine thread; the caller waits when it needs them.
    std::future<Catalogue> catalogue();
    void submit(Request request) override;
    void cancel(const std::shared_ptr<SpeechChannel> &channel) override;

private:
    struct Task
    {
        std::function<void()> run;
        std::shared_ptr<SpeechChannel> channel;
    };
    EspeakEngine();
    ~EspeakEngine() override;
    friend struct std::default_delete<EspeakEngine>;

    void post(Task task);
    void loop();
    void synthesize(const Request &request);

    std::mutex m_mutex;
    std::condition_variable m_queueChanged;
    std::deque<Task> m_queue;
    std::shared_ptr<SpeechChannel> m_running;
    bool m_quit = false;
    int m_sampleRate = -1; // -1 until the engine thread has started espeak-ng
    // Engine thread only: the last voice a speech was made with, which a
    // voice that fails to load falls back to.
    QByteArray m_lastVoice;
    std::condition_variable m_started;
    std::thread m_thread;
};
