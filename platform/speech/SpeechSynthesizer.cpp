#include "platform/speech/SpeechSynthesizer.h"

#include "platform/speech/AudioPlayback.h"
#include "platform/speech/AudioTags.h"
#include "platform/speech/ChapterFiles.h"
#include "platform/speech/FileSink.h"
#include "platform/speech/Lexicon.h"
#include "platform/speech/ParallelRender.h"
#include "platform/speech/RenderWorker.h"
#include "platform/speech/SoundFileWriter.h"
#include "platform/speech/SpeechChannel.h"
#include "platform/speech/SpeechEngine.h"
#include "platform/speech/SpeechEngines.h"
#include "platform/speech/SpeechTesting.h"
#include "platform/speech/SystemSpeech.h"
#include "platform/speech/SystemVoices.h"
#include "platform/speech/WordTimings.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
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
// Quick extra turns, 1 ms apart, while a new output stream gets ready.
constexpr int MaximumEarlyRetries = 50;

VoiceSource *installedSource = nullptr;
bool silentPlayback = false;
QString renderProgram;

const VoiceSource &voiceSource()
{
    return installedSource ? *installedSource : SpeechEngines::voices();
}

// The language of a voice as a lexicon's sections name it. flite's voices
// show their engine where the others show a language, and all speak English.
QString voiceLanguage(const QString &voice)
{
    const QString language =
        voiceSource().attributesForVoice(voice).value(u"VoiceLanguage"_s).toString();
    return language.startsWith(u"flite "_s) ? u"en"_s : language;
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

// One speech of a synthesizer, from its start until its end is reported.
struct Speech
{
    std::shared_ptr<SpeechChannel> channel;
    // The engine of the speech's voice, and the samples per second it makes.
    SpeechEngine *engine = nullptr;
    int sampleRate = 0;
    QString text;
    // The text as the engine is given it, when the lexicon changed it.
    std::optional<Lexicon::Rewrite> rewrite;
    // The written range of the last word reported.
    std::optional<CharacterRange> lastWord;
    bool toFile = false;
    // Played by speech-dispatcher: the channel carries only words and the end.
    bool system = false;
    std::unique_ptr<FileSink> sink;
    // The workers that fill the channel of a long export.
    std::unique_ptr<ParallelRender> render;
    QString timingsPath;
    QString audioPath;
    const SoundFormat *format = nullptr;
    TextOutline outline;
    QString chapterListPath;
    bool splitChapters = false;
    // The file's end was handed to its sink.
    bool finishing = false;
    // Every word of a file speech, for its timings.
    std::vector<WordTimings::Mark> marks;
    bool paused = false;
    bool pauseAtWord = false;
    bool audioStarted = false;
    int earlyRetries = 0;
    // Word marks taken from the channel, waiting for the audio to reach them.
    std::deque<SpeechChannel::Word> words;

    const QString &spoken() const { return rewrite ? rewrite->spoken() : text; }
    bool hasPhonemes() const { return rewrite && rewrite->hasPhonemes(); }
};

} // namespace

class SpeechSynthesizerPrivate
{
public:
    explicit SpeechSynthesizerPrivate(SpeechSynthesizer *owner);
    ~SpeechSynthesizerPrivate();

    bool begin(const QString &text);
    bool beginSystem(const QString &text);
    bool beginExport(const QString &text, const QString &audioPath, const SoundFormat *format,
                     const SpeechSynthesizer::ExportOptions &options);
    // The book's tags and its chapters where the words of the current speech are.
    AudioTags bookTags() const;
    void finishFile();
    void beginFailed(const QString &text, const QString &reason = QString());
    std::optional<Lexicon::Rewrite> rewritten(const QString &text, bool phonemes) const;
    // A new current speech with the engine of the voice; false when that
    // engine could not start.
    bool beginSpeech(const QString &text);
    std::shared_ptr<SpeechChannel> makeChannel(qsizetype ringSamples);
    void submit(qsizetype ringSamples);
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
    AudioPlayback &playback(int sampleRate);

