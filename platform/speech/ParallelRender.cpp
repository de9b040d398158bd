#include "platform/speech/ParallelRender.h"

#include "platform/process/Process.h"
#include "platform/speech/CharacterRange.h"
#include "platform/speech/RenderWorker.h"
#include "platform/speech/SpeechChannel.h"
#include "platform/speech/SpeechEngine.h"
#include "platform/speech/SpeechTesting.h"
#include "platform/speech/TextPieces.h"
#include "platform/speech/WorkerProtocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextBoundaryFinder>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Below a second or two of rendering on one core the workers' start costs
// more than they gain.
constexpr qsizetype ParallelSeconds = 2;
// Runs long enough that their start is negligible, short enough that what a
// worker renders ahead fits the budget below: some 12 MB of samples at the
// default rate, twice as much at the slowest. They get shorter towards the
// end of the text, a few per job of what is left, so that the workers finish
// close together: at the end one waits for the other's last run at most.
constexpr qsizetype MinimumRunLength = 1024;
constexpr qsizetype MaximumRunLength = 4 * 1024;
static_assert(MaximumRunLength + MaximumRunLength / 2 <= WorkerProtocol::MaximumRunText);
constexpr int RunsPerJob = 4;
// Samples held for runs ahead of the one being written, per worker beyond
// the first; past it that worker waits on its full pipe.
constexpr qint64 AheadBytesPerWorker = 32 * 1024 * 1024;
// What a worker process takes, measured, and what it may make this one hold;
// the workers together take at most half of the memory available.
constexpr qint64 WorkerBytes = 30 * 1024 * 1024 + AheadBytesPerWorker;

// How long the cores are watched before the workers start, while this
// process renders: long enough for the kernel's counts (in hundredths of a
// second) to tell a busy core from an idle one.
constexpr std::chrono::milliseconds LoadWindow{200};

qsizetype parallelFrom = 0; // set by the tests alone
std::function<double()> busyCoresReading;

// The cores this process may run on (taskset, a container's cpuset).
int allowedCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(CPU_COUNT(&set), 1);
    return std::max(QThread::idealThreadCount(), 1);
}

// The time every core has spent busy and in all since the machine started,
// and how much of it was this process's, in seconds.
struct CpuTimes
{
    double busy = 0;
    double all = 0;
    double own = 0;
};

CpuTimes cpuTimes()
{
    CpuTimes times;
    QFile stat(u"/proc/stat"_s);
    if (stat.open(QIODevice::ReadOnly)) {
        // "cpu  user nice system idle iowait irq softirq steal ...": what a
        // hypervisor steals is no more ours than what another program uses.
        const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
        if (fields.size() >= 9 && fields.constFirst() == "cpu") {
            const double tick = 1.0 / double(std::max<long>(::sysconf(_SC_CLK_TCK), 1));
            for (int i = 1; i <= 8; ++i) {
                const double seconds = fields.at(i).toDouble() * tick;
                times.all += seconds;
                if (i != 4 && i != 5) // idle, and idle waiting for a disk
                    times.busy += seconds;
            }
        }
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    times.own = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return times;
}

// What the system can give without swapping, by the kernel's estimate.
qint64 availableMemory()
{
    QFile info(u"/proc/meminfo"_s);
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').constFirst().toLongLong() * 1024;
        }
    }
    return std::numeric_limits<qint64>::max();
}

bool endsSentence(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u':' || c == u';' || c == u'\u2026' ||
           c == u'\u3002' || c == u'\uFF01' || c == u'\uFF1F';
}

// The last character before `position` that is not white space, or a space.
QChar lastVisibleBefore(const QString &text, qsizetype position)
{
    while (position > 0 && text.at(position - 1).isSpace())
        --position;
    return position > 0 ? text.at(position - 1) : QChar(u' ');
}

