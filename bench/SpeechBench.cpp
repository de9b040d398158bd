// Prints the speech synthesizer's figures: time to the first audio, file
// rendering speed against the espeak-ng command line, in one process and
// with worker processes on every core, peak memory, the time and size of
// each sound file format against AIFF, and flite's voices beside espeak-ng's.
// Run it with an audio server (or none: then the silent clock is measured).
// With --every-core it measures only the rendering with worker processes,
// with --engines only the engines side by side, with --formats only the sound
// file formats.

#include "bench/ProcessMemory.h"
#include "platform/speech/EspeakVoiceSource.h"
#include "platform/speech/Lexicon.h"
#include "platform/speech/SoundFileWriter.h"
#include "platform/speech/SoundFormats.h"
#include "platform/speech/SpeechSynthesizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ProcessMemory;

namespace {

SpeechSynthesizer::ExportOptions jobsOption(int jobs)
{
    SpeechSynthesizer::ExportOptions options;
    options.jobs = jobs;
    return options;
}

constexpr float Rate = 175.0f;

// Counts a synthesizer's words and waits for its end reports.
class EndWaiter
{
public:
    void follow(SpeechSynthesizer &synth)
    {
        QObject::connect(&synth, &SpeechSynthesizer::willSpeakWord, &synth, [this] { ++words; });
        QObject::connect(&synth, &SpeechSynthesizer::didFinishSpeaking, &synth,
                         [this](bool finishedSpeaking) { onEnd(finishedSpeaking); });
    }
    void onEnd(bool finishedSpeaking)
    {
        finished = finishedSpeaking;
        ended = true;
        if (loop)
            loop->quit();
    }

    bool waitForEnd(int timeoutMs)
    {
        if (ended)
            return true;
        QEventLoop eventLoop;
        loop = &eventLoop;
        QTimer::singleShot(timeoutMs, &eventLoop, &QEventLoop::quit);
        eventLoop.exec();
        loop = nullptr;
        return ended;
    }

