#include "platform/speech/SpeechSynthesizer.h"

#include "platform/speech/AudioPlayback.h"
#include "platform/speech/EspeakEngine.h"
#include "platform/speech/EspeakVoiceSource.h"
#include "platform/speech/FileSink.h"
#include "platform/speech/ParallelRender.h"
#include "platform/speech/RenderWorker.h"
#include "platform/speech/SoundFileWriter.h"
#include "platform/speech/SpeechChannel.h"
#include "platform/speech/SpeechTesting.h"
#include "platform/speech/WordTimings.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Two seconds of audio between the engine and the output: enough to ride out
// a busy main thread, small enough not to matter however long the text. A file
// sink reads as fast as the engine writes.
constexpr qsizetype RingSeconds = 2;
constexpr qsizetype FileRingSamples = 65536;
// Word marks waiting for a busy main thread during file output.
constexpr qsizetype WordCapacity = 4096;
// How often the output is fed; words are delivered by a timer of their own,
// aimed at each word's first sample.
constexpr int PumpIntervalMs = 20;
constexpr float DefaultRate = 175.0f;
// Quick extra turns, 1 ms apart, while a new output stream gets ready.
constexpr int MaximumEarlyRetries = 50;

VoiceSource *installedSource = nullptr;
bool silentPlayback = false;
QString renderProgram;

VoiceSource &voiceSource()
{
    static EspeakVoiceSource espeak;
    return installedSource ? *installedSource : espeak;
}

// Receives the engine thread's wake-ups. They are posted by name, so the
// queued call carries nothing of ours from one thread to the other; what they
// announce is read under the channel's lock, where ThreadSanitizer sees the
// hand-over.
class EngineWakeUp : public QObject
{
    Q_OBJECT

public:
    explicit EngineWakeUp(std::function<void()> pump)
        : m_pump(std::move(pump))
    {}

    Q_INVOKABLE void wake() { m_pump(); }

private:
    std::function<void()> m_pump;
};

} // namespace

class SpeechSynthesizerPrivate
{
public:
    struct Speech
    {
        std::shared_ptr<SpeechChannel> channel;
        QString text;
        bool toFile = false;
        std::unique_ptr<FileSink> sink;
        // The workers that fill the channel of a long export.
        std::unique_ptr<ParallelRender> render;
        QString timingsPath;
        // Every word of a file speech, for its timings.
        std::vector<WordTimings::Mark> marks;
        bool paused = false;
        bool pauseAtWord = false;
        bool audioStarted = false;
        int earlyRetries = 0;
        // Word marks taken from the channel, waiting for the audio to reach them.
        std::deque<SpeechChannel::Word> words;
    };

    explicit SpeechSynthesizerPrivate(SpeechSynthesizer *owner);
    ~SpeechSynthesizerPrivate();

    bool begin(const QString &text);
    bool beginExport(const QString &text, const QString &audioPath, const SoundFormat *format,
                     const QString &timingsPath, int jobs);
    void beginFailed(const QString &text, const QString &reason = QString());
    std::shared_ptr<SpeechChannel> submit(const QString &text, qsizetype ringSamples);
    int espeakRate() const;
    void finishExport();
    void abandon();
    void stop();
    // Ends the current speech's state here (timers, output) and hands back
    // its channel, for the engine to let go of.
    std::shared_ptr<SpeechChannel> dropCurrent();
    void pause();
    void pump();
    void pumpLater();
    void reportStopped();
    void feedOutput(Speech &speech);
    // False when a report changed the synthesizer's state under it.
    bool deliverWords(qint64 upToSample);
    void aimAtNextWord(qint64 played);
    void end(bool finished, const QString &reason = QString());
    AudioPlayback &playback();

    SpeechSynthesizer *q;
    SpeechSynthesizerDelegate *delegate = nullptr;
    float rate = DefaultRate;
    int pitch = SpeechSynthesizer::DefaultPitch;
    int intonation = SpeechSynthesizer::DefaultIntonation;
    int volume = SpeechSynthesizer::DefaultVolume;
    QString voice;
    // Counts every change of the current speech, so that work belonging to an
    // earlier one can tell it is stale.
    quint64 generation = 0;
    std::optional<Speech> current;
    // Speeches ended here whose engine work or file has not yet wound down;
    // each stopped one gets its end report once it has, an abandoned one none.
    struct Winding
    {
        std::shared_ptr<SpeechChannel> channel;
        std::unique_ptr<ParallelRender> render;
        std::unique_ptr<FileSink> sink;
        bool report = true;
        bool isDone() const
        {
            return channel->result() != SpeechChannel::Result::Running && (!sink || sink->isDone());
        }
    };
    std::vector<Winding> stopping;
    std::unique_ptr<AudioPlayback> output;
    QTimer pumpTimer;
    QTimer wordTimer;
    EngineWakeUp wakeUp;
    std::vector<qint16> scratch;
    QString error;
};