// Where a run that should end near `wanted` ends, in (lowest, highest]: after
// a paragraph (a blank line, or a line that ends a sentence), else after a
// sentence, else after white space, else between words as the engine's
// pieces are. A cut is moved past the white space that follows, so that
// every run but the first starts with something to say.
qsizetype cutNear(const QString &text, qsizetype lowest, qsizetype wanted, qsizetype highest)
{
    const auto closest = [wanted](qsizetype best, qsizetype candidate) {
        return best < 0 || std::abs(candidate - wanted) < std::abs(best - wanted) ? candidate
                                                                                  : best;
    };
    const auto pastSpace = [&text](qsizetype position) {
        while (position < text.size() && text.at(position).isSpace())
            ++position;
        return position;
    };
    qsizetype paragraph = -1;
    qsizetype space = -1;
    for (qsizetype i = lowest + 1; i <= highest; ++i) {
        const QChar before = text.at(i - 1);
        if (!before.isSpace() || (i < text.size() && text.at(i).isSpace()))
            continue;
        space = closest(space, i);
        // The white space before i holds a line end.
        qsizetype start = i;
        while (start > 0 && text.at(start - 1).isSpace())
            --start;
        const QStringView gap = QStringView(text).mid(start, i - start);
        if (gap.count(u'\n') >= 2 ||
            (gap.contains(u'\n') && endsSentence(lastVisibleBefore(text, i))))
            paragraph = closest(paragraph, i);
    }
    if (paragraph >= 0)
        return paragraph;

    // Only the window is laid out: the finder reads the whole string it is
    // given, and a long text has many cuts.
    const QStringView window = QStringView(text).mid(lowest, highest - lowest);
    QTextBoundaryFinder sentences(QTextBoundaryFinder::Sentence, window.data(), window.size());
    qsizetype sentence = -1;
    for (qsizetype i = sentences.toNextBoundary(); i > 0; i = sentences.toNextBoundary()) {
        const qsizetype at = lowest + i;
        // The window's end is a boundary of the window, not always of the text.
        const QChar before = text.at(at - 1);
        const bool closed = before.isSpace() || at == text.size() || before == u'\u3002' ||
                            before == u'\uFF01' || before == u'\uFF1F';
        if (closed && endsSentence(lastVisibleBefore(text, at)))
            sentence = closest(sentence, pastSpace(at));
        if (at > wanted && sentence >= 0)
            break;
    }
    if (sentence > lowest && sentence <= highest)
        return sentence;
    if (space >= 0)
        return space;
    return TextPieces::cutBetweenWords(text, lowest, lowest, std::min(wanted, text.size()));
}

// The last line a worker wrote to its standard error, for its failure report.
class ErrorTail
{
public:
    void add(const QByteArray &data, bool atEnd)
    {
        std::lock_guard lock(m_mutex);
        m_tail = QByteArray(m_tail + data).right(4096);
        m_ended = m_ended || atEnd;
        if (m_ended)
            m_changed.notify_all();
    }

    QString lastLine()
    {
        std::unique_lock lock(m_mutex);
        // The worker has been reaped: its end of the pipe is closed, so the
        // end of the stream is near.
        m_changed.wait_for(lock, std::chrono::seconds(2), [this] { return m_ended; });
        const QList<QByteArray> lines = m_tail.trimmed().split('\n');
        return QString::fromUtf8(lines.constLast()).trimmed();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_tail;
    bool m_ended = false;
};

} // namespace

struct ParallelRender::Item
{
    QByteArray samples; // empty for a word mark
    qint64 sample = 0;
    CharacterRange range;
};

struct ParallelRender::RunState
{
    std::deque<Item> items;
    qint64 aheadBytes = 0;
    bool complete = false;
};

void SpeechTesting::setParallelFrom(qsizetype characters)
{
    parallelFrom = std::max<qsizetype>(characters, 0);
}

void SpeechTesting::setBusyCores(std::function<double()> reading)
{
    busyCoresReading = std::move(reading);
}

int ParallelRender::maximumJobs()
{
    const qint64 byMemory = availableMemory() / 2 / WorkerBytes;
    return int(std::clamp<qint64>(byMemory, 1, allowedCores()));
}

