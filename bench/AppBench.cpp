// Prints how the window copes with a large text: the time to open a 10 MB
// text file and show it, and the cost of marking one spoken word in it.
// Figures only; nothing here asserts.
#include "app/AppDelegate.h"
#include "app/Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString largeText(qsizetype bytes)
{
    const QStringList words{u"lighthouse"_s, u"keeper"_s,  u"climbed"_s, u"the"_s, u"stairs"_s,
                            u"évening"_s,    u"harbour"_s, u"gulls"_s,   u"a"_s,   u"wind"_s};
    QString text;
    text.reserve(bytes);
    int word = 0;
    while (text.size() < bytes) {
        text += words.at(word % words.size());
        text += (++word % 12 == 0) ? u'\n' : u' ';
    }
    return text;
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

    QTemporaryDir dir;
    const QString path = dir.filePath(u"large.txt"_s);
    const QString text = largeText(10 * 1024 * 1024);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(text.toUtf8());
    }

    QSignalSpy loaded(&delegate, &AppDelegate::fileLoadFinished);
    QElapsedTimer timer;
    timer.start();
    {
        QPlainTextEdit probe;
        probe.setPlainText(text);
        std::printf("  (setPlainText alone, 10 MB, hidden editor: %.3f s)\n",
                    double(timer.nsecsElapsed()) / 1e9);
    }
    // A ticking timer shows how long the window stops answering meanwhile.
    QElapsedTimer sinceTick;
    qint64 longestStallNs = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    timer.restart();
    sinceTick.start();
    ticker.start();
    delegate.application(nullptr, {path});
    if (!loaded.wait(60000))
        return 1;
    view->viewport()->repaint();
    QCoreApplication::processEvents();
    const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
    longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed());
    ticker.stop();
    std::printf("open and show a 10 MB text file: %.3f s (goal < 0.5 s); the window stopped "
                "answering for at most %.3f s of it\n",
                openSeconds, double(longestStallNs) / 1e9);

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
