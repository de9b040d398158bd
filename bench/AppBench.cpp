// Prints how the window copes with a large text of each shape: the time to
// open a text file and show it, the longest time the window stopped
// answering meanwhile and the memory it took against the text's UTF-16
// size; then the longest stall (and the median) of scrolling, resizing the
// window, marking words, typing and Undo in it, and of speaking the same
// text handed over by another launch, which shows in the strip above the
// editor. The first audio of a fresh Play against that after a move to the
// next sentence is printed for a short text and for the 10 MB text of short
// lines. Figures only; nothing here asserts.
//
// Arguments, each opened in turn: a shape with its size in MB ("line:10"),
// a shape alone (10 MB), a size alone (lines of twelve words), "+10" (lines
// that replace the text before, which then stays one Undo away) or the name
// of an existing document. Without any, every shape at 10 MB.
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
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Pieces each shape repeats, with what comes between them.
struct Shape
{
    const char *name;
    QStringList pieces;
    QString between;
    // A line of `longLine` bytes of the pieces after every `shortLines`
    // short ones, for long lines among short ones.
    int shortLines = 0;
    qsizetype longLine = 0;
};

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> all{
        // Lines of twelve words.
        {"lines",
         {u"lighthouse"_s, u"keeper"_s, u"climbed"_s, u"the"_s, u"stairs"_s, u"évening"_s,
          u"harbour"_s, u"gulls"_s, u"a"_s, u"wind"_s},
         u" "_s},
        // One line without a space, as a minified page or a dump.
        {"line",
         {uR"({"keeper":"lighthouse","stairs":[1,2,3],"wind":"évening"},)"_s,
          uR"({"gulls":"harbour","a":null,"climbed":true},)"_s},
         QString()},
        // One paragraph of sentences, as a text pasted from a PDF.
        {"paragraph",
         {u"The keeper climbed the stairs of the lighthouse at évening."_s,
          u"Gulls cried over the harbour, and a wind rose from the sea."_s},
         u" "_s},
        // Lines of a megabyte among short ones.
        {"long",
         {u"The keeper climbed the stairs of the lighthouse at évening."_s,
          u"Gulls cried over the harbour, and a wind rose from the sea."_s},
         u" "_s,
         50,
         1000 * 1000},
        // One paragraph of Arabic.
        {"rtl",
         {u"صعد حارس المنارة الدرج في المساء."_s, u"حلقت النوارس فوق الميناء وهبت ريح من البحر."_s},
         u" "_s},
        // One paragraph of letters under three marks each.
        {"combining",
         {u"T\u0331\u0303\u0301he\u0323\u0302\u0300 ke\u0328\u0306\u0301ep\u0323\u0308\u0304e"
          "\u0330\u0306\u0300r\u0326\u0303\u0301 cli\u0324\u0302\u0303mbe\u0323\u0306\u0301d."_s},
         u" "_s},
        // One line of Chinese, which has no spaces.
        {"cjk",
         {u"灯塔看守人在傍晚爬上了楼梯。"_s, u"海鸥在港口上空鸣叫，海上起了风。"_s},
         QString()},
    };
    return all;
}

const Shape *shapeNamed(const QString &name)
{
    for (const Shape &shape : shapes()) {
        if (name == QLatin1StringView(shape.name))
            return &shape;
    }
    return nullptr;
}

// About `bytes` of UTF-8 text in `shape`.
QString shapedText(const Shape &shape, qsizetype bytes)
{
    QString text;
    qsizetype written = 0;
    qsizetype lineBytes = 0;
    int piece = 0;
    int shortLine = 0;
    const bool lines = QLatin1StringView(shape.name) == "lines"_L1;
    while (written < bytes) {
        QString next = shape.pieces.at(piece % shape.pieces.size());
        ++piece;
        if (lines && piece % 12 == 0) {
            next += u'\n';
        } else if (shape.longLine > 0 && lineBytes >= shape.longLine) {
            next += u'\n';
            for (int i = 0; i < shape.shortLines; ++i, ++shortLine)
                next += u"A short line, number %1.\n"_s.arg(shortLine);
            lineBytes = 0;
        } else {
            next += shape.between;
        }
        const qsizetype size = next.toUtf8().size();
        written += size;
        lineBytes += size;
        text += next;
    }
    return text;
}

qint64 residentBytes(const char *key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0)
            return std::stoll(line.substr(std::string(key).size())) * 1024;
    }
    return 0;
}

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The median and the worst of a number of timings, in milliseconds.
struct Costs
{
    double median = 0;
    double worst = 0;
};