SpeechSynthesizerPrivate::SpeechSynthesizerPrivate(SpeechSynthesizer *owner)
    : q(owner)
    , wakeUp([this] { pump(); })
{
    pumpTimer.setInterval(PumpIntervalMs);
    pumpTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pumpTimer, &QTimer::timeout, q, [this] { pump(); });
    wordTimer.setSingleShot(true);
    wordTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wordTimer, &QTimer::timeout, q, [this] { pump(); });
}

SpeechSynthesizerPrivate::~SpeechSynthesizerPrivate()
{
    abandon();
    for (const Winding &winding : stopping)
        winding.channel->setWakeUp(nullptr);
    // The sinks call the wake-up until their threads end.
    stopping.clear();
}

AudioPlayback &SpeechSynthesizerPrivate::playback()
{
    if (!output)
        output =
            std::make_unique<AudioPlayback>(EspeakEngine::instance().sampleRate(), silentPlayback);
    return *output;
}

int SpeechSynthesizerPrivate::espeakRate() const
{
    const auto [minimumRate, maximumRate] = EspeakEngine::rateRange();
    return int(std::lround(std::clamp(rate, float(minimumRate), float(maximumRate))));
}

std::shared_ptr<SpeechChannel> SpeechSynthesizerPrivate::submit(const QString &text,
                                                                qsizetype ringSamples)
{
    auto channel = std::make_shared<SpeechChannel>(ringSamples, WordCapacity);
    channel->setWakeUp([receiver = &wakeUp] {
        QMetaObject::invokeMethod(receiver, "wake", Qt::QueuedConnection);
    });
    EspeakEngine::instance().submit({.text = text,
                                     .voice = voice,
                                     .rate = espeakRate(),
                                     .pitch = pitch,
                                     .intonation = intonation,
                                     .volume = volume,
                                     .channel = channel});
    return channel;
}

bool SpeechSynthesizerPrivate::begin(const QString &text)
{
    abandon();
    ++generation;
    const int sampleRate = EspeakEngine::instance().sampleRate();
    current.emplace();
    current->text = text;
    playback().start();
    pumpTimer.start();
    current->channel = submit(text, sampleRate * RingSeconds);
    return sampleRate > 0;
}

bool SpeechSynthesizerPrivate::beginExport(const QString &text, const QString &audioPath,
                                           const SoundFormat *format, const QString &timingsPath,
                                           int jobs)
{
    abandon();
    ++generation;
    const int sampleRate = EspeakEngine::instance().sampleRate();
    current.emplace();
    current->text = text;
    current->toFile = true;
    current->timingsPath = timingsPath;
    pumpTimer.start();
    if (jobs <= 0)
        jobs = QThread::idealThreadCount();
    std::vector<ParallelRender::Run> runs;
    if (!renderProgram.isEmpty() && sampleRate > 0)
        runs = ParallelRender::split(text, jobs);
    if (runs.size() > 1) {
        current->channel = std::make_shared<SpeechChannel>(FileRingSamples, WordCapacity);
        current->channel->setWakeUp([receiver = &wakeUp] {
            QMetaObject::invokeMethod(receiver, "wake", Qt::QueuedConnection);
        });
        current->render = std::make_unique<ParallelRender>(
            text, std::move(runs),
            ParallelRender::Settings{renderProgram, jobs, voice, espeakRate(), pitch, intonation,
                                     volume},
            current->channel);
    } else {
        current->channel = submit(text, FileRingSamples);
    }
    std::unique_ptr<SoundFileWriter> writer;
    if (format)
        writer = std::make_unique<SoundFileWriter>(audioPath, sampleRate, *format);
    current->sink = std::make_unique<FileSink>(
        current->channel, std::move(writer), audioPath.isEmpty() ? timingsPath : audioPath,
        [receiver = &wakeUp] {
            QMetaObject::invokeMethod(receiver, "wake", Qt::QueuedConnection);
        });
    return sampleRate > 0;
}

