// Prints the time and the memory that reading a 500-page PDF (or the number
// of pages given) takes: a book made here with QPdfWriter, 46 lines a page
// under a running title with page numbers. Figures only; nothing here asserts.
#include "bench/ProcessMemory.h"
#include "platform/documents/PdfText.h"
#include "tests/support/PdfMakers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pageCount = argc > 1 ? std::max(1, atoi(argv[1])) : 500;

    QElapsedTimer clock;
    clock.start();
    const QByteArray pdf = PdfMakers::textPdf(book(pageCount));
    const double makeMs = double(clock.nsecsElapsed()) / 1e6;

    resetPeak();
    const qint64 beforeKb = statusKb("VmRSS");
    clock.restart();
    // Processor time too: on a busy machine the wall clock says little.
    const std::clock_t cpuStart = std::clock();
    const Documents::Result result = Documents::readPdf(pdf, {});
    const double readMs = double(clock.nsecsElapsed()) / 1e6;
    const double cpuMs = double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
    const qint64 peakKb = statusKb("VmHWM");

    std::printf("PDF of %d pages, %.1f MB, made in %.0f ms\n", pageCount, double(pdf.size()) / 1e6,
                makeMs);
    std::printf("read: %.0f ms (%.0f ms of processor time, %.2f ms a page), %lld characters "
                "of text%s\n",
                readMs, cpuMs, cpuMs / pageCount, qlonglong(result.text.value_or(QString()).size()),
                result.text ? "" : qPrintable(u", failed: "_s + result.error));
    std::printf("memory: %.1f MB before reading, peak %.1f MB while reading (+%.1f MB)\n",
                double(beforeKb) / 1024, double(peakKb) / 1024, double(peakKb - beforeKb) / 1024);
    return result.text ? 0 : 1;
}