std::vector<ParallelRender::Run> ParallelRender::split(const QString &text, int jobs,
                                                       int charactersPerSecond)
{
    const qsizetype size = text.size();
    const qsizetype from =
        parallelFrom > 0 ? parallelFrom : ParallelSeconds * std::max(charactersPerSecond, 1);
    if (jobs < 2 || size < from)
        return {{0, size}};
    const qsizetype shortest = std::min(MinimumRunLength, size / 2);
    std::vector<Run> runs;
    qsizetype start = 0;
    while (start < size) {
        const qsizetype length =
            std::clamp((size - start) / (qsizetype(jobs) * RunsPerJob), shortest, MaximumRunLength);
        qsizetype end = size;
        if (size - start > length + length / 2)
            end = cutNear(text, start + length / 2, start + length, start + length + length / 2);
        if (end <= start)
            end = std::min(size, start + length);
        runs.push_back({start, end - start});
        start = end;
    }
    return runs;
}

ParallelRender::ParallelRender(const QString &text, std::vector<Run> runs, Settings settings,
                               std::shared_ptr<SpeechChannel> channel)
    : m_text(text)
    , m_runs(std::move(runs))
    , m_settings(std::move(settings))
    , m_channel(std::move(channel))
    , m_states(m_runs.size())
{
    // The coordinator waits for the workers and for the channel's consumer.
    m_channel->setOnCancel([this] {
        std::lock_guard lock(m_mutex);
        m_changed.notify_all();
    });
    m_coordinator = std::thread([this] { coordinate(); });
}

ParallelRender::~ParallelRender()
{
    if (m_channel->result() == SpeechChannel::Result::Running)
        m_channel->cancel();
    m_coordinator.join();
}

void ParallelRender::fail(const QString &reason)
{
    std::lock_guard lock(m_mutex);
    if (!m_stopping && m_failure.isEmpty())
        m_failure = reason.isEmpty() ? QCoreApplication::translate("ParallelRender",
                                                                   "a rendering process failed")
                                     : reason;
    m_stopping = true;
    m_changed.notify_all();
}

bool ParallelRender::deliver(qsizetype run, std::vector<Item> items)
{
    qint64 bytes = 0;
    for (const Item &item : items)
        bytes += item.samples.size();
    std::unique_lock lock(m_mutex);
    const qint64 budget = AheadBytesPerWorker * std::max(m_settings.jobs - 1, 1);
    m_changed.wait(lock,
                   [&] { return m_stopping || run <= m_head || m_aheadBytes + bytes <= budget; });
    if (m_stopping)
        return false;
    RunState &state = m_states[size_t(run)];
    if (run > m_head) {
        m_aheadBytes += bytes;
        state.aheadBytes += bytes;
    }
    std::move(items.begin(), items.end(), std::back_inserter(state.items));
    // Only the run being written is waited for; the others are looked at
    // when their turn comes.
    if (run == m_head)
        m_changed.notify_all();
    return true;
}

void ParallelRender::complete(qsizetype run)
{
    std::lock_guard lock(m_mutex);
    m_states[size_t(run)].complete = true;
    m_changed.notify_all();
}

