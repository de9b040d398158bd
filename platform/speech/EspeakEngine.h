#pragma once

#include "platform/speech/EngineThread.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <future>
#include <vector>

// The one espeak-ng engine of the process. espeak-ng keeps global state and is
// not thread safe, so every call into it runs on this object's own thread,
// one request after the other, whichever synthesizer asked.
class EspeakEngine : public ThreadedEngine
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

    static EspeakEngine &instance() { return ProcessEngine<EspeakEngine>::instance(); }
    static void shutDown() { ProcessEngine<EspeakEngine>::shutDown(); }

    EspeakEngine(const EspeakEngine &) = delete;
    EspeakEngine &operator=(const EspeakEngine &) = delete;

    // The voices that load, with a female one made of each (EspeakVoiceSource).
    const VoiceSource &voices() override;
    QString name() const override;
    bool readsPhonemes() const override { return true; }
    int sampleRate(const QString &voice) override;
    int charactersPerSecond(const QString &) override { return CharactersPerSecond; }
    // Reads the voices on the engine thread; the caller waits when it needs them.
    std::future<Catalogue> catalogue();

private:
    // Some 900 times faster than it speaks.
    static constexpr int CharactersPerSecond = 16 * 1024;

    EspeakEngine();
    ~EspeakEngine() override = default;
    friend class ProcessEngine<EspeakEngine>;
    friend struct std::default_delete<EspeakEngine>;

    bool start();
    void stop();
    EngineThread &thread() override { return m_thread; }
    void synthesize(const Request &request) override;

    // Written by the engine thread before it reports that it started.
    int m_sampleRate = 0;
    // Engine thread only: the last voice a speech was made with, which a
    // voice that fails to load falls back to.
    QByteArray m_lastVoice;
    EngineThread m_thread; // last: it stops before the members above go
};
