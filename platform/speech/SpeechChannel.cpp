#include "platform/speech/SpeechChannel.h"

#include <algorithm>
#include <cstring>

SpeechChannel::SpeechChannel(qsizetype sampleCapacity, qsizetype wordCapacity)
    : m_ring(size_t(std::max<qsizetype>(sampleCapacity, 1)))
    , m_wordCapacity(std::max<qsizetype>(wordCapacity, 1))
{}

bool SpeechChannel::write(const qint16 *samples, qsizetype count)
{
    const auto capacity = qsizetype(m_ring.size());
    std::unique_lock lock(m_mutex);
    while (count > 0) {
        m_changed.wait(lock, [&] { return m_cancelled || m_fill < capacity; });
        if (m_cancelled)
            return false;
        const qsizetype writeIndex = (m_readIndex + m_fill) % capacity;
        const qsizetype chunk = std::min({count, capacity - m_fill, capacity - writeIndex});
        std::memcpy(m_ring.data() + writeIndex, samples, size_t(chunk) * sizeof(qint16));
        m_fill += chunk;
        m_produced += chunk;
        samples += chunk;
        count -= chunk;
        // The consumer polls while it plays; only the first sound is urgent.
        if (m_produced == chunk && claimWakeUpLocked()) {
            lock.unlock();
            call(m_wakeUp);
            lock.lock();
        }
        // A consumer that waits (a file sink) takes the ring in large blocks.
        if (m_fill >= capacity / 2)
            m_changed.notify_all();
    }
    return !m_cancelled;
}

bool SpeechChannel::addWord(qint64 sample, CharacterRange range)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_cancelled || qsizetype(m_words.size()) < m_wordCapacity; });
    if (m_cancelled)
        return false;
    m_words.push_back({sample, range});
    return true;
}

void SpeechChannel::finish(Result result, const QString &error)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_result != Result::Running)
            return;
        m_result = m_cancelled ? Result::Cancelled : result;
        m_error = m_cancelled ? QString() : error;
        // The end must never be missed: wake even when a wake-up is pending.
        m_wakePending = true;
        m_changed.notify_all();
    }
    call(m_wakeUp);
}

qsizetype SpeechChannel::read(qint16 *destination, qsizetype maximum)
{
    const auto capacity = qsizetype(m_ring.size());
    std::lock_guard lock(m_mutex);
    qsizetype done = 0;
    while (done < maximum && m_fill > 0) {
        const qsizetype chunk = std::min({maximum - done, m_fill, capacity - m_readIndex});
        std::memcpy(destination + done, m_ring.data() + m_readIndex,
                    size_t(chunk) * sizeof(qint16));
        m_readIndex = (m_readIndex + chunk) % capacity;
        m_fill -= chunk;
        done += chunk;
    }
    m_consumed += done;
    if (done > 0)
        m_changed.notify_all();
    return done;
}

qsizetype SpeechChannel::readWaiting(qint16 *destination, qsizetype maximum)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_cancelled || (!m_paused && (m_fill > 0 || m_result != Result::Running));
        });
        if (m_cancelled)
            return -1;
    }
    return read(destination, maximum);
}

qsizetype SpeechChannel::available() const
{
    std::lock_guard lock(m_mutex);
    return m_fill;
}

std::vector<SpeechChannel::Word> SpeechChannel::takeWords(qint64 upToSample)
{
    std::vector<Word> due;
    std::lock_guard lock(m_mutex);
    while (!m_words.empty() && m_words.front().sample <= upToSample) {
        due.push_back(m_words.front());
        m_words.pop_front();
    }
    if (!due.empty())
        m_changed.notify_all();
    return due;
}

void SpeechChannel::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return;
        m_cancelled = true;
        m_changed.notify_all();
    }
    call(m_onCancel);
}

void SpeechChannel::setPaused(bool paused)
{
    std::lock_guard lock(m_mutex);
    m_paused = paused;
    m_changed.notify_all();
}

void SpeechChannel::setWakeUp(std::function<void()> wakeUp)
{
    std::lock_guard calls(m_callMutex);
    m_wakeUp = std::move(wakeUp);
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
}

void SpeechChannel::setOnCancel(std::function<void()> onCancel)
{
    std::lock_guard calls(m_callMutex);
    m_onCancel = std::move(onCancel);
}

void SpeechChannel::acknowledgeWakeUp()
{
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
}

bool SpeechChannel::isCancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

SpeechChannel::Result SpeechChannel::result() const
{
    std::lock_guard lock(m_mutex);
    return m_result;
}

QString SpeechChannel::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

qint64 SpeechChannel::producedSamples() const
{
    std::lock_guard lock(m_mutex);
    return m_produced;
}

qint64 SpeechChannel::consumedSamples() const
{
    std::lock_guard lock(m_mutex);
    return m_consumed;
}

bool SpeechChannel::claimWakeUpLocked()
{
    if (m_wakePending)
        return false;
    m_wakePending = true;
    return true;
}

void SpeechChannel::call(const std::function<void()> &function)
{
    std::lock_guard calls(m_callMutex);
    if (function)
        function();
}