void ParallelRender::serve()
{
    auto process = std::make_shared<Process>();
    auto input = std::make_shared<Pipe>();
    auto output = std::make_shared<Pipe>();
    auto errors = std::make_shared<Pipe>();
    process->setLaunchPath(m_settings.program);
    process->setArguments({QString::fromLatin1(RenderWorker::option)});
    process->setStandardInput(input);
    process->setStandardOutput(output);
    process->setStandardError(errors);
    auto tail = std::make_shared<ErrorTail>();
    errors->fileHandleForReading()->setReadabilityHandler([tail](FileHandle &handle) {
        const QByteArray data = handle.availableData();
        tail->add(data, handle.isAtEndOfFile());
    });
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        if (!process->launch()) {
            m_failure = QCoreApplication::translate("ParallelRender",
                                                    "cannot start a rendering process (%1): %2")
                            .arg(m_settings.program, process->errorString());
            m_stopping = true;
            m_changed.notify_all();
            return;
        }
        m_processes.push_back(process);
    }

    const std::shared_ptr<FileHandle> toWorker = input->fileHandleForWriting();
    const std::shared_ptr<FileHandle> fromWorker = output->fileHandleForReading();
    bool lost = false; // the worker went away in the middle of a run
    for (qsizetype run; (run = takeRun()) >= 0;) {
        const Run &cut = m_runs[size_t(run)];
        const QByteArray request = WorkerProtocol::runFrame(
            {m_text.mid(cut.start, cut.length), m_settings.voice, run == 0, m_settings.phonemes});
        if (request.isEmpty()) {
            fail(QString());
            break;
        }
        if (!toWorker->writeData(request)) {
            lost = true;
            break;
        }
        // Frame by frame, each payload read into its own buffer, which is
        // handed on as it is.
        bool ended = false;
        bool stopped = false;
        while (!ended && !stopped) {
            const QByteArray bytes = fromWorker->readData(WorkerProtocol::HeaderSize);
            if (bytes.size() < WorkerProtocol::HeaderSize) {
                lost = true;
                break;
            }
            QString fault;
            const std::optional<WorkerProtocol::Header> header =
                WorkerProtocol::decodeHeader(bytes, WorkerProtocol::Sender::Worker, fault);
            if (!header) {
                fail(QCoreApplication::translate("ParallelRender",
                                                 "a rendering process sent what it should not"));
                stopped = true;
                break;
            }
            QByteArray payload = fromWorker->readData(header->size);
            if (payload.size() < header->size) {
                lost = true;
                break;
            }
            switch (header->type) {
            case WorkerProtocol::FrameType::Samples:
                WorkerProtocol::decodeSamples(payload);
                stopped = !deliver(run, {{std::move(payload), 0, {}}});
                break;
            case WorkerProtocol::FrameType::Words: {
                std::vector<Item> marks;
                for (const SpeechChannel::Word &word : WorkerProtocol::decodeWords(payload))
                    marks.push_back({QByteArray(), word.sample, word.range});
                stopped = !deliver(run, std::move(marks));
                break;
            }
            case WorkerProtocol::FrameType::End:
                complete(run);
                ended = true;
                break;
            case WorkerProtocol::FrameType::Failed:
                fail(QString::fromUtf8(payload));
                stopped = true;
                break;
            default:
                fail(QCoreApplication::translate("ParallelRender",
                                                 "a rendering process sent what it should not"));
                stopped = true;
                break;
            }
        }
        if (!ended)
            break;
    }

    // A worker ends at the end of its input; one that is not needed any
    // more is ended at once.
    bool stopping;
    {
        std::lock_guard lock(m_mutex);
        stopping = m_stopping;
    }
    if (stopping)
        process->terminate();
    toWorker->closeFile();
    fromWorker->closeFile();
    process->waitUntilExit();
    if (lost && !stopping) {
        // The worker went away without being asked to: it crashed, or failed.
        const QString how =
            process->terminationReason() == Process::TerminationReason::UncaughtSignal
                ? QCoreApplication::translate("ParallelRender",
                                              "a rendering process was ended by %1")
                      .arg(Process::signalName(process->terminationStatus()))
                : QCoreApplication::translate("ParallelRender",
                                              "a rendering process ended with exit status %1")
                      .arg(process->terminationStatus());
        const QString said = tail->lastLine();
        fail(said.isEmpty() ? how : how + u": "_s + said);
    }
    errors->fileHandleForReading()->setReadabilityHandler({});
}

qsizetype ParallelRender::takeRun()
{
    std::lock_guard lock(m_mutex);
    if (m_stopping || m_next >= qsizetype(m_runs.size()))
        return -1;
    return m_next++;
}

void ParallelRender::renderHere()
{
    for (qsizetype run; (run = takeRun()) >= 0;) {
        const Run &cut = m_runs[size_t(run)];
        const auto hand = [this, run](const std::vector<SpeechChannel::Word> &words,
                                      const qint16 *samples, qsizetype count) {
            std::vector<Item> items;
            for (const SpeechChannel::Word &word : words)
                items.push_back({QByteArray(), word.sample, word.range});
            if (count > 0)
                items.push_back({QByteArray(reinterpret_cast<const char *>(samples),
                                            count * qsizetype(sizeof(qint16))),
                                 0,
                                 {}});
            return deliver(run, std::move(items));
        };
        QString error;
        switch (RenderWorker::render(
            *m_settings.engine,
            {m_text.mid(cut.start, cut.length), m_settings.voice, run == 0, m_settings.phonemes},
            hand, error)) {
        case SpeechChannel::Result::Completed:
            complete(run);
            break;
        case SpeechChannel::Result::Failed:
            fail(error);
            return;
        default: // stopped
            return;
        }
    }
}

