#pragma once

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

class SpeechChannel;

// The one espeak-ng engine of the process. espeak-ng keeps global state and is
// not thread safe, so every call into it runs on this object's own thread,
// one request after the other, whichever synthesizer asked.
class EspeakEngine
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

    // One speech: its samples and word marks go into the channel, for
    // whichever consumer reads it (the audio output, a file sink).
    struct Request
    {
        QString text;
        QString voice;
        int rate = 175;
        int pitch = 50;      // espeak-ng's 0 to 100
        int intonation = 50; // espeak-ng's pitch range, 0 (monotone) to 100
        int volume = 100;    // 0 to 200, in percent
        std::shared_ptr<SpeechChannel> channel;
        // The silence a speech begins with is left out, unless the speech
        // continues another one (a run of a parallel render).
        bool trimLeadingSilence = true;
    };

    // The engine, started on first use. It is stopped with the application
    // object (or at exit); speeches still running then end as cancelled.
    static EspeakEngine &instance();
    static void shutDown();

    // The rates in words per minute that espeak-ng speaks as asked; it
    // speaks any other at the nearest limit, or not at all.
    struct RateRange
    {
        int minimum;
        int maximum;
    };
    static RateRange rateRange();

    EspeakEngine(const EspeakEngine &) = delete;
    EspeakEngine &operator=(const EspeakEngine &) = delete;

    // 0 when espeak-ng could not start.
    int sampleRate();
    // Reads the voices on the engine thread; the caller waits when it needs them.
    std::future<Catalogue> catalogue();
    void submit(Request request);
    // Cancels the channel's request, queued or running; a queued one is
    // finished at once.
    void cancel(const std::shared_ptr<SpeechChannel> &channel);

private:
    struct Task
    {
        std::function<void()> run;
        std::shared_ptr<SpeechChannel> channel;
    };
    EspeakEngine();
    ~EspeakEngine();
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