    QEventLoop *loop = nullptr;
    bool ended = false;
    bool finished = false;
    qint64 words = 0;
};

QString text(qsizetype bytes)
{
    const QString sentence =
        u"The quick brown fox jumps over the lazy dog, and then it rests for a while. "_s;
    QString result;
    result.reserve(bytes + sentence.size());
    while (result.size() < bytes)
        result += sentence;
    result.truncate(bytes);
    return result;
}

qint64 cpuMicroseconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

double milliseconds(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

// Time from startSpeakingString to the first samples handed to the output.
double firstAudioMs(SpeechSynthesizer &synth, EndWaiter &waiter, const QString &speech)
{
    QEventLoop loop;
    const auto connection =
        QObject::connect(&synth, &SpeechSynthesizer::audioStarted, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    bool started = false;
    QObject::connect(
        &synth, &SpeechSynthesizer::audioStarted, &loop, [&] { started = true; },
        Qt::DirectConnection);
    timer.start();
    synth.startSpeakingString(speech);
    loop.exec();
    const qint64 elapsed = timer.nsecsElapsed();
    QObject::disconnect(connection);
    synth.stopSpeaking();
    waiter.ended = false;
    waiter.waitForEnd(10000);
    return started ? milliseconds(elapsed) : -1.0;
}

void latency(SpeechSynthesizer &synth, EndWaiter &waiter, const char *label, const QString &speech)
{
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i)
        runs.push_back(firstAudioMs(synth, waiter, speech));
    std::sort(runs.begin(), runs.end());
    std::printf(
        "first audio, %-6s text: median %.2f ms, best %.2f ms, worst %.2f ms (goal < 10 ms)\n",
        label, runs[runs.size() / 2], runs.front(), runs.back());
}

// espeak-ng's voice and flite's, a clustergen and a diphone one: the first
// audio of a 1 KB text, and 20 KB rendered into a file in this process.
void engines(SpeechSynthesizer &synth, EndWaiter &waiter, const QString &espeakVoice,
             const QDir &folder)
{
    const QString small = text(1024);
    // One run of words that nothing cuts into sentences or phrases.
    const QString unpunctuated = text(4 * 1024).remove(u',').remove(u'.');
    const QString render = text(20 * 1024);
    const QString path = folder.filePath(u"engine.aiff"_s);
    std::printf("the engines: first audio of a 1 KB text and of 4 KB without punctuation, 20 KB "
                "rendered in one process\n");
    for (const QString &voice : {espeakVoice, u"flite:slt"_s, u"flite:kal"_s}) {
        if (!synth.setVoice(voice)) {
            std::printf("  %-10s not installed\n", qPrintable(voice));
            continue;
        }
        std::vector<double> runs;
        for (int i = 0; i < 7; ++i)
            runs.push_back(firstAudioMs(synth, waiter, small));
        std::sort(runs.begin(), runs.end());
        const double unpunctuatedMs = firstAudioMs(synth, waiter, unpunctuated);
        waiter = EndWaiter();
        const qint64 cpuBefore = cpuMicroseconds(RUSAGE_SELF);
        QElapsedTimer timer;
        timer.start();
        synth.startSpeakingString(render, QUrl::fromLocalFile(path));
        waiter.waitForEnd(600000);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        const double cpuSeconds = double(cpuMicroseconds(RUSAGE_SELF) - cpuBefore) / 1e6;
        SF_INFO info{};
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (file)
            sf_close(file);
        QFile::remove(path);
        const double audioSeconds = info.samplerate > 0 ? double(info.frames) / info.samplerate : 0;
        std::printf("  %-10s first audio median %.2f ms (best %.2f, worst %.2f), %.2f ms without "
                    "punctuation; rendered in %.2f s, %.2f s CPU, %s: %.0f min of speech at %d Hz, "
                    "%.0f x real time by CPU time\n",
                    qPrintable(voice), runs[runs.size() / 2], runs.front(), runs.back(),
                    unpunctuatedMs, seconds, cpuSeconds, waiter.finished ? "completed" : "FAILED",
                    audioSeconds / 60, info.samplerate,
                    cpuSeconds > 0 ? audioSeconds / cpuSeconds : 0.0);
        std::fflush(stdout);
    }
    synth.setVoice(espeakVoice);
}

// Kilobytes resident in this process and every process it started.
qint64 treeRssKb()
{
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    qint64 total = statusKb("VmRSS:");
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields.at(1) != self)
            continue;
        QFile status(u"/proc/"_s + entry + u"/status"_s);
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &row : status.readAll().split('\n'))
            if (row.startsWith("VmRSS:"))
                total += row.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return total;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One render of `textPath` by espeak-ng -w, at the bench's rate, into a file
// in `folder` that is removed afterwards.
struct EspeakRun
{
    bool ran = false;
    qint64 ns = 0;
    qint64 cpuUs = 0;
    qint64 bytes = 0;
};

EspeakRun runEspeak(const QString &voice, const QString &textPath, const QDir &folder)
{
    const QString output = folder.filePath(u"espeak.wav"_s);
    const qint64 cpuBefore = cpuMicroseconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    QProcess espeak;
    espeak.start(u"espeak-ng"_s, {u"-v"_s, voice, u"-s"_s, QString::number(int(Rate)), u"-w"_s,
                                  output, u"-f"_s, textPath});
    EspeakRun run;
    run.ran = espeak.waitForFinished(600000) && espeak.exitCode() == 0;
    run.ns = timer.nsecsElapsed();
    run.cpuUs = cpuMicroseconds(RUSAGE_CHILDREN) - cpuBefore;
    run.bytes = QFile(output).size();
    QFile::remove(output);
    return run;
}

// Every core: the 177 KB text rendered by 1, 2 and all processes at once,
// and by as many as the load leaves room for, against espeak-ng -w on the
// same text, voice and rate.
bool renderWithWorkers(SpeechSynthesizer &synth, EndWaiter &waiter, const QString &voice,
                       const QDir &folder)
{
    const QString book = text(177 * 1024);
    const QString bookPath = folder.filePath(u"book.txt"_s);
    {
        QFile file(bookPath);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(book.toUtf8());
    }
    SpeechSynthesizer::setRenderProgram(QStringLiteral(TAVORIN_PROGRAM));
    QFile load(u"/proc/loadavg"_s);
    const QByteArray loadAverage =
        load.open(QIODevice::ReadOnly) ? load.readAll().split(' ').mid(0, 3).join(' ') : "?";
    std::printf("rendering 177 KB (%.0f min of speech) with worker processes; load average at "
                "the start: %s\n",
                double(book.count(u' ')) / Rate, loadAverage.constData());
    // The machine may be shared and its speed varies from minute to minute:
    // each render is paired with a run of espeak-ng -w right beside it, in
    // turns, and the middle one of three pairs is reported. CPU time says
    // what elapsed time would be on idle cores, which more processes
    // otherwise win a larger share of.
    struct Measure
    {
        qint64 ns = 0;
        qint64 cpuUs = 0;
    };
    bool espeakRan = true;
    const auto runBookEspeak = [&] {
        const EspeakRun run = runEspeak(voice, bookPath, folder);
        espeakRan = espeakRan && run.ran;
        return Measure{run.ns, run.cpuUs};
    };
    const int cores = QThread::idealThreadCount();
    // 0: as many as the cores that other programs leave free.
    std::vector<int> jobCounts = {1, 2};
    if (cores > 2)
        jobCounts.push_back(cores);
    jobCounts.push_back(0);
    Measure oneProcess;
    for (const int jobs : jobCounts) {
        struct Pair
        {
            Measure espeak;
            Measure own;
            double ratio() const { return double(espeak.ns) / double(own.ns); }
        };
        std::vector<Pair> pairs;
        qint64 peakKb = 0;
        qint64 frames = 0;
        bool finished = true;
        const auto runOwn = [&](bool sampled) {
            const qint64 cpuBefore =
                cpuMicroseconds(RUSAGE_SELF) + cpuMicroseconds(RUSAGE_CHILDREN);
            const QString path = folder.filePath(u"jobs.wav"_s);
            waiter = EndWaiter();
            QTimer sampler;
            QObject::connect(&sampler, &QTimer::timeout,
                             [&peakKb] { peakKb = std::max(peakKb, treeRssKb()); });
            if (sampled)
                sampler.start(50);
            QElapsedTimer timer;
            timer.start();
            synth.startSpeakingString(book, QUrl::fromLocalFile(path), jobsOption(jobs));
            waiter.waitForEnd(3600000);
            const Measure measure{timer.nsecsElapsed(), cpuMicroseconds(RUSAGE_SELF) +
                                                            cpuMicroseconds(RUSAGE_CHILDREN) -
                                                            cpuBefore};
            finished = finished && waiter.finished;
            sampler.stop();
            frames = QFile(path).size() / 2;
            QFile::remove(path);
            return measure;
        };
        for (int i = 0; i < 3; ++i) {
            Pair pair;
            // The sampling of memory costs CPU time of its own: one render
            // of the three has it.
            if (i % 2 == 0) {
                pair.espeak = runBookEspeak();
                pair.own = runOwn(i == 2);
            } else {
                pair.own = runOwn(false);
                pair.espeak = runBookEspeak();
            }
            pairs.push_back(pair);
        }
        std::sort(pairs.begin(), pairs.end(),
                  [](const Pair &a, const Pair &b) { return a.ratio() < b.ratio(); });
        const Pair &middle = pairs[1];
        if (jobs == 1)
            oneProcess = middle.own;
        // What the processes cost beyond what one process costs for the
        // same file: starting them, and handing their samples over.
        const double overhead = (double(middle.own.cpuUs) / double(oneProcess.cpuUs) - 1) * 100;
        if (jobs == 0) {
            std::printf("  automatic:   %6.2f s, %s, %.2f x espeak-ng -w beside it, %.2f x one "
                        "process's time; %.2f s CPU in all, %+.1f%% against one process\n",
                        double(middle.own.ns) / 1e9, finished ? "completed" : "FAILED",
                        espeakRan ? middle.ratio() : 0.0,
                        double(oneProcess.ns) / double(middle.own.ns),
                        double(middle.own.cpuUs) / 1e6, overhead);
            continue;
        }
        // On idle cores the tree's CPU time spreads over the processes.
        const double idleSeconds = double(middle.own.cpuUs) / 1e6 / double(std::min(jobs, cores));
        std::printf("  %d process%s %6.2f s, %s, against espeak-ng -w's %.2f s beside it: %.2f x "
                    "(of three pairs: %.2f to %.2f); %.2f s CPU in all (%+.1f%% against one "
                    "process, goal <= 5%%) against %.2f s, so %.2f x espeak-ng -w's CPU time on "
                    "idle cores (goal >= %.2f); %.0f MB of samples, peak memory of the process "
                    "tree %.1f MB (sampled every 50 ms in one run)\n",
                    jobs, jobs == 1 ? ":  " : "es:", double(middle.own.ns) / 1e9,
                    finished ? "completed" : "FAILED", double(middle.espeak.ns) / 1e9,
                    espeakRan ? middle.ratio() : 0.0, pairs.front().ratio(), pairs.back().ratio(),
                    double(middle.own.cpuUs) / 1e6, overhead, double(middle.espeak.cpuUs) / 1e6,
                    double(middle.espeak.cpuUs) / 1e6 / idleSeconds, 0.95 * std::min(jobs, cores),
                    double(frames * 2) / 1048576, double(peakKb) / 1024);
        std::fflush(stdout);
    }
    SpeechSynthesizer::setRenderProgram(QString());
    return true;
}

// The 177 KB text exported in one process with a lexicon of 5,000 entries
// and without, in turns, three times each; the middle time of each. Its
// words are all said as they are written, so that both make the same sound
// and only the lexicon's own work differs: every token is looked up, and
// some hundreds of words and expressions match.
void renderWithLexicon(SpeechSynthesizer &synth, EndWaiter &waiter, const QDir &folder)
{
    const QString book = text(177 * 1024);
    QString entries;
    for (int i = 0; i < 4980; ++i)
        entries += u"Word%1 = word %1\n"_s.arg(i);
    for (const QString &word : {u"quick"_s, u"brown"_s, u"fox"_s, u"lazy"_s, u"dog"_s})
        entries += word + u" = "_s + word + u'\n';
    entries += u"[en]\nrests = rests\n/\\bwh(ile)\\b/ = wh\\1\n/\\bjumps over\\b/ = jumps over\n"_s;
    for (int i = 0; i < 12; ++i)
        entries += u"Name%1 = name %1\n"_s.arg(i);
    auto lexicon = std::make_shared<Lexicon>();
    lexicon->add(entries, u"bench"_s);
    QElapsedTimer rewriteTimer;
    rewriteTimer.start();
    const Lexicon::Rewrite rewrite = lexicon->rewrite(book, u"en"_s, true);
    const double rewriteMs = milliseconds(rewriteTimer.nsecsElapsed());
    // What Play of the largest text the window holds waits for.
    const QString large = text(10 * 1024 * 1024);
    rewriteTimer.restart();
    const qsizetype largeSize = lexicon->rewrite(large, u"en"_s, true).spoken().size();
    const double largeMs = milliseconds(rewriteTimer.nsecsElapsed());
    // The same words without the ones that match: what finding the words costs.
    Lexicon unmatched;
    unmatched.add(entries.section(u"\nquick"_s, 0, 0), u"bench"_s);
    rewriteTimer.restart();
    unmatched.rewrite(large, u"en"_s, true);
    std::printf("rewriting the 10 MB text with the lexicon below: %.0f ms (%lld characters); "
                "%.0f ms with its 4,980 words that match nothing alone\n",
                largeMs, qlonglong(largeSize), milliseconds(rewriteTimer.nsecsElapsed()));
    std::fflush(stdout);

    const QString path = folder.filePath(u"lexicon.aiff"_s);
    std::vector<qint64> times[2];
    qint64 words[2] = {};
    bool finished = true;
    for (int i = 0; i < 6; ++i) {
        const bool with = i % 2 == (i / 2) % 2; // with, without, without, with, ...
        synth.setLexicon(with ? lexicon : nullptr);
        waiter = EndWaiter();
        QElapsedTimer timer;
        timer.start();
        synth.startSpeakingString(book, QUrl::fromLocalFile(path), {{}, {}, 1, {}, {}, false});
        waiter.waitForEnd(3600000);
        times[with].push_back(timer.nsecsElapsed());
        words[with] = waiter.words;
        finished = finished && waiter.finished;
        QFile::remove(path);
    }
    synth.setLexicon(nullptr);
    for (std::vector<qint64> &each : times)
        std::sort(each.begin(), each.end());
    std::printf("exporting 177 KB in one process with a lexicon of %d entries (%s): %.2f s "
                "against %.2f s without, %+.1f%% (goal <= 5%%; of three each: %.2f to %.2f s with, "
                "%.2f to %.2f s without); the rewrite alone %.1f ms%s; "
                "%lld word reports with it, %lld without\n",
                int(Lexicon::parse(entries).size()), finished ? "completed" : "FAILED",
                double(times[1][1]) / 1e9, double(times[0][1]) / 1e9,
                (double(times[1][1]) / double(times[0][1]) - 1) * 100, double(times[1][0]) / 1e9,
                double(times[1][2]) / 1e9, double(times[0][0]) / 1e9, double(times[0][2]) / 1e9,
                rewriteMs, rewrite.spoken() == book ? "" : " (CHANGED THE TEXT)",
                qlonglong(words[1]), qlonglong(words[0]));
    std::fflush(stdout);
}

// A sound file's first two minutes at most, at its own rate.
template<typename Sample>
std::vector<Sample> opening(const QString &path, int &rate)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    rate = info.samplerate;
    std::vector<Sample> samples(size_t(std::min<sf_count_t>(info.frames, sf_count_t(rate) * 120)));
    sf_count_t read = 0;
    if constexpr (std::is_same_v<Sample, float>)
        read = sf_read_float(file, samples.data(), sf_count_t(samples.size()));
    else
        read = sf_read_short(file, samples.data(), sf_count_t(samples.size()));
    samples.resize(size_t(read));
    sf_close(file);
    return samples;
}

