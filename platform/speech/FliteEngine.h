#pragma once

#include "platform/speech/EngineThread.h"

#include <QString>

#include <memory>
#include <vector>

struct cst_cg_db_struct;
struct cst_voice_struct;

// flite, the second engine: the CMU voices that the installed library
// registers, each speaking at its own sample rate. flite keeps global state
// (its lexicons, the voices' features, the error jump) and is not thread
// safe, so it runs on a thread of its own like espeak-ng.
class FliteEngine : public ThreadedEngine
{
public:
    struct Voice
    {
        QString name; // flite's short name: "slt"
        QString language;
        bool female = false;
        int sampleRate = 0;
        int charactersPerSecond = 0;
    };

    static constexpr auto IdentifierPrefix = "flite:";

    static FliteEngine &instance() { return ProcessEngine<FliteEngine>::instance(); }
    static void shutDown() { ProcessEngine<FliteEngine>::shutDown(); }

    FliteEngine(const FliteEngine &) = delete;
    FliteEngine &operator=(const FliteEngine &) = delete;

    // The voices that registered, the default one first; empty when none did.
    const std::vector<Voice> &catalogue();
    const VoiceSource &voices() override;
    QString name() const override;
    int sampleRate(const QString &voice) override;
    int charactersPerSecond(const QString &voice) override;

private:
    struct Loaded
    {
        cst_voice_struct *voice = nullptr;
        void (*unregister)(cst_voice_struct *) = nullptr;
        // The voice's own shape, which the settings scale.
        float durationStretch = 1.0f;
        float f0Mean = 0.0f;
        float f0Stddev = 0.0f;
        // A copy of the voice's model that takes its pitch from the voice's
        // features, where the model had a pitch contour of its own.
        std::shared_ptr<cst_cg_db_struct> model;
    };

    FliteEngine();
    ~FliteEngine() override = default;
    friend class ProcessEngine<FliteEngine>;
    friend struct std::default_delete<FliteEngine>;

    bool start();
    void stop();
    // The catalogue's index of a voice; the default voice's for any other.
    qsizetype indexOf(const QString &identifier);
    EngineThread &thread() override { return m_thread; }
    void synthesize(const Request &request) override;

    // Written by the engine thread before it reports that it started.
    std::vector<Voice> m_catalogue;
    std::vector<Loaded> m_loaded; // engine thread only, beside the catalogue
    EngineThread m_thread;        // last: it stops before the members above go
};
