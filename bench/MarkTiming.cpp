// Measures how far each word's mark is from the moment its audio leaves the
// output. The audio server's monitor of the output is recorded while a text is
// spoken; each word's audio, taken from a file render of the same text, is
// found in the recording by cross-correlation, so a gap in the playback (an
// underrun on a loaded machine) moves the word's time as it moves the sound.
//
//   tavorin_mark_timing MONITOR_SOURCE [CYCLES] [REPEATS]
//
// MONITOR_SOURCE is the monitor of the output that the speech plays to, for
// example "tavorin_null.monitor" on the test's private audio server. The text
// is a paragraph of about 20 seconds, REPEATS times over (default 1). Prints
// the marks' lateness (positive: the mark comes after the word's first sample
// left the output) as median, 95th percentile, latest and earliest, per
// cycle and over all; TAVORIN_MARK_TRACE=1 also prints every word's figure to
// standard error.

#include "platform/speech/SpeechSynthesizer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A word's audio is looked for this far around the time it was marked.
constexpr double SearchMs = 250;
// The stretch of a word's audio that is matched.
constexpr double WindowMs = 120;
// Below this correlation a word is not counted as found.
constexpr double MinimumMatch = 0.8;

const QString Paragraph =
    u"The lighthouse keeper counted the waves before the sun went down. Did anyone "
    u"notice that the clock in the hall ran seven minutes late? Margaret wrote that "
    u"they would leave at dawn, with the maps, the rope and the lamp. Quietly, almost "
    u"without a sound, the cat crossed the wet garden and sat down by the door."_s;

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::vector<float> readAudio(const QString &path, int *sampleRate)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file || info.channels != 1)
        return {};
    std::vector<float> samples(std::size_t(info.frames));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    *sampleRate = info.samplerate;
    return samples;
}

// Records the monitor with parec in a thread of its own, and dates each
// recorded sample by when the pieces arrived.
class MonitorRecorder
{
public:
    MonitorRecorder(const QByteArray &source, int sampleRate)
        : m_sampleRate(sampleRate)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        const QByteArray device = "--device=" + source;
        const QByteArray rate = "--rate=" + QByteArray::number(sampleRate);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            execlp("parec", "parec", "--raw", "--format=float32le", "--channels=1",
                   rate.constData(), "--latency-msec=5", device.constData(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        m_fd = fds[0];
        if (m_pid > 0)
            m_thread = std::thread([this] { run(); });
    }
    ~MonitorRecorder()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_thread.join();
        }
        if (m_fd >= 0)
            close(m_fd);
    }
    bool isValid() const { return m_pid > 0; }

    std::vector<float> samples()
    {
        const std::lock_guard lock(m_mutex);
        return m_samples;
    }
    // The time a recorded sample left the output. Of the pieces read within a
    // few seconds of it, the one that came with the least delay dates it: the
    // server's sample clock runs a little apart from the system's (200 ppm on
    // a null sink here), so one date for the whole recording would drift.
    qint64 timeOf(std::size_t index)
    {
        const std::lock_guard lock(m_mutex);
        const auto span = std::size_t(5 * m_sampleRate);
        qint64 start = std::numeric_limits<qint64>::max();
        for (const Piece &piece : m_pieces) {
            if (piece.end + span < index || piece.end > index + span)
                continue;
            start = std::min(start, piece.arrivedNs - nanoseconds(piece.end));
        }
        return start + nanoseconds(index);
    }
    std::size_t indexAt(qint64 ns)
    {
        const std::lock_guard lock(m_mutex);
        for (const Piece &piece : m_pieces) {
            if (piece.arrivedNs >= ns)
                return piece.end;
        }
        return m_samples.size();
    }

private:
    struct Piece
    {
        std::size_t end; // the recording's length after the piece
        qint64 arrivedNs;
    };
    qint64 nanoseconds(std::size_t samples) const
    {
        return qint64(double(samples) * 1e9 / m_sampleRate);
    }
    void run()
    {
        std::vector<float> buffer(std::size_t(m_sampleRate / 200));
        std::size_t filled = 0;
        for (;;) {
            const ssize_t n = read(m_fd, reinterpret_cast<char *>(buffer.data()) + filled,
                                   buffer.size() * sizeof(float) - filled);
            if (n <= 0)
                return;
            filled += std::size_t(n);
            const std::size_t whole = filled / sizeof(float);
            const qint64 arrived = nowNs();
            const std::lock_guard lock(m_mutex);
            m_samples.insert(m_samples.end(), buffer.begin(), buffer.begin() + qsizetype(whole));
            m_pieces.push_back({m_samples.size(), arrived});
            filled -= whole * sizeof(float);
            std::memmove(buffer.data(), buffer.data() + whole, filled);
        }
    }

    int m_sampleRate;
    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<float> m_samples;
    std::vector<Piece> m_pieces;
};

