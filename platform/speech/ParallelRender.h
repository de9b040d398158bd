#pragma once

#include "platform/speech/VoiceSettings.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class Process;
class SpeechChannel;
class SpeechEngine;

// Renders a long text with this process's engine and worker processes at
// once (espeak-ng holds one synthesis per process) and puts their output into
// one channel, in the text's order, as the engine would have: each run's
// samples follow the samples of the runs before it and its word marks are
// shifted by those samples and by the characters before the run. Each renders
// one run after the other; what is rendered ahead of the run being written
// is held here up to a budget, after which that renderer waits (a worker
// blocks on its full pipe), so memory stays bounded whatever the text's
// length.
//
// Asked to, it looks at how busy the cores are before it starts the workers,
// while this process renders the first run: it starts none for cores that
// other programs keep busy, so that a busy machine gets the speed of one
// process at its cost.
//
// The channel is finished once every worker has ended and been reaped:
// completed, failed (a worker that crashed or could not start, with its
// reason), or cancelled when the channel is (Stop, a sink that cannot write).
class ParallelRender
{
public:
    struct Run
    {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    struct Settings
    {
        QString program; // this program, started with RenderWorker::option
        int jobs = 2;    // processes at most, this one included
        VoiceSettings voice;
        // This process's engine for the voice, which renders runs too.
        SpeechEngine *engine = nullptr;
        // Fewer processes when other programs keep cores busy.
        bool byLoad = false;
        // The text holds [[phonemes]] for the engine (see SpeechEngine::Request).
        bool phonemes = false;
    };

    // The most processes that help, whatever is asked: no more than the
    // cores this process may run on, nor than the memory available holds (a
    // worker takes some 30 MB, and what it renders ahead is held here up to a
    // budget of its own).
    static int maximumJobs();
    // Consecutive runs of similar size, a few per job, cut at paragraph ends
    // or, in a long paragraph, at sentence ends. One run when the text
    // renders in a few seconds anyway at the voice's speed (its engine's
    // charactersPerSecond).
    static std::vector<Run> split(const QString &text, int jobs, int charactersPerSecond);

    ParallelRender(const QString &text, std::vector<Run> runs, Settings settings,
                   std::shared_ptr<SpeechChannel> channel);
    ~ParallelRender();
    ParallelRender(const ParallelRender &) = delete;
    ParallelRender &operator=(const ParallelRender &) = delete;

private:
    struct Item;
    struct RunState;

    void coordinate();
    // How many processes to render with, this one included, by the cores
    // that other programs leave; -1 when stopped while it looked.
    int jobsByLoad();
    void startWorkers();
    // The next run to render, or -1 when there is none or the render stops.
    qsizetype takeRun();
    void serve();
    void renderHere();
    bool deliver(qsizetype run, std::vector<Item> items);
    void complete(qsizetype run);
    void fail(const QString &reason);

    const QString m_text;
    const std::vector<Run> m_runs;
    const Settings m_settings;
    const std::shared_ptr<SpeechChannel> m_channel;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<RunState> m_states;
    qsizetype m_next = 0; // the next run a worker takes
    qsizetype m_head = 0; // the run being written into the channel
    qint64 m_aheadBytes = 0;
    bool m_stopping = false;
    QString m_failure;
    std::vector<std::shared_ptr<Process>> m_processes;
    std::vector<std::thread> m_workers; // one per worker process
    std::thread m_starter;              // starts the workers
    std::thread m_coordinator;
};
