// Prints how the window copes with a large text: for each size given in MB
// (10 by default; "+10" replaces the text of the size before; the name of an
// existing document opens that document) the time to open a text file of that
// size and show it, the longest time the window stopped answering meanwhile and the memory it took
// against the text's UTF-16 size; then the cost of marking one spoken word
// in the 10 MB text; and the first audio of a fresh Play against that after a
// move to the next sentence, in a short text and in the 10 MB one. Figures
// only; nothing here asserts.
#include "app/AppDelegate.h"
#include "app/Startup.h"
#include "platform/speech/SpeechSynthesizer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Writes about `bytes` of text in lines of twelve words, without holding it
// all in memory.
bool writeLargeText(const QString &path, qsizetype bytes)
{
    const QStringList words{u"lighthouse"_s, u"keeper"_s,  u"climbed"_s, u"the"_s, u"stairs"_s,
                            u"évening"_s,    u"harbour"_s, u"gulls"_s,   u"a"_s,   u"wind"_s};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString piece;
    qsizetype written = 0;
    int word = 0;
    while (written < bytes) {
        piece += words.at(word % words.size());
        piece += (++word % 12 == 0) ? u'\n' : u' ';
        if (piece.size() >= 65536 || written + piece.size() >= bytes) {
            const QByteArray utf8 = piece.toUtf8();
            if (file.write(utf8) != utf8.size())
                return false;
            written += utf8.size();
            piece.clear();
        }
    }
    return true;
}

// Resident and peak resident memory of this process, in bytes.
std::pair<qint64, qint64> residentMemory()
{
    std::ifstream status("/proc/self/status");
    qint64 resident = 0;
    qint64 peak = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            resident = std::stoll(line.substr(6)) * 1024;
        else if (line.rfind("VmHWM:", 0) == 0)
            peak = std::stoll(line.substr(6)) * 1024;
    }
    return {resident, peak};
}

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Milliseconds from a command to the first audio of the speech it starts.
double firstAudioAfter(SpeechSynthesizer *synth, const std::function<void()> &command)
{
    double ms = -1;
    QElapsedTimer timer;
    const auto connection = QObject::connect(synth, &SpeechSynthesizer::audioStarted, synth, [&] {
        if (ms < 0)
            ms = double(timer.nsecsElapsed()) / 1e6;
    });
    timer.start();
    command();
    const bool started = QTest::qWaitFor([&] { return ms >= 0; }, 5000);
    QObject::disconnect(connection);
    return started ? ms : -1.0;
}

