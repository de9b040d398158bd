// Prints the time to read a 1 MB EPUB (the file's size) into the editor's
// text: a book of chapters of paragraphs of varied words, made here as the
// tests make theirs. Figures only; nothing here asserts.
#include "platform/documents/ZipDocuments.h"

#include "tests/support/ZipDocumentMakers.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

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
    std::printf("EPUB of %.2f MB, %lld chapters, %.2f MB of text: read in %.1f ms (median of 7, "
                "fastest %.1f ms), %.1f ms of processor time\n",
                double(book.size()) / 1e6, static_cast<long long>(chapters.size()),
                double(length) / 1e6, times[times.size() / 2], times.front(),
                processor[processor.size() / 2]);
    return 0;
}