// A speech that cannot even start still ends with a report, and like any
// other it is ended silently by a newer one.
void SpeechSynthesizerPrivate::beginFailed(const QString &text, const QString &reason)
{
    abandon();
    ++generation;
    auto channel = std::make_shared<SpeechChannel>(1, 1);
    channel->finish(SpeechChannel::Result::Failed, reason);
    current.emplace();
    current->channel = channel;
    current->text = text;
    current->toFile = true;
    pumpLater();
}

void SpeechSynthesizerPrivate::abandon()
{
    if (!current)
        return;
    current->channel->setWakeUp(nullptr);
    EspeakEngine::instance().cancel(dropCurrent());
}

std::shared_ptr<SpeechChannel> SpeechSynthesizerPrivate::dropCurrent()
{
    auto channel = current->channel;
    // A file still being written or removed goes on without a report, on
    // the sink's thread; workers still running are ended and reaped.
    const bool rendering = current->render && channel->result() == SpeechChannel::Result::Running;
    if ((current->sink && !current->sink->isDone()) || rendering)
        stopping.push_back({channel, std::move(current->render), std::move(current->sink), false});
    current.reset();
    ++generation;
    pumpTimer.stop();
    wordTimer.stop();
    if (output)
        output->stop();
    return channel;
}

void SpeechSynthesizerPrivate::stop()
{
    if (!current)
        return;
    std::unique_ptr<FileSink> sink = std::move(current->sink);
    std::unique_ptr<ParallelRender> render = std::move(current->render);
    auto channel = dropCurrent();
    EspeakEngine::instance().cancel(channel);
    // The end report waits until the engine (or every worker) has let go of
    // the speech and an abandoned file is removed; each wakes us when it has.
    stopping.push_back({channel, std::move(render), std::move(sink), true});
    pumpLater();
}

void SpeechSynthesizerPrivate::pause()
{
    Speech &speech = *current;
    speech.paused = true;
    speech.pauseAtWord = false;
    speech.channel->setPaused(true);
    if (!speech.toFile)
        playback().suspend();
}

void SpeechSynthesizerPrivate::pumpLater()
{
    QMetaObject::invokeMethod(
        q, [this] { pump(); }, Qt::QueuedConnection);
}

void SpeechSynthesizerPrivate::reportStopped()
{
    for (auto it = stopping.begin(); it != stopping.end();) {
        if (!it->isDone()) {
            ++it;
            continue;
        }
        it->channel->setWakeUp(nullptr);
        const bool report = it->report;
        it = stopping.erase(it);
        if (!report)
            continue;
        // The receivers may start or stop speech: the list may change.
        if (delegate)
            delegate->speechSynthesizer(q, false);
        Q_EMIT q->didFinishSpeaking(false);
        it = stopping.begin();
    }
}

void SpeechSynthesizerPrivate::pump()
{
    Q_ASSERT(QThread::currentThread() == q->thread());
    reportStopped();
    if (!current)
        return;
    Speech &speech = *current;
    speech.channel->acknowledgeWakeUp();
    if (speech.sink) {
        // The sink's end comes after the engine's, and says how the file went.
        // Once it is done, every word is in the channel. A sink that fails
        // ends before the workers of a parallel render do: the end is
        // reported once they have all been reaped too, when the render
        // finishes the channel.
        const bool done =
            speech.sink->isDone() &&
            (!speech.render || speech.channel->result() != SpeechChannel::Result::Running);
        if (speech.paused) {
            if (done && !speech.sink->succeeded())
                finishExport();
            return;
        }
        if (deliverWords(std::numeric_limits<qint64>::max()) && done)
            finishExport();
        return;
    }

    // Read before anything else: once it is final, so is everything produced.
    const SpeechChannel::Result result = speech.channel->result();
    if (result == SpeechChannel::Result::Failed || result == SpeechChannel::Result::Cancelled) {
        end(false);
        return;
    }

    if (speech.paused)
        return;
    feedOutput(speech);
    const qint64 played = output->playedSamples();
    if (!deliverWords(played))
        return;
    aimAtNextWord(played);
    const bool allHanded = result == SpeechChannel::Result::Completed &&
                           speech.channel->available() == 0 &&
                           output->writtenSamples() == speech.channel->producedSamples();
    if (allHanded && played >= output->writtenSamples()) {
        if (!deliverWords(std::numeric_limits<qint64>::max()))
            return;
        if (current && !current->paused)
            end(true);
    }
}