// How close a lossy format comes to the samples it was given (espeak-ng's
// noise differs from one render to the next, so two renders cannot be
// compared): the first two minutes of a lossless file go through the
// format's writer, and what a reader makes of the result is compared with
// them, at the best alignment within a few samples. The signal-to-noise ratio
// of the whole, and the mean of 20 ms frames (clamped to -10..35 dB, silent
// frames left out), which weighs quiet sounds more, as the ear does; the
// bitrate, and how much faster than real time the writer encodes.
struct Fidelity
{
    double snr = 0;
    double segmental = 0;
    double kilobits = 0;
    double speed = 0;
};

std::optional<Fidelity> fidelity(const QString &losslessPath, const SoundFormat &format,
                                 const QDir &folder)
{
    int sourceRate = 0;
    const std::vector<qint16> source = opening<qint16>(losslessPath, sourceRate);
    const QString codedPath = folder.filePath(u"fidelity."_s + format.extensions.constFirst());
    SoundFileWriter writer(codedPath, sourceRate, format);
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuBefore = cpuMicroseconds(RUSAGE_THREAD);
    if (source.empty() || !writer.open())
        return std::nullopt;
    // In blocks as the export hands them over (libvorbis takes no more than
    // some seconds at once).
    for (size_t at = 0; at < source.size(); at += 65536) {
        if (!writer.write(source.data() + at,
                          qsizetype(std::min<size_t>(65536, source.size() - at))))
            return std::nullopt;
    }
    if (!writer.commit())
        return std::nullopt;
    const double seconds = double(source.size()) / sourceRate;
    Fidelity figure;
    figure.speed = seconds / (double(cpuMicroseconds(RUSAGE_THREAD) - cpuBefore) / 1e6);
    figure.kilobits = double(QFile(codedPath).size()) * 8 / seconds / 1000;
    int rate = 0;
    const std::vector<float> coded = opening<float>(codedPath, rate);
    QFile::remove(codedPath);
    std::vector<float> input(source.size());
    src_short_to_float_array(source.data(), input.data(), int(source.size()));
    std::vector<float> reference(size_t(double(input.size()) * rate / sourceRate) + 64);
    SRC_DATA data{};
    data.data_in = input.data();
    data.input_frames = long(input.size());
    data.data_out = reference.data();
    data.output_frames = long(reference.size());
    data.src_ratio = double(rate) / sourceRate;
    if (coded.empty() || src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) != 0)
        return std::nullopt;
    reference.resize(size_t(data.output_frames_gen));
    constexpr qsizetype MaximumLag = 8;
    const qsizetype length = qsizetype(std::min(reference.size(), coded.size())) - 2 * MaximumLag;
    if (length <= 0)
        return std::nullopt;
    // The noise over `count` samples from `from`, and the signal's energy there.
    const auto noise = [&](qsizetype from, qsizetype count, qsizetype lag, double &signal) {
        double error = 0;
        signal = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const double wanted = reference[size_t(i)];
            const double got = coded[size_t(i + lag)];
            signal += wanted * wanted;
            error += (wanted - got) * (wanted - got);
        }
        return error;
    };
    const auto decibels = [](double signal, double error) {
        return 10 * std::log10(signal / std::max(error, 1e-12));
    };
    figure.snr = -1e9;
    qsizetype bestLag = 0;
    for (qsizetype lag = -MaximumLag; lag <= MaximumLag; ++lag) {
        double signal = 0;
        const double snr = decibels(signal, noise(MaximumLag, length, lag, signal));
        if (snr > figure.snr) {
            figure.snr = snr;
            bestLag = lag;
        }
    }
    const qsizetype frame = rate / 50;
    double sum = 0;
    int frames = 0;
    for (qsizetype at = MaximumLag; at + frame <= MaximumLag + length; at += frame) {
        double signal = 0;
        const double error = noise(at, frame, bestLag, signal);
        if (signal / double(frame) < 1e-5)
            continue;
        sum += std::clamp(decibels(signal, error), -10.0, 35.0);
        ++frames;
    }
    figure.segmental = frames > 0 ? sum / frames : 0;
    return figure;
}