int ParallelRender::jobsByLoad()
{
    double busy = 0;
    if (busyCoresReading) {
        busy = busyCoresReading();
    } else {
        const CpuTimes before = cpuTimes();
        {
            std::unique_lock lock(m_mutex);
            if (m_changed.wait_for(lock, LoadWindow,
                                   [this] { return m_stopping || m_channel->isCancelled(); }))
                return -1;
        }
        const CpuTimes after = cpuTimes();
        const double all = after.all - before.all;
        // This process renders meanwhile: only the others' share counts.
        if (all > 0)
            busy = (after.busy - before.busy - (after.own - before.own)) / all *
                   double(std::max<long>(::sysconf(_SC_NPROCESSORS_ONLN), 1));
    }
    const double online = double(std::max<long>(::sysconf(_SC_NPROCESSORS_ONLN), 1));
    const double free = std::min(double(allowedCores()), online - std::max(busy, 0.0));
    return int(std::clamp<long>(std::lround(free), 1, m_settings.jobs));
}

void ParallelRender::startWorkers()
{
    const int here = m_settings.engine ? 1 : 0;
    const int jobs = m_settings.byLoad ? jobsByLoad() : m_settings.jobs;
    const qsizetype workers =
        std::clamp<qsizetype>(jobs - here, 0, qsizetype(m_runs.size()) - here);
    for (qsizetype i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { serve(); });
}

void ParallelRender::coordinate()
{
    // This process starts on the first run at once; the workers follow,
    // once the cores have been looked at where that is asked for. Until the
    // starter has been joined, only it touches m_workers.
    std::thread here;
    if (m_settings.engine)
        here = std::thread([this] { renderHere(); });
    m_starter = std::thread([this] { startWorkers(); });

    qint64 samplesBefore = 0;
    bool completed = true;
    for (qsizetype run = 0; completed && run < qsizetype(m_runs.size()); ++run) {
        const auto charactersBefore = quint64(m_runs[size_t(run)].start);
        qint64 runSamples = 0;
        for (bool runComplete = false; completed && !runComplete;) {
            std::deque<Item> items;
            {
                std::unique_lock lock(m_mutex);
                RunState &state = m_states[size_t(run)];
                m_changed.wait(lock, [&] {
                    return m_stopping || !state.items.empty() || state.complete ||
                           m_channel->isCancelled();
                });
                if (m_stopping || m_channel->isCancelled()) {
                    completed = false;
                    break;
                }
                items.swap(state.items);
                runComplete = state.complete;
            }
            for (const Item &item : items) {
                bool written;
                if (item.samples.isEmpty()) {
                    written = m_channel->addWord(
                        samplesBefore + item.sample,
                        {charactersBefore + item.range.location, item.range.length});
                } else {
                    const qsizetype count = item.samples.size() / qsizetype(sizeof(qint16));
                    written = m_channel->write(
                        reinterpret_cast<const qint16 *>(item.samples.constData()), count);
                    runSamples += count;
                }
                if (!written) {
                    completed = false;
                    break;
                }
            }
        }
        samplesBefore += runSamples;
        std::lock_guard lock(m_mutex);
        m_head = run + 1;
        if (m_head < qsizetype(m_runs.size())) {
            m_aheadBytes -= m_states[size_t(m_head)].aheadBytes;
            m_states[size_t(m_head)].aheadBytes = 0;
        }
        m_changed.notify_all();
    }

    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_changed.notify_all();
    }
    // Every worker ends and is reaped before the channel says so; none
    // starts once the render stops.
    m_starter.join();
    if (!completed) {
        std::lock_guard lock(m_mutex);
        for (const auto &process : m_processes)
            process->terminate();
    }
    if (here.joinable())
        here.join();
    for (std::thread &worker : m_workers)
        worker.join();
    QString failure;
    {
        std::lock_guard lock(m_mutex);
        failure = m_failure;
    }
    m_channel->setOnCancel(nullptr);
    m_channel->finish(completed ? SpeechChannel::Result::Completed : SpeechChannel::Result::Failed,
                      failure);
}