// Times `runs` calls of `step` (given its number), each with the painting
// and the events that follow it: for that long the window does not answer.
Costs timeSteps(QPlainTextEdit *view, int runs, const std::function<void(int)> &step)
{
    std::vector<double> costs;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        timer.start();
        step(run);
        QCoreApplication::processEvents();
        view->viewport()->repaint();
        costs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(costs.begin(), costs.end());
    return {costs[costs.size() / 2], costs.back()};
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

void stopSpeech(AppDelegate &delegate)
{
    delegate.doStop(nullptr);
    static_cast<void>(
        QTest::qWaitFor([&] { return !delegate.speechSynth()->isSpeaking(); }, 10000));
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
        stopSpeech(delegate);
        words = 0;
        play.push_back(firstAudioAfter(synth, [&] { delegate.doPlay(nullptr); }));
        static_cast<void>(QTest::qWaitFor([&] { return words >= 2; }, 10000));
        move.push_back(firstAudioAfter(synth, [&] { delegate.doNextSentence(nullptr); }));
    }
    stopSpeech(delegate);
    QObject::disconnect(counting);
    for (auto *runs : {&play, &move})
        std::sort(runs->begin(), runs->end());
    std::printf("first audio in a %s text: fresh Play median %.2f ms (best %.2f, worst %.2f); "
                "after a sentence jump median %.2f ms (best %.2f, worst %.2f)\n",
                label, play[play.size() / 2], play.front(), play.back(), move[move.size() / 2],
                move.front(), move.back());
    std::fflush(stdout);
}

// Starts of `count` runs of four characters spread over the text, in an
// order where each lands far from the last, as after a selection or a long
// jump; none splits a surrogate pair.
std::vector<qsizetype> spreadStarts(const QString &text, qsizetype count)
{
    std::vector<qsizetype> starts;
    for (qsizetype i = 0; i < count; ++i) {
        qsizetype start = (text.size() - 4) * i / count;
        while (start > 0 && text.at(start).isLowSurrogate())
            --start;
        starts.push_back(start);
    }
    std::reverse(starts.begin() + count / 2, starts.end());
    std::rotate(starts.begin(), starts.begin() + count / 3, starts.end());
    return starts;
}

void markWords(AppDelegate &delegate, const std::vector<qsizetype> &starts, int run)
{
    delegate.speechSynthesizer(delegate.speechSynth(),
                               CharacterRange{quint64(starts[size_t(run)]), 4}, QString());
}

// Opens `path` through the window as the desktop would; the shown text's
// figures. False when it was not shown.
bool openAndShow(AppDelegate &delegate, QPlainTextEdit *view, const QString &path,
                 const QByteArray &name, bool replacing)
{
    // The editor starts from a short text each time, so that each figure
    // is that of one text; spaces only, so that nobody is asked whether to
    // replace them, and they stay one Undo away.
    if (!replacing)
        view->setPlainText(u"   "_s);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // What the texts before left free would otherwise be taken again
    // without showing in the resident size.
    malloc_trim(0);
    const qint64 before = residentBytes("VmRSS:");
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
    if (!loaded.wait(900000))
        return false;
    view->viewport()->repaint();
    QCoreApplication::processEvents();
    const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
    longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed());
    ticker.stop();
    const qint64 after = residentBytes("VmRSS:");
    const qint64 peak = residentBytes("VmHWM:");
    const double utf16 = double(view->document()->characterCount()) * 2;
    const bool shown = loaded.first().at(1).toBool();
    std::printf("%s %s: %s in %.3f s (goal < 2 s); the window stopped answering for at most "
                "%.3f s (goal < 0.1 s); memory: peak %.0f MB, %.2fx the text's UTF-16 size, "
                "%.2fx once shown (goal < 3x)\n",
                replacing ? "replace the text with" : "open and show", name.constData(),
                shown ? "shown" : "refused", openSeconds, double(longestStallNs) / 1e9,
                double(peak - before) / 1e6, double(peak - before) / utf16,
                double(after - before) / utf16);
    std::fflush(stdout);
    return shown;
}

void printCosts(const char *what, const Costs &costs)
{
    std::printf("  %s: median %.2f ms, worst %.2f ms\n", what, costs.median, costs.worst);
    std::fflush(stdout);
}

