// Speaks a 1 MB text for a number of minutes (default 10) in cycles of play,
// pause, continue and stop, with an export to a file every few cycles, and
// prints the figures that show whether a long session stays flat: memory,
// open descriptors and threads at the start and the end. How far the word
// marks are from their audio is measured by tavorin_mark_timing on a recording
// of the output (soak.sh runs it afterwards).
//
//   tavorin_soak [MINUTES] [--silent]
//
// --silent plays on the synthesizer's silent real-time clock instead of the
// audio device, which separates the device's timing from the marking's.

#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SpeechTesting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr float Rate = 175.0f;
constexpr qsizetype TextBytes = 1024 * 1024;
constexpr int ExportEvery = 3;

QString soakText()
{
    const QStringList sentences = {
        u"The lighthouse keeper counted 1,024 waves before the sun went down."_s,
        u"Did anyone notice that the clock in the hall ran seven minutes late?"_s,
        u"Margaret wrote: \"We leave at dawn; bring the maps, the rope and the lamp.\""_s,
        u"On 3 March 2026 the river rose by 2.5 metres, and the bridge closed."_s,
        u"Quietly, almost without a sound, the cat crossed the wet garden."_s,
    };
    QString result;
    result.reserve(TextBytes + 200);
    for (qsizetype i = 0; result.size() < TextBytes; ++i) {
        result += sentences.at(i % sentences.size());
        result += (i % 7 == 6) ? u"\n\n"_s : u" "_s;
    }
    result.truncate(TextBytes);
    return result;
}

// One figure of /proc/self/status, in its own unit ("VmHWM" in kB, "Threads").
qint64 status(const char *key)
{
    QFile file(u"/proc/self/status"_s);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qsizetype openDescriptors()
{
    return QDir(u"/proc/self/fd"_s).entryList(QDir::Files | QDir::System).size();
}

void printFigures(const char *when)
{
    std::printf("%-28s RSS %6.1f MB, peak %6.1f MB, %3lld descriptors, %3lld threads\n", when,
                double(status("VmRSS")) / 1024, double(status("VmHWM")) / 1024,
                qlonglong(openDescriptors()), qlonglong(status("Threads")));
    std::fflush(stdout);
}

// Where a synthesizer's speech has got to, and its end report.
class Recorder
{
public:
    void follow(SpeechSynthesizer &synth)
    {
        QObject::connect(&synth, &SpeechSynthesizer::willSpeakWord, &synth,
                         [this](CharacterRange word) { lastLocation = qsizetype(word.location); });
        QObject::connect(&synth, &SpeechSynthesizer::didFinishSpeaking, &synth,
                         [this](bool finishedSpeaking) {
                             ended = true;
                             finished = finishedSpeaking;
                         });
    }

    qsizetype lastLocation = 0;
    bool ended = false;
    bool finished = false;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool silent = arguments.removeAll(u"--silent"_s) > 0;
    const double minutes = arguments.isEmpty() ? 10.0 : arguments.constFirst().toDouble();
    if (minutes <= 0 || arguments.size() > 1) {
        std::fprintf(stderr, "usage: tavorin_soak [MINUTES] [--silent]\n");
        return 2;
    }
    SpeechTesting::setSilentPlayback(silent);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "tavorin_soak: no temporary folder\n");
        return 1;
    }

    printFigures("before any speech:");
    const QString text = soakText();
    SpeechSynthesizer synth;
    Recorder recorder;
    recorder.follow(synth);
    synth.setRate(Rate);
    QElapsedTimer soak;
    soak.start();
    const qint64 soakMs = qint64(minutes * 60000);
    qsizetype position = 0;
    int cycles = 0;
    int exports = 0;
    int failures = 0;

    while (soak.elapsed() < soakMs) {
        if (position >= text.size() - 4000)
            position = 0;
        const QString rest = text.mid(position);
        recorder.lastLocation = 0;
        recorder.ended = false;
        synth.startSpeakingString(rest);
        const int stretchMs = 8000 + (cycles % 5) * 2000;
        QTest::qWait(stretchMs);

        synth.pauseSpeakingAtBoundary(0);
        QTest::qWait(700);
        synth.continueSpeaking();
        QTest::qWait(3000);
        synth.pauseSpeakingAtBoundary(0);
        QTest::qWait(300);
        synth.continueSpeaking();
        QTest::qWait(2000);
        synth.stopSpeaking();
        if (!QTest::qWaitFor([&] { return recorder.ended; }, 10000)) {
            ++failures;
            std::printf("cycle %d: no end report after stop\n", cycles);
        }
        position += std::max<qsizetype>(recorder.lastLocation, 1);
        ++cycles;

        if (cycles % ExportEvery == 0) {
            const QString file = folder.filePath(u"export.aiff"_s);
            recorder.ended = false;
            synth.startSpeakingString(text.mid(position, 20000), QUrl::fromLocalFile(file));
            if (!QTest::qWaitFor([&] { return recorder.ended; }, 120000) || !recorder.finished ||
                QFileInfo(file).size() <= 0) {
                ++failures;
                std::printf("cycle %d: the export did not complete\n", cycles);
            }
            QFile::remove(file);
            ++exports;
        }
        if (cycles == 1)
            printFigures("start (after the first cycle):");
    }

    printFigures("end:");
    std::printf("%d cycles and %d exports in %.1f minutes, %d failures\n", cycles, exports,
                double(soak.elapsed()) / 60000, failures);
    return failures == 0 ? 0 : 1;
}