// Where the reference's stretch [from, from + length) lies in the recording,
// searched in [low, high); -1 when no place matches well.
qint64 find(const std::vector<float> &reference, std::size_t from, std::size_t length,
            const std::vector<float> &recording, std::size_t low, std::size_t high)
{
    if (from + length > reference.size())
        return -1;
    double referenceEnergy = 0;
    for (std::size_t i = 0; i < length; ++i)
        referenceEnergy += double(reference[from + i]) * reference[from + i];
    if (referenceEnergy < 1e-3 * double(length) * 0.01)
        return -1; // silence: nothing to match
    high = std::min(high, recording.size() - std::min(recording.size(), length));
    double best = MinimumMatch;
    qint64 bestAt = -1;
    for (std::size_t at = low; at < high; ++at) {
        double product = 0;
        double energy = 0;
        for (std::size_t i = 0; i < length; ++i) {
            product += double(reference[from + i]) * recording[at + i];
            energy += double(recording[at + i]) * recording[at + i];
        }
        if (energy <= 0)
            continue;
        const double match = product / std::sqrt(referenceEnergy * energy);
        if (match > best) {
            best = match;
            bestAt = qint64(at);
        }
    }
    return bestAt;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, std::size_t(p * double(values.size()))));
}

void print(const char *what, const std::vector<double> &lateness, std::size_t marks)
{
    std::printf("%s %zu of %zu words found: median %6.1f ms, 95%% %6.1f ms, latest %6.1f ms, "
                "earliest %6.1f ms\n",
                what, lateness.size(), marks, percentile(lateness, 0.5), percentile(lateness, 0.95),
                *std::max_element(lateness.begin(), lateness.end()),
                *std::min_element(lateness.begin(), lateness.end()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.size() > 3) {
        std::fprintf(stderr, "usage: tavorin_mark_timing MONITOR_SOURCE [CYCLES] [REPEATS]\n");
        return 2;
    }
    const int cycles = arguments.size() > 1 ? arguments.at(1).toInt() : 3;
    const int repeats = arguments.size() > 2 ? arguments.at(2).toInt() : 1;
    QString text;
    for (int i = 0; i < std::max(repeats, 1); ++i)
        text += Paragraph + (i % 3 == 2 ? u"\n\n"_s : u" "_s);

    SpeechSynthesizer synth;
    const QString voice = SpeechSynthesizer::defaultVoice();
    synth.setVoice(voice);

    // The reference: a file render and each word's sample in it.
    QTemporaryDir folder;
    const QString referencePath = folder.filePath(u"reference.aiff"_s);
    bool ended = false;
    QObject::connect(&synth, &SpeechSynthesizer::didFinishSpeaking, &app,
                     [&](bool) { ended = true; });
    synth.startSpeakingString(text, QUrl::fromLocalFile(referencePath));
    const bool rendered = QTest::qWaitFor([&] { return ended; }, 1200000);
    int sampleRate = 0;
    const std::vector<float> reference = readAudio(referencePath, &sampleRate);
    const QHash<quint64, double> times = SpeechSynthesizer::wordTimes(text, voice, synth.rate());
    if (!rendered || reference.empty() || times.isEmpty()) {
        std::fprintf(stderr, "tavorin_mark_timing: the reference render failed\n");
        return 1;
    }
    const auto samplesOf = [&](double ms) { return std::size_t(ms * sampleRate / 1000); };

    MonitorRecorder recorder(arguments.at(0).toLocal8Bit(), sampleRate);
    if (!recorder.isValid()) {
        std::fprintf(stderr, "tavorin_mark_timing: parec does not start\n");
        return 1;
    }
    QThread::msleep(500);

    struct Mark
    {
        qint64 atNs;
        quint64 location;
    };
    std::vector<Mark> marks;
    QObject::connect(&synth, &SpeechSynthesizer::willSpeakWord, &app, [&](CharacterRange word) {
        marks.push_back({nowNs(), word.location});
    });
    const bool trace = qEnvironmentVariableIsSet("TAVORIN_MARK_TRACE");
    std::vector<double> all;
    std::size_t allMarks = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        marks.clear();
        ended = false;
        synth.startSpeakingString(text);
        // A pause and a continue after a few seconds, then another.
        bool paused = false;
        for (const int ms : {5000, 700, 3000, 300}) {
            if (ended)
                break;
            QTest::qWait(ms);
            if (paused)
                synth.continueSpeaking();
            else
                synth.pauseSpeakingAtBoundary(0);
            paused = !paused;
        }
        if (!QTest::qWaitFor([&] { return ended; }, 1200000)) {
            std::fprintf(stderr, "tavorin_mark_timing: the speech does not end\n");
            return 1;
        }
        QThread::msleep(500); // the last sound reaches the monitor
        const std::vector<float> recording = recorder.samples();

        // A word's audio is looked for around the time it was marked, so that
        // the pauses need no bookkeeping here.
        std::vector<double> lateness;
        for (const Mark &mark : marks) {
            if (!times.contains(mark.location))
                continue;
            const std::size_t sample = samplesOf(times.value(mark.location));
            const qint64 at = find(reference, sample, samplesOf(WindowMs), recording,
                                   recorder.indexAt(mark.atNs - qint64(SearchMs * 1e6)),
                                   recorder.indexAt(mark.atNs + qint64(SearchMs * 1e6)));
            if (at < 0)
                continue;
            lateness.push_back(double(mark.atNs - recorder.timeOf(std::size_t(at))) / 1e6);
            if (trace)
                std::fprintf(stderr, "%8.0f ms %7.1f\n", times.value(mark.location),
                             lateness.back());
        }
        if (lateness.empty()) {
            std::fprintf(stderr, "tavorin_mark_timing: no word found in the recording\n");
            return 1;
        }
        print(QByteArray("cycle " + QByteArray::number(cycle + 1) + ":").constData(), lateness,
              marks.size());
        all.insert(all.end(), lateness.begin(), lateness.end());
        allMarks += marks.size();
    }
    print("all cycles:", all, allMarks);
    return 0;
}
