#include "platform/speech/AudioPlayback.h"

#include "platform/speech/SpeechTesting.h"

#include "platform/system/Log.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <atomic>

using namespace Qt::StringLiterals;

namespace {

bool silentLogged = false;
// The buffer of the output opened last, for the tests.
std::atomic<qsizetype> openedBufferBytes{0};

// How far ahead of the silent clock samples are taken, like a device's buffer.
constexpr qint64 SilentLeadMs = 200;
// A device whose time stands still this long after the last sample counts as done.
constexpr qint64 StallMs = 1000;
// The steady clock closes its distance to the device's reports over about
// this time, and starts over from a report this far away from it.
constexpr qint64 SmoothingMs = 150;
constexpr qint64 ResyncMs = 120;

// Opens a stream on the default output. Everything in here happens inside Qt
// Multimedia, which reads the server's device list that libpulse's thread
// fills; the thread-checking builds know this frame by its caller's name.
std::unique_ptr<QAudioSink> openDefaultOutput(int sampleRate, QIODevice *&stream)
{
    stream = nullptr;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    auto sink = std::make_unique<QAudioSink>(device, format);
    stream = sink->start();
    if (stream && sink->error() != QAudio::NoError)
        stream = nullptr;
    return sink;
}

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
    m_pending.clear();
    m_lastPlayed = -1;
    m_lastReturned = 0;
    m_steady.invalidate();
    m_suspended = false;
    if (m_silentAsked) {
        useSilentClock(u"silent playback requested"_s);
        return;
    }
    if (!openOutput()) {
        useSilentClock(u"no audio output device"_s);
        return;
    }
    if (!m_device) {
        retire();
        useSilentClock(u"the audio output does not open"_s);
        return;
    }
    silentLogged = false;
    openedBufferBytes = m_sink->bufferSize();
}

// A fresh output per stream: a stopped one carries its buffer attributes and
// latency figures over into the next stream, which after a few quick stops
// leaves the speech playing slowed down for good.
bool AudioPlayback::openOutput()
{
    m_sink = openDefaultOutput(m_sampleRate, m_device);
    return m_sink != nullptr;
}

void AudioPlayback::stop()
{
    if (m_sink) {
        if (m_device)
            m_sink->stop();
        retire();
    }
    m_device = nullptr;
    m_pending.clear();
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

qsizetype SpeechTesting::outputBufferBytes()
{
    return openedBufferBytes;
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
    m_steady.invalidate();
    m_sinceProgress.start();
}

qint64 AudioPlayback::freeSamples() const
{
    if (m_device)
        return std::max<qint64>(0, m_sink->bytesFree() / qint64(sizeof(qint16)) -
                                       qint64(m_pending.size()));
    const qint64 lead = m_sampleRate * SilentLeadMs / 1000;
    const qint64 played = m_clock.isValid()
                              ? m_clockBase + m_clock.nsecsElapsed() * m_sampleRate / 1000000000
                              : m_clockBase;
    return std::max<qint64>(0, played + lead - m_written);
}

void AudioPlayback::write(const qint16 *samples, qint64 count)
{
    if (count <= 0)
        return;
    m_written += count;
    if (!m_device) {
        if (!m_clock.isValid() && !m_suspended)
            m_clock.start();
        return;
    }
    m_pending.insert(m_pending.end(), samples, samples + count);
    offerPending();
}

void AudioPlayback::offerPending()
{
    if (!m_device || m_pending.empty())
        return;
    const qint64 bytes = m_device->write(reinterpret_cast<const char *>(m_pending.data()),
                                         qint64(m_pending.size()) * qint64(sizeof(qint16)));
    const qint64 taken =
        std::clamp<qint64>(bytes / qint64(sizeof(qint16)), 0, qint64(m_pending.size()));
    m_pending.erase(m_pending.begin(), m_pending.begin() + taken);
}

qint64 AudioPlayback::playedSamples()
{
    qint64 played = 0;
    offerPending();
    if (m_device) {
        if (m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
            // The device went away mid-speech: carry on silently from here.
            const qint64 heard = m_sink->processedUSecs() * m_sampleRate / 1000000;
            m_device = nullptr;
            retire();
            useSilentClock(u"the audio output failed"_s);
            m_pending.clear();
            startSilent(std::min(heard, m_written));
            return playedSamples();
        }
        played = (m_sink->processedUSecs() * m_sampleRate + 500000) / 1000000;
        if (played != m_lastPlayed || m_suspended) {
            m_lastPlayed = played;
            m_sinceProgress.start();
        } else if (m_sinceProgress.isValid() && m_sinceProgress.elapsed() > StallMs &&
                   m_pending.empty()) {
            return m_written;
        }
        return std::min(followDevice(played), m_written);
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
    return std::min(played, m_written);
}

qint64 AudioPlayback::followDevice(qint64 reported)
{
    const qint64 now = m_steady.isValid() ? m_steady.nsecsElapsed() : 0;
    if (!m_steady.isValid() || m_suspended || reported <= 0) {
        // Not running yet, or held: nothing to follow but the report itself.
        if (!m_suspended && reported > 0)
            m_steady.start();
        m_steadyBase = reported;
        m_steadyAtNs = 0;
    } else {
        const qint64 steady = m_steadyBase + (now - m_steadyAtNs) * m_sampleRate / 1000000000;
        const qint64 distance = reported - steady;
        if (std::abs(distance) > m_sampleRate * ResyncMs / 1000) {
            m_steadyBase = reported;
        } else {
            const qint64 sinceLastNs = std::min<qint64>(now - m_steadyAtNs, SmoothingMs * 1000000);
            m_steadyBase = steady + distance * sinceLastNs / (SmoothingMs * 1000000);
        }
        m_steadyAtNs = now;
    }
    // Words are never taken back: time only moves forward within a stream.
    m_lastReturned = std::max(m_lastReturned, std::min(m_steadyBase, m_written));
    return m_lastReturned;
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