    SpeechSynthesizer *q;
    SpeechSynthesizerDelegate *delegate = nullptr;
    VoiceSettings settings;
    std::shared_ptr<const Lexicon> lexicon;
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
    int outputRate = 0;
    QTimer pumpTimer;
    QTimer wordTimer;
    EngineWakeUp wakeUp;
    std::vector<qint16> scratch;
    QString error;
    QString notice;
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

AudioPlayback &SpeechSynthesizerPrivate::playback(int sampleRate)
{
    if (!output || outputRate != sampleRate) {
        output = std::make_unique<AudioPlayback>(sampleRate, silentPlayback);
        outputRate = sampleRate;
    }
    return *output;
}

bool SpeechSynthesizerPrivate::beginSpeech(const QString &text)
{
    abandon();
    ++generation;
    current.emplace();
    current->text = text;
    current->engine = &SpeechEngines::forVoice(settings.voice);
    current->sampleRate = current->engine->sampleRate(settings.voice);
    current->rewrite = rewritten(text, current->engine->readsPhonemes());
    pumpTimer.start();
    return current->sampleRate > 0;
}

std::shared_ptr<SpeechChannel> SpeechSynthesizerPrivate::makeChannel(qsizetype ringSamples)
{
    auto channel = std::make_shared<SpeechChannel>(ringSamples, WordCapacity);
    channel->setWakeUp([receiver = &wakeUp] {
        QMetaObject::invokeMethod(receiver, "wake", Qt::QueuedConnection);
    });
    return channel;
}

void SpeechSynthesizerPrivate::submit(qsizetype ringSamples)
{
    current->channel = makeChannel(ringSamples);
    current->engine->submit({.text = current->spoken(),
                             .settings = settings.clamped(),
                             .channel = current->channel,
                             .phonemes = current->hasPhonemes()});
}

bool SpeechSynthesizerPrivate::begin(const QString &text)
{
    if (SystemVoices::isSystemVoice(settings.voice))
        return beginSystem(text);
    const bool started = beginSpeech(text);
    playback(current->sampleRate).start();
    submit(current->sampleRate * RingSeconds);
    return started;
}

bool SpeechSynthesizerPrivate::beginSystem(const QString &text)
{
    abandon();
    ++generation;
    current.emplace();
    current->text = text;
    current->system = true;
    current->rewrite = rewritten(text, false);
    // Every word comes from the main thread, which also takes them: the
    // channel must never make it wait for room.
    current->channel = std::make_shared<SpeechChannel>(1, std::numeric_limits<qsizetype>::max());
    current->channel->setWakeUp([receiver = &wakeUp] {
        QMetaObject::invokeMethod(receiver, "wake", Qt::QueuedConnection);
    });
    pumpTimer.start();
    SystemSpeech::instance().submit(current->spoken(), settings.clamped(), current->channel);
    return current->channel->result() != SpeechChannel::Result::Failed;
}

namespace {

// The speech of a book split by chapters is kept whole, unencoded, until
// every chapter's end is known.
const SoundFormat &wholeSpeechFormat()
{
    static const SoundFormat format{u"raw"_s, QString(), {}, SF_FORMAT_RAW | SF_FORMAT_PCM_16};
    return format;
}

} // namespace

bool SpeechSynthesizerPrivate::beginExport(const QString &text, const QString &audioPath,
                                           const SoundFormat *format,
                                           const SpeechSynthesizer::ExportOptions &options)
{
    const bool started = beginSpeech(text);
    const int sampleRate = current->sampleRate;
    int jobs = options.jobs;
    current->toFile = true;
    current->timingsPath = options.timingsPath;
    current->audioPath = audioPath;
    current->format = format;
    current->outline = options.outline;
    current->chapterListPath = options.chapterListPath;
    current->splitChapters = options.splitChapters && !options.outline.chapters.isEmpty();
    std::vector<ParallelRender::Run> runs;
    const bool byLoad = jobs <= 0;
    if (!renderProgram.isEmpty() && started) {
        jobs =
            byLoad ? ParallelRender::maximumJobs() : std::min(jobs, ParallelRender::maximumJobs());
        runs = ParallelRender::split(current->spoken(), jobs,
                                     current->engine->charactersPerSecond(settings.voice));
    }
    if (runs.size() > 1) {
        current->channel = makeChannel(FileRingSamples);
        current->render = std::make_unique<ParallelRender>(
            current->spoken(), std::move(runs),
            ParallelRender::Settings{renderProgram, jobs, settings.clamped(), current->engine,
                                     byLoad, current->hasPhonemes()},
            current->channel);
    } else {
        submit(FileRingSamples);
    }
    std::unique_ptr<SoundFileWriter> writer;
    if (format) {
        writer = std::make_unique<SoundFileWriter>(
            audioPath, sampleRate, current->splitChapters ? wholeSpeechFormat() : *format);
        writer->setTags(AudioTagging::tags(options.outline.metadata, sampleRate));
    }
    // Chapters are placed by the word marks, which are all known only once
    // the speech is: the file waits for them before it is put in place.
    current->sink = std::make_unique<FileSink>(
        current->channel, std::move(writer), audioPath.isEmpty() ? options.timingsPath : audioPath,
        [receiver = &wakeUp] { QMetaObject::invokeMethod(receiver, "wake", Qt::QueuedConnection); },
        !options.outline.chapters.isEmpty());
    return started;
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

std::optional<Lexicon::Rewrite> SpeechSynthesizerPrivate::rewritten(const QString &text,
                                                                    bool phonemes) const
{
    if (!lexicon || lexicon->isEmpty())
        return std::nullopt;
    Lexicon::Rewrite rewrite = lexicon->rewrite(text, voiceLanguage(settings.voice), phonemes);
    if (!rewrite.changesText())
        return std::nullopt;
    return rewrite;
}

namespace {

void cancelSpeech(SpeechEngine *engine, bool system, const std::shared_ptr<SpeechChannel> &channel)
{
    if (system)
        SystemSpeech::instance().cancel(channel);
    else if (engine)
        engine->cancel(channel);
    else
        channel->cancel();
}

} // namespace

void SpeechSynthesizerPrivate::abandon()
{
    if (!current)
        return;
    current->channel->setWakeUp(nullptr);
    SpeechEngine *engine = current->engine;
    const bool system = current->system;
    cancelSpeech(engine, system, dropCurrent());
}

std::shared_ptr<SpeechChannel> SpeechSynthesizerPrivate::dropCurrent()
{
    auto channel = current->channel;
    if (current->sink)
        current->sink->cancel();
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
    if (sink)
        sink->cancel();
    std::unique_ptr<ParallelRender> render = std::move(current->render);
    SpeechEngine *engine = current->engine;
    const bool system = current->system;
    auto channel = dropCurrent();
    cancelSpeech(engine, system, channel);
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
    if (speech.system)
        SystemSpeech::instance().pause();
    else if (!speech.toFile)
        playback(speech.sampleRate).suspend();
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
        if (speech.sink->isWritten() && !speech.finishing) {
            if (deliverWords(std::numeric_limits<qint64>::max()))
                finishFile();
            return;
        }
        if (deliverWords(std::numeric_limits<qint64>::max()) && done)
            finishExport();
        return;
    }

    // Read before anything else: once it is final, so is everything produced.
    const SpeechChannel::Result result = speech.channel->result();
    if (speech.system) {
        // Its words come as the server speaks them; an end that comes
        // during a pause waits for Continue, as the sound would.
        if (speech.paused || !deliverWords(std::numeric_limits<qint64>::max()))
            return;
        if (result != SpeechChannel::Result::Running)
            end(result == SpeechChannel::Result::Completed);
        return;
    }
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

AudioTags SpeechSynthesizerPrivate::bookTags() const
{
    AudioTags tags = AudioTagging::tags(current->outline.metadata, current->sampleRate);
    tags.chapters = AudioTagging::chapters(current->outline.chapters, current->marks,
                                           current->channel->producedSamples());
    return tags;
}

void SpeechSynthesizerPrivate::finishFile()
{
    Speech &speech = *current;
    speech.finishing = true;
    const AudioTags book = bookTags();
    if (!speech.splitChapters) {
        speech.sink->finish(
            [chapters = book.chapters](SoundFileWriter &writer, const std::atomic<bool> &) {
                writer.setChapters(chapters);
                return writer.commit() ? QString() : writer.errorString();
            });
        return;
    }
    speech.sink->finish([files = ChapterFiles::plan(speech.audioPath, *speech.format, book),
                         format = *speech.format, rate = speech.sampleRate](
                            SoundFileWriter &whole, const std::atomic<bool> &stopped) {
        return ChapterFiles::write(whole, files, format, rate, stopped);
    });
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
        const QByteArray contents = WordTimings::render(
            kind.value_or(WordTimings::Kind::WebVtt),
            WordTimings::cues(speech.marks, speech.channel->producedSamples(), speech.sampleRate),
            speech.text);
        QString reason;
        if (!WordTimings::write(speech.timingsPath, contents, reason)) {
            Log::write(
                u"Cannot save the word timings to \"%1\": %2"_s.arg(speech.timingsPath, reason));
            end(false, u"%1: %2"_s.arg(speech.timingsPath, reason));
            return;
        }
    }
    if (!speech.chapterListPath.isEmpty()) {
        QString reason;
        if (!WordTimings::write(speech.chapterListPath,
                                AudioTagging::chapterList(speech.chapterListPath, bookTags()),
                                reason)) {
            Log::write(u"Cannot save the chapter list to \"%1\": %2"_s.arg(speech.chapterListPath,
                                                                           reason));
            end(false, u"%1: %2"_s.arg(speech.chapterListPath, reason));
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
        CharacterRange range = current->words.front().range;
        if (current->rewrite) {
            // The words of one replacement are the one written word's.
            range = current->rewrite->written(range);
            if (range == current->lastWord) {
                current->words.pop_front();
                continue;
            }
        }
        if (current->pauseAtWord) {
            pause();
            return false;
        }
        current->lastWord = range;
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
    const qint64 sampleRate = std::max(current->sampleRate, 1);
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

QHash<quint64, double> SpeechSynthesizer::wordTimes(const QString &text, const QString &voice,
                                                    float wordsPerMinute)
{
    QHash<quint64, double> times;
    if (!checkVoiceExport(voice).isEmpty())
        return times;
    const VoiceSettings settings = VoiceSettings{.voice = voice, .rate = wordsPerMinute}.clamped();
    SpeechEngine &engine = SpeechEngines::forVoice(voice);
    const int sampleRate = engine.sampleRate(settings.voice);
    if (sampleRate <= 0)
        return times;
    // Read as fast as the engine renders: nothing is played.
    auto channel = std::make_shared<SpeechChannel>(FileRingSamples, WordCapacity);
    engine.submit({.text = text, .settings = settings, .channel = channel});
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
static QString checkLength(const QString &text, const SoundFormat &format,
                           const VoiceSettings &settings)
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
    const double seconds = double(words) * 60.0 / double(settings.clamped().rate) * 0.6;
    const double bytes =
        seconds * SpeechEngines::forVoice(settings.voice).sampleRate(settings.voice) * 2;
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
    if (!options.chapterListPath.isEmpty()) {
        QString unused;
        const QString list = AtomicFile::resolvedTarget(options.chapterListPath, unused);
        for (const QString &other : {audioPath, options.timingsPath})
            if (!other.isEmpty() && list == AtomicFile::resolvedTarget(other, unused))
                return QCoreApplication::translate(
                           "SpeechSynthesizer",
                           "%1 would be written twice: the chapter list needs a name of its own")
                    .arg(options.chapterListPath.section(u'/', -1));
    }
    return QString();
}

QString SpeechSynthesizer::checkVoiceExport(const QString &voice)
{
    if (!SystemVoices::isSystemVoice(voice))
        return QString();
    QStringList engines = SpeechEngines::names();
    const QString last = engines.takeLast();
    const QString engineList = engines.isEmpty()
                                   ? last
                                   : QCoreApplication::translate("SpeechSynthesizer", "%1 and %2")
                                         .arg(engines.join(u", "_s), last);
    return QCoreApplication::translate(
               "SpeechSynthesizer",
               "%1 is a system voice: speech-dispatcher plays it itself and hands none of its "
               "sound back, so it cannot be exported; the voices of %2 can")
        .arg(voice, engineList);
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

QString SpeechSynthesizer::exportNotice() const
{
    return d->notice;
}

float SpeechSynthesizer::rate() const
{
    return d->settings.rate;
}

void SpeechSynthesizer::setRate(float wordsPerMinute)
{
    if (std::isfinite(wordsPerMinute))
        d->settings.rate = wordsPerMinute;
}

int SpeechSynthesizer::pitch() const
{
    return d->settings.clamped().pitch;
}

void SpeechSynthesizer::setPitch(int pitch)
{
    d->settings.pitch = pitch;
}

int SpeechSynthesizer::intonation() const
{
    return d->settings.clamped().intonation;
}

void SpeechSynthesizer::setIntonation(int intonation)
{
    d->settings.intonation = intonation;
}

int SpeechSynthesizer::volume() const
{
    return d->settings.clamped().volume;
}

void SpeechSynthesizer::setVolume(int percent)
{
    d->settings.volume = percent;
}

void SpeechSynthesizer::setLexicon(std::shared_ptr<const Lexicon> lexicon)
{
    d->lexicon = std::move(lexicon);
}

QString SpeechSynthesizer::voice() const
{
    return d->settings.voice;
}

bool SpeechSynthesizer::setVoice(const QString &identifier)
{
    if (identifier.isNull()) {
        d->settings.voice = defaultVoice();
        return true;
    }
    if (!voiceSource().hasVoice(identifier))
        return false;
    d->settings.voice = identifier;
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
    d->notice.clear();
    const bool timingsOnly = url.isEmpty() && !options.timingsPath.isEmpty();
    if (!timingsOnly && (!url.isLocalFile() || url.toLocalFile().isEmpty())) {
        Log::write(
            u"Cannot export the speech to \"%1\": not a local file"_s.arg(url.toDisplayString()));
        d->beginFailed(text);
        return false;
    }
    const QString path = timingsOnly ? QString() : url.toLocalFile();
    QString refused = checkVoiceExport(d->settings.voice);
    if (refused.isEmpty())
        refused = checkExport(path, options);
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
        const QString tooLong = checkLength(text, *format, d->settings);
        if (!tooLong.isEmpty()) {
            Log::write(u"Cannot export the speech to \"%1\": %2"_s.arg(path, tooLong));
            d->beginFailed(text, tooLong);
            return false;
        }
    }
    if (format && !format->holdsChapters() && !options.outline.chapters.isEmpty() &&
        options.chapterListPath.isEmpty() && !options.splitChapters)
        d->notice = QCoreApplication::translate(
                        "SpeechSynthesizer",
                        "%1 files hold no chapters: the text's chapters are not marked in it; %2 "
                        "hold them, or a chapter list can be written beside it")
                        .arg(format->name.toUpper(), SoundFormats::chapterHoldingList());
    return d->beginExport(text, path, format, options);
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
    if (speech.system)
        SystemSpeech::instance().resume();
    else if (!speech.toFile)
        d->playback(speech.sampleRate).resume();
    d->pumpLater();
}

void SpeechSynthesizer::stopSpeaking()
{
    d->stop();
}

#include "SpeechSynthesizer.moc"
