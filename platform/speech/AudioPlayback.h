#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;

// Plays 16-bit mono samples on the default audio output, and keeps the time of
// what has really been heard. Without an output device it runs a silent
// real-time clock instead, so that whoever follows the time still sees it
// pass. Main thread only.
class AudioPlayback : public QObject
{
    Q_OBJECT

public:
    // `silent` plays on the silent clock even when a device exists.
    explicit AudioPlayback(int sampleRate, bool silent = false, QObject *parent = nullptr);
    ~AudioPlayback() override;

    // Begins a new stream at time 0.
    void start();
    void stop();
    void suspend();
    void resume();

    qint64 freeSamples() const;
    // Takes all the samples: what the output does not accept now is kept and
    // offered again before anything newer, at the next write or time query.
    void write(const qint16 *samples, qint64 count);
    qint64 writtenSamples() const { return m_written; }
    qint64 playedSamples();
    bool isSilent() const { return !m_device; }

private:
    bool openOutput();
    void offerPending();
    qint64 followDevice(qint64 reported);
    void startSilent(qint64 fromSample);
    void useSilentClock(const QString &reason);
    void retire();

    int m_sampleRate;
    bool m_silentAsked;
    std::unique_ptr<QAudioSink> m_sink;
    // Stopped outputs, deleted from the event loop.
    std::vector<std::unique_ptr<QAudioSink>> m_retired;
    QIODevice *m_device = nullptr;
    qint64 m_written = 0;
    // Samples counted as written that the output has not taken yet.
    std::vector<qint16> m_pending;
    // Silent clock: time runs from m_clockBase samples at m_clock's start.
    QElapsedTimer m_clock;
    qint64 m_clockBase = 0;
    bool m_suspended = false;
    // The output can report the end of its data early or stall; time that
    // stands still while everything is written counts as played.
    qint64 m_lastPlayed = -1;
    QElapsedTimer m_sinceProgress;
    // The device reports its time in steps, corrected now and then by tens of
    // milliseconds; words follow a steady clock running from the last
    // reported position that is pulled gently towards each new report.
    QElapsedTimer m_steady;
    qint64 m_steadyBase = 0;
    qint64 m_steadyAtNs = 0;
    qint64 m_lastReturned = 0;
};
