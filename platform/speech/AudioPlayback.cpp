#include "platform/speech/AudioPlayback.h"

#include "platform/system/Log.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool silentLogged = false;

// How far ahead of the silent clock samples are taken, like a device's buffer.
constexpr qint64 SilentLeadMs = 200;
// A device whose time stands still this long after the last sample counts as done.
constexpr qint64 StallMs = 1000;

} // namespace

AudioPlayback::AudioPlayback(int sampleRate, bool silent, QObject *parent)
    : QObject(parent)
    , m_sampleRate(std::max(sampleRate, 1))
    , m_silentAsked(silent)
{}

AudioPlayback::~AudioPlayback()
{
    stop();
    while (!m_retired.empty()) {
        std::unique_ptr<QAudioSink> sink = std::move(m_retired.back());
        m_retired.pop_back();
    }
}

void AudioPlayback::start()
{
    stop();
    m_written = 0;
    m_lastPlayed = -1;
    m_suspended = false;
    if (m_silentAsked) {
        useSilentClock(u"silent playback requested"_s);
        return;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        useSilentClock(u"no audio output device"_s);
        return;
    }
    QAudioFormat format;
    format.setSampleRate(m_sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    // A fresh output per stream: a stopped one carries its buffer attributes
    // and latency figures over into the next stream, which after a few quick
    // stops leaves the speech playing slowed down for good.
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_device = m_sink->start();
    if (!m_device || m_sink->error() != QAudio::NoError) {
        m_device = nullptr;
        retire();
        useSilentClock(u"the audio output does not open"_s);
        return;
    }
    silentLogged = false;
}

void AudioPlayback::stop()
{
    if (m_sink) {
        if (m_device)
            m_sink->stop();
        retire();
    }
    m_device = nullptr;
    m_clock.invalidate();
}

// A sink's destructor runs the event loop, which must not happen inside
// whoever stops or polls the playback: it goes later, or with this object.
void AudioPlayback::retire()
{
    m_retired.push_back(std::move(m_sink));
    QTimer::singleShot(0, this, [this] {
        // One at a time, taken off the list first: each destructor runs the event loop.
        while (!m_retired.empty()) {
            std::unique_ptr<QAudioSink> sink = std::move(m_retired.back());
            m_retired.pop_back();
        }
    });
}

void AudioPlayback::suspend()
{
    if (m_suspended)
        return;
    if (m_device) {
        m_sink->suspend();
    } else if (m_clock.isValid()) {
        m_clockBase = playedSamples();
        m_clock.invalidate();
    }
    m_suspended = true;
}

void AudioPlayback::resume()
{
    if (!m_suspended)
        return;
    m_suspended = false;
    if (m_device)
        m_sink->resume();
    else
        m_clock.start();
    m_sinceProgress.start();
}

qint64 AudioPlayback::freeSamples() const
{
    if (m_device)
        return m_sink->bytesFree() / qint64(sizeof(qint16));
    const qint64 lead = m_sampleRate * SilentLeadMs / 1000;
    const qint64 played = m_clock.isValid()
                              ? m_clockBase + m_clock.nsecsElapsed() * m_sampleRate / 1000000000
                              : m_clockBase;
    return std::max<qint64>(0, played + lead - m_written);
}

qint64 AudioPlayback::write(const qint16 *samples, qint64 count)
{
    if (m_device) {
        const qint64 bytes = m_device->write(reinterpret_cast<const char *>(samples),
                                             count * qint64(sizeof(qint16)));
        const qint64 taken = std::max<qint64>(bytes, 0) / qint64(sizeof(qint16));
        m_written += taken;
        return taken;
    }
    if (!m_clock.isValid() && !m_suspended)
        m_clock.start();
    m_written += count;
    return count;
}

qint64 AudioPlayback::playedSamples()
{
    qint64 played = 0;
    if (m_device) {
        if (m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
            // The device went away mid-speech: carry on silently from here.
            const qint64 heard = m_sink->processedUSecs() * m_sampleRate / 1000000;
            m_device = nullptr;
            retire();
            useSilentClock(u"the audio output failed"_s);
            startSilent(std::min(heard, m_written));
            return playedSamples();
        }
        played = (m_sink->processedUSecs() * m_sampleRate + 500000) / 1000000;
    } else if (m_clock.isValid()) {
        played = m_clockBase + m_clock.nsecsElapsed() * m_sampleRate / 1000000000;
        if (played > m_written) {
            // Nothing to hear yet: the clock waits for the data, as a device would.
            startSilent(m_written);
            played = m_written;
        }
    } else {
        played = m_clockBase;
    }
    played = std::min(played, m_written);

    if (played != m_lastPlayed || m_suspended) {
        m_lastPlayed = played;
        m_sinceProgress.start();
    } else if (m_device && m_sinceProgress.isValid() && m_sinceProgress.elapsed() > StallMs) {
        return m_written;
    }
    return played;
}

void AudioPlayback::startSilent(qint64 fromSample)
{
    m_clockBase = fromSample;
    if (m_suspended)
        m_clock.invalidate();
    else
        m_clock.start();
}

void AudioPlayback::useSilentClock(const QString &reason)
{
    m_clockBase = 0;
    m_clock.invalidate();
    if (!silentLogged) {
        silentLogged = true;
        Log::write(u"Speech plays on a silent clock: %1"_s.arg(reason));
    }
}