void SpeechSynthesizerPrivate::finishExport()
{
    Speech &speech = *current;
    if (!speech.sink->succeeded()) {
        const QString reason = speech.sink->errorString();
        end(false, reason.isEmpty() ? speech.channel->error() : reason);
        return;
    }
    if (!speech.timingsPath.isEmpty()) {
        const auto kind = WordTimings::kindForPath(speech.timingsPath);
        const int sampleRate = EspeakEngine::instance().sampleRate();
        const QByteArray contents = WordTimings::render(
            kind.value_or(WordTimings::Kind::WebVtt),
            WordTimings::cues(speech.marks, speech.channel->producedSamples(), sampleRate),
            speech.text);
        QString reason;
        if (!WordTimings::write(speech.timingsPath, contents, reason)) {
            Log::write(
                u"Cannot save the word timings to \"%1\": %2"_s.arg(speech.timingsPath, reason));
            end(false, u"%1: %2"_s.arg(speech.timingsPath, reason));
            return;
        }
    }
    end(true);
}

void SpeechSynthesizerPrivate::feedOutput(Speech &speech)
{
    if (scratch.empty())
        scratch.resize(8192);
    bool handed = false;
    for (;;) {
        const qint64 room = std::min<qint64>(output->freeSamples(), qint64(scratch.size()));
        if (room <= 0)
            break;
        const qsizetype count = speech.channel->read(scratch.data(), room);
        if (count == 0)
            break;
        output->write(scratch.data(), count);
        handed = true;
    }
    if (handed && !speech.audioStarted) {
        speech.audioStarted = true;
        Q_EMIT q->audioStarted();
    } else if (!speech.audioStarted && speech.channel->available() > 0 &&
               speech.earlyRetries++ < MaximumEarlyRetries) {
        // A new output stream takes a moment before it accepts data; the
        // first sound should not wait for the next regular turn.
        QTimer::singleShot(1, Qt::PreciseTimer, q, [this] { pump(); });
    }
}

bool SpeechSynthesizerPrivate::deliverWords(qint64 upToSample)
{
    const quint64 speechGeneration = generation;
    for (auto &word : current->channel->takeWords(std::numeric_limits<qint64>::max()))
        current->words.push_back(word);
    while (current && !current->words.empty() && current->words.front().sample <= upToSample) {
        if (current->pauseAtWord) {
            pause();
            return false;
        }
        const CharacterRange range = current->words.front().range;
        if (current->toFile)
            current->marks.push_back({current->words.front().sample, range});
        current->words.pop_front();
        const QString text = current->text;
        if (delegate)
            delegate->speechSynthesizer(q, range, text);
        if (generation == speechGeneration)
            Q_EMIT q->willSpeakWord(range, text);
        if (generation != speechGeneration || !current || current->paused)
            return false;
    }
    return current.has_value();
}

void SpeechSynthesizerPrivate::aimAtNextWord(qint64 played)
{
    if (!current || current->paused || current->words.empty()) {
        wordTimer.stop();
        return;
    }
    const qint64 ahead = current->words.front().sample - played;
    const qint64 sampleRate = std::max(EspeakEngine::instance().sampleRate(), 1);
    wordTimer.start(int(std::clamp<qint64>(ahead * 1000 / sampleRate, 0, 1000)));
}

void SpeechSynthesizerPrivate::end(bool finished, const QString &reason)
{
    error = reason.isEmpty() ? current->channel->error() : reason;
    current->channel->setWakeUp(nullptr);
    dropCurrent();
    if (delegate)
        delegate->speechSynthesizer(q, finished);
    Q_EMIT q->didFinishSpeaking(finished);
}

SpeechSynthesizer::SpeechSynthesizer(const QString &voiceIdentifier, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<SpeechSynthesizerPrivate>(this))
{
    if (voiceIdentifier.isNull() || !setVoice(voiceIdentifier))
        setVoice(QString());
}

SpeechSynthesizer::~SpeechSynthesizer() = default;

QStringList SpeechSynthesizer::availableVoices()
{
    return voiceSource().availableVoices();
}

