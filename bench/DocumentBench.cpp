// Prints the time to read a 1 MB EPUB (the file's size) into the editor's
// text: a book of chapters of paragraphs of varied words, made here as the
// tests make theirs. Then the time and peak memory of hostile documents: a
// small book whose spine repeats one long chapter, and deeply nested HTML,
// read through and cancelled. Figures only; nothing here asserts.
#include "platform/documents/DocumentReader.h"
#include "platform/documents/ZipDocuments.h"

#include "ProcessMemory.h"
#include "tests/support/ZipDocumentMakers.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Words of syllables drawn at random, so that the chapters compress about
// as much as a book's prose does.
QByteArray word(QRandomGenerator &random)
{
    static const char consonants[] = "bcdfghklmnprstvwz";
    static const char vowels[] = "aeiou";
    QByteArray made;
    for (int syllable = random.bounded(1, 4); syllable > 0; --syllable) {
        made += consonants[random.bounded(int(sizeof consonants) - 1)];
        made += vowels[random.bounded(int(sizeof vowels) - 1)];
    }
    return made;
}

QByteArray chapter(int number, QRandomGenerator &random)
{
    QByteArray body = "<h1>Chapter " + QByteArray::number(number) + "</h1>\n";
    for (int paragraph = 0; paragraph < 40; ++paragraph) {
        body += "<p>";
        for (int count = 0; count < 80; ++count)
            body += word(random) + (count % 13 == 12 ? ". " : " ");
        body += "<em>emphasis</em> and&nbsp;more.</p>\n";
    }
    return ZipDocumentMakers::xhtml("Chapter", body);
}

// Reads `bytes` as a file of this name, stopped `cancelAfterMs` into the
// read when not negative; prints the time, the peak memory and the outcome.
void hostile(const char *what, const QByteArray &bytes, const QString &name, int cancelAfterMs = -1)
{
    std::atomic_bool cancel = false;
    Documents::Options options;
    options.cancel = &cancel;
    ProcessMemory::resetPeak();
    QElapsedTimer timer;
    timer.start();
    std::thread canceller;
    if (cancelAfterMs >= 0)
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(cancelAfterMs));
            cancel = true;
        });
    const Documents::Result result = Documents::read(bytes, name, options);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (canceller.joinable())
        canceller.join();
    const QString outcome = result.cancelled ? u"cancelled"_s
                            : result.text    ? u"%1 characters"_s.arg(result.text->size())
                                             : result.error;
    std::printf("%s (%.1f KB): %.0f ms, peak %lld MB: %s\n", what, double(bytes.size()) / 1e3, ms,
                ProcessMemory::statusKb("VmHWM") / 1024, qPrintable(outcome));
}

void hostileDocuments()
{
    QByteArray spine;
    for (int i = 0; i < 20000; ++i)
        spine += "<itemref idref=\"c\"/>";
    const QByteArray book = ZipDocumentMakers::zip(
        {{"mimetype", "application/epub+zip", true},
         {"META-INF/container.xml", "<container><rootfiles><rootfile "
                                    "full-path=\"c.opf\"/></rootfiles></container>"},
         {"c.opf", "<package><manifest><item id=\"c\" href=\"c.xhtml\" "
                   "media-type=\"application/xhtml+xml\"/></manifest><spine>" +
                       spine + "</spine></package>"},
         {"c.xhtml",
          ZipDocumentMakers::xhtml("C", "<p>" + QByteArray("word ").repeated(200000) + "</p>")}});
    hostile("EPUB listing a chapter of a million characters 20,000 times", book, u"b.epub"_s);
    for (const int depth : {8000, 32000, 100000}) {
        const QByteArray page = "<!DOCTYPE html><html><body>" +
                                QByteArray("<div>").repeated(depth) + "deep" +
                                QByteArray("</div>").repeated(depth) + "</body></html>";
        hostile(QByteArray(QByteArray::number(depth) + " nested divs").constData(), page,
                u"p.html"_s);
    }
    // A million line breaks 256 elements deep, and stray end tags there.
    for (const QByteArray &inside : {QByteArray("<br>"), QByteArray("</x>")}) {
        const QByteArray page = "<html><body>" + QByteArray("<div>").repeated(256) +
                                inside.repeated(1000000) + "</body></html>";
        const QByteArray what = "a million " + inside + " 256 elements deep";
        hostile(what.constData(), page, u"p.html"_s);
        hostile(QByteArray(what + ", cancelled after 20 ms").constData(), page, u"p.html"_s, 20);
    }
}

} // namespace

int main()
{
    QRandomGenerator random(1);
    QList<std::pair<QByteArray, QByteArray>> chapters;
    QByteArray book;
    while (book.size() < 1024 * 1024) {
        for (int i = 0; i < 10; ++i)
            chapters.append({"Text/chapter" + QByteArray::number(chapters.size()) + ".xhtml",
                             chapter(int(chapters.size()) + 1, random)});
        book = ZipDocumentMakers::epub(chapters);
    }
    // The processor time too: on a busy machine the wall clock says more
    // about the others.
    std::vector<double> times;
    std::vector<double> processor;
    qsizetype length = 0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t started = std::clock();
        const Documents::Result result = Documents::readZipDocument(book, {});
        processor.push_back(double(std::clock() - started) * 1000 / CLOCKS_PER_SEC);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!result.text) {
            std::printf("read failed: %s\n", qPrintable(result.error));
            return 1;
        }
        length = result.text->size();
    }
    std::sort(times.begin(), times.end());
    std::sort(processor.begin(), processor.end());
    std::printf("EPUB of %.2f MB, %lld chapters, %.2f MB of text: read in %.1f "
                "ms (median of 7, "
                "fastest %.1f ms), %.1f ms of processor time\n",
                double(book.size()) / 1e6, static_cast<long long>(chapters.size()),
                double(length) / 1e6, times[times.size() / 2], times.front(),
                processor[processor.size() / 2]);
    hostileDocuments();
    return 0;
}