// The first audio of a fresh Play from the start of the text in the editor,
// and of a move to the next sentence while that speech is heard.
void printFirstAudio(AppDelegate &delegate, const char *label)
{
    SpeechSynthesizer *synth = delegate.speechSynth();
    qint64 words = 0;
    const auto counting =
        QObject::connect(synth, &SpeechSynthesizer::willSpeakWord, synth, [&] { ++words; });
    std::vector<double> play;
    std::vector<double> move;
    for (int run = 0; run < 9; ++run) {
        delegate.doStop(nullptr);
        static_cast<void>(QTest::qWaitFor([&] { return !synth->isSpeaking(); }, 10000));
        words = 0;
        play.push_back(firstAudioAfter(synth, [&] { delegate.doPlay(nullptr); }));
        static_cast<void>(QTest::qWaitFor([&] { return words >= 2; }, 10000));
        move.push_back(firstAudioAfter(synth, [&] { delegate.doNextSentence(nullptr); }));
    }
    delegate.doStop(nullptr);
    static_cast<void>(QTest::qWaitFor([&] { return !synth->isSpeaking(); }, 10000));
    QObject::disconnect(counting);
    for (auto *runs : {&play, &move})
        std::sort(runs->begin(), runs->end());
    std::printf("first audio in a %s text: fresh Play median %.2f ms (best %.2f, worst %.2f); "
                "after a sentence jump median %.2f ms (best %.2f, worst %.2f)\n",
                label, play[play.size() / 2], play.front(), play.back(), move[move.size() / 2],
                move.front(), move.back());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    AppDelegate delegate;
    std::unique_ptr<QWidget> window(Startup::loadMainWindow(&delegate));
    if (!window)
        return 1;
    window->resize(900, 560);
    window->show();
    delegate.applicationDidFinishLaunching();
    auto *view = window->findChild<QPlainTextEdit *>(u"textView"_s);

    view->setPlainText(
        QString(u"The keeper climbed the stairs of the lighthouse. "_s).repeated(40));
    printFirstAudio(delegate, "2 KB");

    QStringList sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]);
    if (sizes.isEmpty())
        sizes << u"10"_s;

    QTemporaryDir dir;
    QString text;
    for (const QString &size : std::as_const(sizes)) {
        // "+10" replaces the text left by the size before, which then stays
        // one Undo away, instead of starting from an empty editor.
        const bool replacing = size.startsWith(u'+');
        const QFileInfo document(size);
        const bool given = document.isFile();
        const qsizetype megabytes = given ? 0 : size.toLongLong();
        const QString path =
            given ? document.absoluteFilePath() : dir.filePath(u"large%1.txt"_s.arg(megabytes));
        if (!given && (megabytes <= 0 || !writeLargeText(path, megabytes * 1000 * 1000)))
            return 1;
        // The editor starts from a short text each time, so that each figure
        // is that of one size; spaces only, so that nobody is asked whether
        // to replace them, and they stay one Undo away.
        if (!replacing)
            view->setPlainText(u"   "_s);
        QCoreApplication::processEvents();
        const qint64 before = residentMemory().first;
        resetPeakMemory();

        QSignalSpy loaded(&delegate, &AppDelegate::fileLoadFinished);
        // A ticking timer shows how long the window stops answering meanwhile.
        QElapsedTimer timer;
        QElapsedTimer sinceTick;
        qint64 longestStallNs = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        timer.start();
        sinceTick.start();
        ticker.start();
        delegate.application(nullptr, {path});
        if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            for (QAbstractButton *button : question->buttons())
                if (button->text() == u"Yes"_s)
                    button->click();
        if (!loaded.wait(600000))
            return 1;
        view->viewport()->repaint();
        QCoreApplication::processEvents();
        const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
        longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed());
        ticker.stop();
        const auto [after, peak] = residentMemory();
        const double utf16 = double(view->document()->characterCount()) * 2;
        const QByteArray name = given ? QFile::encodeName(document.fileName())
                                      : "a " + QByteArray::number(megabytes) + " MB text file";
        std::printf("%s %s: %s in %.3f s; the window stopped "
                    "answering for at most %.3f s (goal < 0.1 s); memory: peak %.0f MB, "
                    "%.2fx the text's UTF-16 size, %.2fx once shown (goal < 3x)\n",
                    replacing ? "replace the text with" : "open and show", name.constData(),
                    loaded.first().at(1).toBool() ? "shown" : "refused", openSeconds,
                    double(longestStallNs) / 1e9, double(peak - before) / 1e6,
                    double(peak - before) / utf16, double(after - before) / utf16);
        std::fflush(stdout);
        if (megabytes == 10)
            text = view->toPlainText();
        if (!given)
            QFile::remove(path);
    }
    if (text.isEmpty())
        return 0;
    printFirstAudio(delegate, "10 MB");
    QElapsedTimer timer;

    // Words spread over the whole text, marked in a random order so that each
    // one lands far from the last, as after a selection or a long jump.
    std::vector<qsizetype> starts;
    const qsizetype step = text.size() / 1000;
    for (qsizetype i = 0; i < 1000; ++i) {
        qsizetype start = i * step;
        while (start > 0 && text.at(start - 1) != u' ' && text.at(start - 1) != u'\n')
            --start;
        starts.push_back(start);
    }
    std::vector<qsizetype> order = starts;
    std::reverse(order.begin() + 500, order.end());
    std::rotate(order.begin(), order.begin() + 333, order.end());

    std::vector<double> costs;
    for (qsizetype start : order) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u' ' && text.at(end) != u'\n')
            ++end;
        timer.restart();
        delegate.speechSynthesizer(delegate.speechSynth(),
                                   CharacterRange{quint64(start), quint64(end - start)}, QString());
        view->viewport()->repaint();
        costs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(costs.begin(), costs.end());
    std::printf("mark one word in a 10 MB text (scroll and paint included): median %.3f ms, "
                "90th percentile %.3f ms, worst %.3f ms over %zu words (goal: median < 0.2 ms)\n",
                costs[costs.size() / 2], costs[costs.size() * 9 / 10], costs.back(), costs.size());

    // The same words in reading order, as speech marks them, once with the
    // painting that follows each mark and once for the marking alone (the
    // event loop paints at most once per screen refresh however many words
    // are marked in between).
    std::sort(order.begin(), order.end());
    for (const bool paint : {true, false}) {
        costs.clear();
        for (qsizetype start : order) {
            timer.restart();
            delegate.speechSynthesizer(delegate.speechSynth(), CharacterRange{quint64(start), 4},
                                       QString());
            if (paint)
                view->viewport()->repaint();
            costs.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(costs.begin(), costs.end());
        std::printf("mark one word, reading order%s: median %.3f ms, 90th percentile %.3f ms, "
                    "worst %.3f ms\n",
                    paint ? ", painted" : ", marking alone", costs[costs.size() / 2],
                    costs[costs.size() * 9 / 10], costs.back());
    }
    return 0;
}