// Each format, the 177 KB text: the encoders, not the engine, make the
// difference. Then how close each lossy format comes to the lossless speech.
void renderEachFormat(SpeechSynthesizer &synth, EndWaiter &waiter, const QDir &folder)
{
    const QString book = text(177 * 1024);
    std::printf("rendering 177 KB with 20 chapters into each format (%.0f min of speech):\n",
                double(book.count(u' ')) / Rate);
    double aiffSeconds = 0;
    const QString lossless = folder.filePath(u"book.aiff"_s);
    // As a book's: twenty chapters, each at a word, and its tags, which the
    // formats that hold them write once the speech is complete.
    SpeechSynthesizer::ExportOptions options;
    options.outline.metadata = {u"Bench"_s, u"Tavorin"_s, u"en"_s};
    for (qsizetype i = 0; i < 20; ++i)
        options.outline.chapters.append(
            {u"Chapter %1"_s.arg(i + 1), book.indexOf(u' ', book.size() * i / 20) + 1, 0});
    for (const SoundFormat &format : SoundFormats::all()) {
        const QString path = folder.filePath(u"book."_s + format.extensions.constFirst());
        waiter = EndWaiter();
        QElapsedTimer timer;
        timer.start();
        synth.startSpeakingString(book, QUrl::fromLocalFile(path), options);
        waiter.waitForEnd(3600000);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (aiffSeconds == 0)
            aiffSeconds = seconds;
        std::printf("  %-5s %7.2f s, %5.2f x AIFF's time, %7.1f MB%s\n", qPrintable(format.name),
                    seconds, seconds / aiffSeconds, double(QFile(path).size()) / 1048576,
                    waiter.finished ? "" : " FAILED");
        std::fflush(stdout);
        if (path != lossless)
            QFile::remove(path);
    }
    std::printf("the first two minutes of the AIFF file written in each lossy format:\n");
    for (const SoundFormat &format : SoundFormats::all()) {
        if (!format.lossy)
            continue;
        if (format.encoder == SoundFormat::Encoder::Aac) {
            // libsndfile cannot read MP4; its size is above.
            std::printf("  %-5s not compared (no reader here)\n", qPrintable(format.name));
            continue;
        }
        const std::optional<Fidelity> figure = fidelity(lossless, format, folder);
        if (!figure) {
            std::printf("  %-5s FAILED\n", qPrintable(format.name));
            continue;
        }
        std::printf("  %-5s %5.1f kbit/s, SNR %5.2f dB, segmental SNR %5.2f dB, encoded %4.0f x "
                    "faster than real time\n",
                    qPrintable(format.name), figure->kilobits, figure->snr, figure->segmental,
                    figure->speed);
    }
    QFile::remove(lossless);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    QElapsedTimer startup;
    startup.start();
    const QString voice = SpeechSynthesizer::defaultVoice();
    const double firstAskMs = milliseconds(startup.nsecsElapsed());
    std::printf("voice catalogue: %lld voices, %.1f ms to read on the engine thread, %.1f ms "
                "until the first question was answered (once per process)\n",
                qlonglong(SpeechSynthesizer::availableVoices().size()),
                EspeakVoiceSource::catalogueMilliseconds(), firstAskMs);

    SpeechSynthesizer synth;
    EndWaiter waiter;
    waiter.follow(synth);
    synth.setRate(Rate);
    synth.startSpeakingString(u"Warm up."_s);
    waiter.waitForEnd(10000);
    if (argc > 1 && qstrcmp(argv[1], "--every-core") == 0) {
        QTemporaryDir dir;
        return renderWithWorkers(synth, waiter, voice, dir.path()) ? 0 : 1;
    }
    if (argc > 1 && qstrcmp(argv[1], "--engines") == 0) {
        QTemporaryDir dir;
        engines(synth, waiter, voice, dir.path());
        return 0;
    }
    if (argc > 1 && qstrcmp(argv[1], "--lexicon") == 0) {
        QTemporaryDir dir;
        renderWithLexicon(synth, waiter, dir.path());
        return 0;
    }
    if (argc > 1 && qstrcmp(argv[1], "--formats") == 0) {
        QTemporaryDir dir;
        renderEachFormat(synth, waiter, dir.path());
        return 0;
    }

    const qint64 idleKb = statusKb("VmRSS:");
    std::printf("idle: VmRSS %.1f MB\n", double(idleKb) / 1024);

    const QString small = text(1024);
    const QString large = text(10 * 1024 * 1024);
    const qint64 withTextKb = statusKb("VmRSS:");
    latency(synth, waiter, "1 KB", small);
    latency(synth, waiter, "10 MB", large);
    {
        QTemporaryDir dir;
        engines(synth, waiter, voice, dir.path());
    }

    // Memory while speaking the 10 MB text for a while.
    resetPeak();
    waiter = EndWaiter();
    synth.startSpeakingString(large);
    qint64 peakRss = 0;
    for (int i = 0; i < 30; ++i) {
        runEventsFor(100);
        peakRss = std::max(peakRss, statusKb("VmRSS:"));
    }
    synth.stopSpeaking();
    waiter.ended = false;
    waiter.waitForEnd(10000);
    const qint64 speakingHwm = statusKb("VmHWM:");
    std::printf("speaking the 10 MB text for 3 s: peak %.1f MB above idle "
                "(%.1f MB of it is the text itself, 20 MB as UTF-16; goal <= 64 MB)\n",
                double(std::max(speakingHwm, peakRss) - idleKb) / 1024,
                double(withTextKb - idleKb) / 1024);

    // File rendering: this synthesizer against `espeak-ng -w`, same text, voice and rate.
    QTemporaryDir dir;
    const QString render = text(200 * 1024);
    const QString textPath = dir.filePath(u"text.txt"_s);
    {
        QFile file(textPath);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(render.toUtf8());
    }
    std::printf("rendering 200 KB (%.0f min of speech at %g words per minute, voice %s):\n",
                double(render.count(u' ')) / Rate, double(Rate), qPrintable(voice));

    // Both in turn, twice, keeping the better time of each: the machine may
    // be busy with other work.
    qint64 espeakNs = std::numeric_limits<qint64>::max();
    qint64 ownNs = std::numeric_limits<qint64>::max();
    qint64 renderHwm = 0;
    qint64 beforeRenderKb = 0;
    qint64 fileBytes = 0;
    qint64 espeakBytes = 0;
    bool espeakRan = true;
    synth.setVoice(voice);
    qint64 espeakCpuUs = std::numeric_limits<qint64>::max();
    qint64 ownCpuUs = std::numeric_limits<qint64>::max();
    const auto runRenderEspeak = [&] {
        const EspeakRun run = runEspeak(voice, textPath, dir.path());
        espeakRan = espeakRan && run.ran;
        espeakNs = std::min(espeakNs, run.ns);
        espeakCpuUs = std::min(espeakCpuUs, run.cpuUs);
        espeakBytes = run.bytes;
    };
    const auto runOwn = [&] {
        resetPeak();
        beforeRenderKb = statusKb("VmRSS:");
        waiter = EndWaiter();
        const qint64 cpuBefore = cpuMicroseconds(RUSAGE_SELF);
        QElapsedTimer timer;
        timer.start();
        synth.startSpeakingString(render, QUrl::fromLocalFile(dir.filePath(u"tavorin.aiff"_s)));
        waiter.waitForEnd(600000);
        ownNs = std::min(ownNs, timer.nsecsElapsed());
        ownCpuUs = std::min(ownCpuUs, cpuMicroseconds(RUSAGE_SELF) - cpuBefore);
        renderHwm = std::max(renderHwm, statusKb("VmHWM:"));
        fileBytes = QFile(dir.filePath(u"tavorin.aiff"_s)).size();
        QFile::remove(dir.filePath(u"tavorin.aiff"_s));
    };
    // Each goes first once: the second writer of half a gigabyte may meet the
    // first one's data still being flushed.
    runRenderEspeak();
    runOwn();
    runOwn();
    runRenderEspeak();

    if (espeakRan)
        std::printf("  espeak-ng -w: %.2f s (%.2f s CPU), %.0f MB file\n", double(espeakNs) / 1e9,
                    double(espeakCpuUs) / 1e6, double(espeakBytes) / 1048576);
    else
        std::printf("  espeak-ng -w: did not run\n");
    std::printf(
        "  tavorin:      %.2f s (%.2f s CPU, both threads), %s, %.0f MB file, %lld word reports\n",
        double(ownNs) / 1e9, double(ownCpuUs) / 1e6, waiter.finished ? "completed" : "FAILED",
        double(fileBytes) / 1048576, qlonglong(waiter.words));
    if (espeakRan)
        std::printf("  speed relative to espeak-ng -w: %.2f by elapsed time, %.2f by CPU time "
                    "(goal >= 1.0)\n",
                    double(espeakNs) / double(ownNs), double(espeakCpuUs) / double(ownCpuUs));
    std::printf(
        "  peak memory while rendering: %.1f MB above idle (%.1f MB before it; goal <= 64 MB)\n",
        double(renderHwm - idleKb) / 1024, double(beforeRenderKb - idleKb) / 1024);

    if (!renderWithWorkers(synth, waiter, voice, dir.path()))
        return 1;

    renderWithLexicon(synth, waiter, dir.path());
    renderEachFormat(synth, waiter, dir.path());
    return 0;
}
