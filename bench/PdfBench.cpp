// Prints the time and the memory that reading PDFs takes. Without options: a
// 500-page book (or the number of pages given) made here with QPdfWriter, 46
// lines a page under a running title with page numbers. With --hostile: the
// documents that once took the program down, each read in a process of its
// own under a 4 GiB address space, with the time it took, the peak memory of
// that process and of the process that read the PDF for it, and what came of
// it. --in-process reads in the reading process itself, as it once was.
// --scanned: the book's pages as pictures of their lines (3 pages unless a
// number is given), read with OCR, with the processor time a page takes;
// --save FILE keeps the PDF made.
// Figures only; nothing here asserts.
#include "bench/ProcessMemory.h"
#include "platform/documents/PdfText.h"
#include "tests/support/PdfMakers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace ProcessMemory;

namespace {

QList<QList<PdfMakers::Text>> book(int pageCount)
{
    const QStringList words = u"the keeper wrote of ships and storms while the lamp turned "
                              u"over dark water until morning came grey and cold"_s.split(u' ');
    QList<QList<PdfMakers::Text>> pages;
    int word = 0;
    for (int page = 0; page < pageCount; ++page) {
        QList<PdfMakers::Text> lines{{72, 40, u"A Long Book"_s}};
        for (int line = 0; line < 46; ++line) {
            QString text;
            while (text.size() < 64)
                text += words[word++ % words.size()] + u' ';
            lines.append({72, 80 + line * 15.0 + (line / 8) * 6, text.trimmed()});
        }
        lines.append({290, 820, QString::number(page + 1)});
        pages.append(lines);
    }
    return pages;
}

struct Hostile
{
    const char *name;
    std::function<QByteArray()> make;
};

const QList<Hostile> &hostile()
{
    static const QList<Hostile> cases = {
        {"a page of a million 'q '",
         [] {
             return PdfMakers::handMadePdf(PdfMakers::deflated(QByteArray("q ").repeated(1000000)),
                                           1, true);
         }},
        {"1 GB of 'q ' compressed",
         [] {
             return PdfMakers::handMadePdf(
                 PdfMakers::deflated(QByteArray("q ").repeated(1 << 19), 1024), 1, true);
         }},
        {"200,000 pages",
         [] { return PdfMakers::handMadePdf("BT /F1 12 Tf 72 700 Td ET", 200000); }},
        {"forms shown 2^40 times", [] { return PdfMakers::handMadePdf("/X Do", 1, false, 40); }},
    };
    return cases;
}

QString outcome(const Documents::Result &result)
{
    if (result.text)
        return u"%1 characters of text"_s.arg(result.text->size());
    return result.cancelled ? u"stopped"_s : u"refused: "_s + result.error;
}

// One hostile case, read here; prints one line of figures.
int readOne(int index, bool inProcess)
{
    const Hostile &hostileCase = hostile().at(index);
    const QByteArray pdf = hostileCase.make();
    constexpr rlim_t cap = rlim_t(4) << 30;
    const rlimit limit{cap, cap};
    ::setrlimit(RLIMIT_AS, &limit);
    if (!inProcess)
        Documents::setPdfWorkerProgram(QStringLiteral(TAVORIN_PROGRAM));
    resetPeak();
    QElapsedTimer clock;
    clock.start();
    const Documents::Result result = Documents::readPdf(pdf, {});
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    std::printf("%s (%.0f KB): %.1f s, peak %.0f MB here, %.0f MB in the worker; %s\n",
                hostileCase.name, double(pdf.size()) / 1e3, seconds,
                double(statusKb("VmHWM")) / 1024, double(children.ru_maxrss) / 1024,
                qPrintable(outcome(result)));
    return 0;
}

// Each case in a process of its own: an in-process read may end in an abort.
int readHostile(bool inProcess)
{
    for (qsizetype i = 0; i < hostile().size(); ++i) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList arguments{u"--case"_s, QString::number(i)};
        if (inProcess)
            arguments << u"--in-process"_s;
        QElapsedTimer clock;
        clock.start();
        run.start(QCoreApplication::applicationFilePath(), arguments);
        constexpr int patience = 120;
        if (!run.waitForFinished(patience * 1000)) {
            run.kill();
            run.waitForFinished();
            std::printf("%s: still reading after %d s\n", hostile().at(i).name, patience);
        } else if (run.exitStatus() != QProcess::NormalExit) {
            std::printf("%s: the reading process crashed after %.1f s\n", hostile().at(i).name,
                        double(clock.nsecsElapsed()) / 1e9);
        }
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const bool inProcess = arguments.contains(u"--in-process"_s);
    if (const qsizetype at = arguments.indexOf(u"--case"_s); at > 0)
        return readOne(arguments.value(at + 1).toInt(), inProcess);
    if (arguments.contains(u"--hostile"_s))
        return readHostile(inProcess);
    if (!inProcess)
        Documents::setPdfWorkerProgram(QStringLiteral(TAVORIN_PROGRAM));
    const bool scanned = arguments.contains(u"--scanned"_s);
    int pageCount = scanned ? 3 : 500;
    for (const QString &argument : arguments.mid(1)) {
        if (argument.toInt() > 0)
            pageCount = argument.toInt();
    }

    QElapsedTimer clock;
    clock.start();
    const QByteArray pdf = PdfMakers::textPdf(book(pageCount), scanned);
    const double makeMs = double(clock.nsecsElapsed()) / 1e6;
    if (const qsizetype at = arguments.indexOf(u"--save"_s); at > 0) {
        QFile file(arguments.value(at + 1));
        if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    }

    resetPeak();
    const qint64 beforeKb = statusKb("VmRSS");
    clock.restart();
    // Processor time too: on a busy machine the wall clock says little.
    const std::clock_t cpuStart = std::clock();
    const Documents::Result result = Documents::readPdf(pdf, {});
    const double readMs = double(clock.nsecsElapsed()) / 1e6;
    const double cpuMs = double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
    const qint64 peakKb = statusKb("VmHWM");
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    const double workerMs = double(children.ru_utime.tv_sec + children.ru_stime.tv_sec) * 1000 +
                            double(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1000;

    std::printf("PDF of %d pages, %.1f MB, made in %.0f ms\n", pageCount, double(pdf.size()) / 1e6,
                makeMs);
    std::printf("read: %.0f ms (%.0f ms of processor time here, %.0f ms in the worker, %.2f ms "
                "a page), %lld characters of text%s\n",
                readMs, cpuMs, workerMs, (cpuMs + workerMs) / pageCount,
                qlonglong(result.text.value_or(QString()).size()),
                result.text ? "" : qPrintable(u", failed: "_s + result.error));
    std::printf("memory: %.1f MB before reading, peak %.1f MB while reading (+%.1f MB), %.1f MB "
                "in the worker\n",
                double(beforeKb) / 1024, double(peakKb) / 1024, double(peakKb - beforeKb) / 1024,
                double(children.ru_maxrss) / 1024);
    if (scanned) {
        // Of the words on the pages, how many came back.
        const QString text = result.text.value_or(QString());
        qsizetype found = 0;
        qsizetype words = 0;
        for (const QList<PdfMakers::Text> &page : book(pageCount)) {
            for (const PdfMakers::Text &line : page.mid(1, page.size() - 2)) {
                for (const QString &word : line.text.split(u' ')) {
                    ++words;
                    found += text.contains(word);
                }
            }
        }
        std::printf("OCR: %.2f s of processor time a page; %lld of %lld words found\n",
                    (cpuMs + workerMs) / 1000 / pageCount, qlonglong(found), qlonglong(words));
    }
    return result.text ? 0 : 1;
}