// Scrolling, resizing, marking words, typing and Undo in the text shown,
// which is `text`.
void exercise(AppDelegate &delegate, QWidget *window, QPlainTextEdit *view, const QString &text)
{
    QScrollBar *bar = view->verticalScrollBar();
    printCosts("scroll to 40 places", timeSteps(view, 40, [&](int run) {
                   bar->setValue(int(qint64(bar->maximum()) * ((run * 17) % 41) / 40));
               }));
    printCosts("page down 20 times",
               timeSteps(view, 20, [&](int) { QTest::keyClick(view, Qt::Key_PageDown); }));
    const int sizes[] = {700, 1100, 900, 640, 1280, 900};
    printCosts("resize the window 6 times", timeSteps(view, 6, [&](int run) {
                   window->resize(sizes[run], 560 + run % 2 * 100);
               }));

    // Marks follow a speech of the whole text, which has begun.
    delegate.doPlay(nullptr);
    stopSpeech(delegate);
    const std::vector<qsizetype> starts = spreadStarts(text, 200);
    printCosts("mark 200 words far apart",
               timeSteps(view, 200, [&](int run) { markWords(delegate, starts, run); }));

    QTextCursor middle = view->textCursor();
    middle.setPosition(view->document()->characterCount() / 2);
    view->setTextCursor(middle);
    view->setFocus();
    const int undoSteps = view->document()->availableUndoSteps();
    const QString typed = u"harbour"_s;
    printCosts("type 7 letters in the middle", timeSteps(view, 7, [&](int run) {
                   QTest::keyClick(view, typed.at(run).toLatin1());
               }));
    printCosts("Return, then Backspace", timeSteps(view, 2, [&](int run) {
                   QTest::keyClick(view, run == 0 ? Qt::Key_Return : Qt::Key_Backspace);
               }));
    printCosts("Undo each step of the typing",
               timeSteps(view, view->document()->availableUndoSteps() - undoSteps,
                         [&](int) { QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier); }));
}

// The same text handed over by another launch: the strip shows it while it
// is spoken, and marks its words.
void speakHanded(AppDelegate &delegate, QPlainTextEdit *view, const QString &text)
{
    printCosts("hand the text over to be spoken",
               timeSteps(view, 1, [&](int) { delegate.applicationSpeak(nullptr, text); }));
    const std::vector<qsizetype> starts = spreadStarts(text, 200);
    printCosts("mark 200 words far apart in the strip",
               timeSteps(view, 200, [&](int run) { markWords(delegate, starts, run); }));
    stopSpeech(delegate);
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
    auto *strip = window->findChild<QPlainTextEdit *>(u"spokenTextView"_s);

    view->setPlainText(
        QString(u"The keeper climbed the stairs of the lighthouse. "_s).repeated(40));
    printFirstAudio(delegate, "2 KB");

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.isEmpty()) {
        for (const Shape &shape : shapes())
            arguments << QLatin1StringView(shape.name);
    }

    QTemporaryDir dir;
    for (const QString &argument : std::as_const(arguments)) {
        const QFileInfo document(argument);
        const bool given = document.isFile();
        const bool replacing = argument.startsWith(u'+');
        const Shape *shape = shapeNamed(argument.section(u':', 0, 0));
        const qsizetype megabytes =
            shape ? (argument.contains(u':') ? argument.section(u':', 1).toLongLong() : 10)
                  : argument.toLongLong();
        if (!shape)
            shape = &shapes().front();
        QString text;
        QString path = document.absoluteFilePath();
        QByteArray name = QFile::encodeName(document.fileName());
        if (!given) {
            if (megabytes <= 0)
                return 1;
            text = shapedText(*shape, megabytes * 1000 * 1000);
            path = dir.filePath(u"%1-%2.txt"_s.arg(QLatin1StringView(shape->name)).arg(megabytes));
            QFile file(path);
            const QByteArray utf8 = text.toUtf8();
            if (!file.open(QIODevice::WriteOnly) || file.write(utf8) != utf8.size())
                return 1;
            name = "a " + QByteArray::number(megabytes) + " MB text of shape " + shape->name;
        }
        if (!openAndShow(delegate, view, path, name, replacing))
            continue;
        if (given)
            text = view->toPlainText();
        if (megabytes == 10 && shape == &shapes().front() && !replacing)
            printFirstAudio(delegate, "10 MB");
        exercise(delegate, window.get(), view, text);
        if (strip)
            speakHanded(delegate, strip, text);
        QFile::remove(path);
    }
    return 0;
}