QVariantMap SpeechSynthesizer::attributesForVoice(const QString &identifier)
{
    return voiceSource().attributesForVoice(identifier);
}

QString SpeechSynthesizer::defaultVoice()
{
    return voiceSource().defaultVoice();
}

void SpeechSynthesizer::setRenderProgram(const QString &path)
{
    renderProgram = path;
}

const char *SpeechSynthesizer::renderWorkerOption()
{
    return RenderWorker::option;
}

int SpeechSynthesizer::runRenderWorker()
{
    return RenderWorker::run(0, 1);
}

void SpeechTesting::setVoiceSource(VoiceSource *source)
{
    installedSource = source;
}

void SpeechTesting::setSilentPlayback(bool silent)
{
    silentPlayback = silent;
}

std::pair<int, int> SpeechSynthesizer::rateRange()
{
    const auto [minimum, maximum] = EspeakEngine::rateRange();
    return {minimum, maximum};
}

QHash<quint64, double> SpeechSynthesizer::wordTimes(const QString &text, const QString &voice,
                                                    float wordsPerMinute)
{
    QHash<quint64, double> times;
    const int sampleRate = EspeakEngine::instance().sampleRate();
    if (sampleRate <= 0)
        return times;
    const auto [minimumRate, maximumRate] = EspeakEngine::rateRange();
    const int rate =
        int(std::lround(std::clamp(wordsPerMinute, float(minimumRate), float(maximumRate))));
    // Read as fast as the engine renders: nothing is played.
    auto channel = std::make_shared<SpeechChannel>(FileRingSamples, WordCapacity);
    EspeakEngine::instance().submit(
        {.text = text, .voice = voice, .rate = rate, .channel = channel});
    std::vector<qint16> drained(FileRingSamples);
    for (;;) {
        const qsizetype count = channel->readWaiting(drained.data(), qsizetype(drained.size()));
        for (const SpeechChannel::Word &word :
             channel->takeWords(std::numeric_limits<qint64>::max()))
            times.insert(word.range.location, double(word.sample) * 1000.0 / sampleRate);
        if (count <= 0)
            break;
    }
    if (channel->result() != SpeechChannel::Result::Completed)
        times.clear();
    return times;
}

// A format with a size limit is refused before rendering when the speech
// would surely pass it. The estimate is low on purpose (espeak-ng speaks
// short words faster than its rate), so that no text that fits is refused.
static QString checkLength(const QString &text, const SoundFormat &format, float wordsPerMinute)
{
    if (format.maximumFileSize == 0)
        return QString();
    qint64 words = 0;
    bool inWord = false;
    for (const QChar c : text) {
        const bool letter = c.isLetterOrNumber();
        words += letter && !inWord;
        inWord = letter;
    }
    const auto [minimumRate, maximumRate] = EspeakEngine::rateRange();
    const double rate =
        std::clamp(double(wordsPerMinute), double(minimumRate), double(maximumRate));
    const double seconds = double(words) * 60.0 / rate * 0.6;
    const double bytes = seconds * EspeakEngine::instance().sampleRate() * 2;
    if (bytes <= double(format.maximumFileSize))
        return QString();
    return QCoreApplication::translate(
               "SpeechSynthesizer",
               "the speech would last some %1 hours, too long for an %2 file; %3 can hold it")
        .arg(QString::number(qint64(seconds / 3600)), format.name.toUpper(),
             SoundFormats::unlimitedList());
}

QString SpeechSynthesizer::checkExport(const QString &audioPath, const ExportOptions &options)
{
    if (!options.format.isEmpty() && !SoundFormats::named(options.format))
        return QCoreApplication::translate("SpeechSynthesizer",
                                           "unknown audio format '%1'; the formats are %2")
            .arg(options.format, SoundFormats::nameList());
    const QString name = audioPath.section(u'/', -1);
    if (options.format.isEmpty() && name.lastIndexOf(u'.') > 0 && !SoundFormats::forPath(name))
        return QCoreApplication::translate(
                   "SpeechSynthesizer",
                   "%1 has an extension that names no audio format; the known ones are %2")
            .arg(name, SoundFormats::extensionList());
    if (!options.timingsPath.isEmpty() && !WordTimings::kindForPath(options.timingsPath))
        return QCoreApplication::translate("SpeechSynthesizer",
                                           "%1 is no timing file name; timing files end in %2")
            .arg(options.timingsPath.section(u'/', -1), WordTimings::extensionList());
    if (audioPath.isEmpty() && options.timingsPath.isEmpty())
        return QCoreApplication::translate("SpeechSynthesizer", "there is no file to write");
    return QString();
}

