#pragma once

#include "platform/speech/CharacterRange.h"

#include <QtGlobal>

#include <QString>
#include <condition_variable>
#include <deque>

#include <functional>
#include <mutex>
#include <vector>

// The hand-over of one speech between the engine thread, which produces samples
// and word marks, and their consumers: the main thread, which plays them and
// reports the words, or a file sink's thread. The sample store is a
// bounded ring: the producer waits while it is full, so memory does not grow
// with the length of the text. Cancelling wakes every wait at once.
class SpeechChannel
{
public:
    enum class Result { Running, Completed, Failed, Cancelled };

    struct Word
    {
        qint64 sample = 0; // absolute sample index where the word begins
        CharacterRange range;
    };

    SpeechChannel(qsizetype sampleCapacity, qsizetype wordCapacity);
    SpeechChannel(const SpeechChannel &) = delete;
    SpeechChannel &operator=(const SpeechChannel &) = delete;

    // Producer side. Each returns false once the speech is cancelled.
    bool write(const qint16 *samples, qsizetype count);
    bool addWord(qint64 sample, CharacterRange range);
    // `error` says why a failed speech failed.
    void finish(Result result, const QString &error = QString());

    // Consumer side.
    qsizetype read(qint16 *destination, qsizetype maximum);
    // Waits for samples, unless paused, and reads them: 0 once everything
    // produced has been read and the producer has finished, -1 once the
    // speech is cancelled.
    qsizetype readWaiting(qint16 *destination, qsizetype maximum);
    qsizetype available() const;
    // Removes and returns the words that begin at or before the sample.
    std::vector<Word> takeWords(qint64 upToSample);
    void cancel();
    void setPaused(bool paused);
    // Called on the producer's thread when the first samples or the end
    // arrive while no earlier call is unanswered; the consumer polls for the
    // rest and answers with acknowledgeWakeUp().
    void setWakeUp(std::function<void()> wakeUp);
    void acknowledgeWakeUp();
    // Called once, on the thread that cancels the speech, for a consumer
    // that waits on something of its own.
    void setOnCancel(std::function<void()> onCancel);
    // Both calls run outside the channel's lock, one at a time; once a
    // setter has returned, the function it replaced is not called again.

    bool isCancelled() const;
    Result result() const;
    QString error() const;
    // Everything the producer made, ring or not.
    qint64 producedSamples() const;
    // Samples the consumer has read so far.
    qint64 consumedSamples() const;

private:
    // Under m_mutex: true when the wake-up is to be called.
    bool claimWakeUpLocked();
    void call(const std::function<void()> &function);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<qint16> m_ring;
    qsizetype m_readIndex = 0;
    qsizetype m_fill = 0;
    qsizetype m_wordCapacity;
    std::deque<Word> m_words;
    qint64 m_produced = 0;
    qint64 m_consumed = 0;
    Result m_result = Result::Running;
    QString m_error;
    bool m_cancelled = false;
    bool m_paused = false;
    bool m_wakePending = false;
    // Guards the two functions and serialises their calls.
    std::mutex m_callMutex;
    std::function<void()> m_wakeUp;
    std::function<void()> m_onCancel;
};