SpeechSynthesizerDelegate *SpeechSynthesizer::delegate() const
{
    return d->delegate;
}

void SpeechSynthesizer::setDelegate(SpeechSynthesizerDelegate *delegate)
{
    d->delegate = delegate;
}

QString SpeechSynthesizer::errorString() const
{
    return d->error;
}

float SpeechSynthesizer::rate() const
{
    return d->rate;
}

void SpeechSynthesizer::setRate(float wordsPerMinute)
{
    if (std::isfinite(wordsPerMinute))
        d->rate = wordsPerMinute;
}

int SpeechSynthesizer::pitch() const
{
    return d->pitch;
}

void SpeechSynthesizer::setPitch(int pitch)
{
    d->pitch = std::clamp(pitch, 0, MaximumPitch);
}

int SpeechSynthesizer::intonation() const
{
    return d->intonation;
}

void SpeechSynthesizer::setIntonation(int intonation)
{
    d->intonation = std::clamp(intonation, 0, MaximumIntonation);
}

int SpeechSynthesizer::volume() const
{
    return d->volume;
}

void SpeechSynthesizer::setVolume(int percent)
{
    d->volume = std::clamp(percent, 0, MaximumVolume);
}

QString SpeechSynthesizer::voice() const
{
    return d->voice;
}

bool SpeechSynthesizer::setVoice(const QString &identifier)
{
    if (identifier.isNull()) {
        d->voice = defaultVoice();
        return true;
    }
    if (!availableVoices().contains(identifier))
        return false;
    d->voice = identifier;
    return true;
}

bool SpeechSynthesizer::isSpeaking() const
{
    return d->current.has_value();
}

bool SpeechSynthesizer::startSpeakingString(const QString &text)
{
    return d->begin(text);
}

bool SpeechSynthesizer::startSpeakingString(const QString &text, const QUrl &url)
{
    return startSpeakingString(text, url, {});
}

bool SpeechSynthesizer::startSpeakingString(const QString &text, const QUrl &url,
                                            const ExportOptions &options)
{
    const bool timingsOnly = url.isEmpty() && !options.timingsPath.isEmpty();
    if (!timingsOnly && (!url.isLocalFile() || url.toLocalFile().isEmpty())) {
        Log::write(
            u"Cannot export the speech to \"%1\": not a local file"_s.arg(url.toDisplayString()));
        d->beginFailed(text);
        return false;
    }
    const QString path = timingsOnly ? QString() : url.toLocalFile();
    const QString refused = checkExport(path, options);
    if (!refused.isEmpty()) {
        Log::write(u"Cannot export the speech: %1"_s.arg(refused));
        d->beginFailed(text, refused);
        return false;
    }
    const SoundFormat *format = nullptr;
    if (!timingsOnly) {
        format = !options.format.isEmpty() ? SoundFormats::named(options.format)
                                           : SoundFormats::forPath(path);
        if (!format)
            format = &SoundFormats::standard();
        const QString tooLong = checkLength(text, *format, d->rate);
        if (!tooLong.isEmpty()) {
            Log::write(u"Cannot export the speech to \"%1\": %2"_s.arg(path, tooLong));
            d->beginFailed(text, tooLong);
            return false;
        }
    }
    return d->beginExport(text, path, format, options.timingsPath, options.jobs);
}

void SpeechSynthesizer::pauseSpeakingAtBoundary(int boundary)
{
    if (!d->current || d->current->paused)
        return;
    if (boundary == 0)
        d->pause();
    else
        d->current->pauseAtWord = true;
}

void SpeechSynthesizer::continueSpeaking()
{
    if (!d->current)
        return;
    auto &speech = *d->current;
    speech.pauseAtWord = false;
    if (!speech.paused)
        return;
    speech.paused = false;
    speech.channel->setPaused(false);
    if (!speech.toFile)
        d->playback().resume();
    d->pumpLater();
}

void SpeechSynthesizer::stopSpeaking()
{
    d->stop();
}

#include "SpeechSynthesizer.moc"
