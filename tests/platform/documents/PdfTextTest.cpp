#include "platform/documents/PdfText.h"
#include "platform/documents/PdfOcr.h"
#include "support/PdfMakers.h"
#include "support/TestSupport.h"

#include <thread>

using PdfMakers::Text;

namespace {

// Reads PDFs in the worker helper while it lives, or in this process.
class WorkerScope
{
public:
    explicit WorkerScope(bool inWorker, const QString &program = QStringLiteral(PDF_WORKER_HELPER))
    {
        Documents::setPdfWorkerProgram(inWorker ? program : QString());
    }
    ~WorkerScope() { Documents::setPdfWorkerProgram(QString()); }
    WorkerScope(const WorkerScope &) = delete;
    WorkerScope &operator=(const WorkerScope &) = delete;
};

// No worker, descriptor or thread of a read outlives it; the thread that
// reaped the worker may take a moment to end, as may one of the read before.
void expectNothingLeftBehind(int descriptors, int threads)
{
    EXPECT_TRUE(TestSupport::children().isEmpty());
    EXPECT_FALSE(TestSupport::hasZombieChild());
    EXPECT_EQ(TestSupport::openDescriptorCount(), descriptors);
    EXPECT_TRUE(QTest::qWaitFor([threads] { return TestSupport::threadCount() <= threads; },
                                TestSupport::Patience));
}

// Two pages under a running title with page numbers below: a word broken
// with a hyphen at a line end, a compound broken at its hyphen, and a second
// paragraph that goes on over the page break.
const QList<QList<Text>> book = {{{72, 40, u"The Quiet Lighthouse"_s},
                                  {72, 100, u"The keeper kept a careful exam-"_s},
                                  {72, 116, u"ple of patience in his log, a non-"_s},
                                  {72, 132, u"Euclidean map of the bay and a"_s},
                                  {72, 148, u"list of ships."_s},
                                  {72, 180, u"Every night he lit the lamp and"_s},
                                  {72, 196, u"watched the dark water until dawn"_s},
                                  {290, 800, u"1"_s}},
                                 {{72, 40, u"The Quiet Lighthouse"_s},
                                  {72, 100, u"came over the hills."_s},
                                  {290, 800, u"2"_s}}};

const QString bookText = u"The keeper kept a careful example of patience in his log, a "
                         u"non-Euclidean map of the bay and a list of ships.\n\n"
                         u"Every night he lit the lamp and watched the dark water until "
                         u"dawn came over the hills."_s;

} // namespace

TEST(PdfText, GivesTheTextInReadingOrderOrSaysWhyNot)
{
    const QByteArray pdf = PdfMakers::textPdf(book);
    const QByteArray locked = PdfMakers::encryptedPdf(pdf, u"user"_s, u"owner"_s);
    ASSERT_FALSE(locked.isEmpty()) << "qpdf encrypts";
    const struct
    {
        const char *name;
        QByteArray pdf;
        QByteArray password;
        QString expected; // the text, or how the error starts
        bool needsPassword = false;
    } rows[] = {
        {"a book", pdf, {}, bookText},
        // Columns one after the other, never line by line across the page.
        {"two columns",
         PdfMakers::textPdf({{{50, 100, u"The left column"_s},
                              {50, 116, u"reads first and"_s},
                              {320, 100, u"goes on in the"_s},
                              {320, 116, u"right column."_s}}}),
         {},
         u"The left column reads first and goes on in the right column."_s},
        {"the reader's password", locked, "user", bookText},
        {"the owner's password", locked, "owner", bookText},
        {"no password", locked, {}, u"error: it is locked with a password"_s, true},
        {"a wrong password", locked, "User", u"error: the password is wrong"_s, true},
        {"pictures of nothing",
         PdfMakers::textPdf({{}, {}}, true),
         {},
         u"error: no text to read"_s},
        // The format's limit; Poppler would overrun its stack with more.
        {"a password of 128 bytes", locked, QByteArray(128, 'u'),
         u"error: the password is longer than 127 bytes"_s, true},
        {"not a PDF", "%PDF-1.4\nhello", {}, u"error: it is damaged"_s},
        {"cut short", pdf.left(pdf.size() * 3 / 4), {}, u"error: it is damaged"_s},
    };
    // The same in this process and in a worker.
    for (const bool inWorker : {false, true}) {
        const WorkerScope scope(inWorker);
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(row.name) + (inWorker ? " in a worker" : ""));
            Documents::Options options;
            options.password = row.password;
            const Documents::Result result = Documents::readPdf(row.pdf, options);
            const QString got = result.text.value_or(u"error: "_s + result.error);
            EXPECT_EQ(row.expected.startsWith(u"error: ") ? got.left(row.expected.size()) : got,
                      row.expected)
                << got.toStdString();
            EXPECT_EQ(result.needsPassword, row.needsPassword);
        }
    }
}

TEST(PdfText, StopsWhenCancelledAndPastTheTextLimit)
{
    for (const bool inWorker : {false, true}) {
        SCOPED_TRACE(inWorker ? "in a worker" : "in this process");
        const WorkerScope scope(inWorker);
        std::atomic_bool cancel = false;
        QList<double> shares;
        Documents::Options options;
        options.cancel = &cancel;
        options.progress = [&](double share) {
            shares.append(share);
            cancel = true;
        };
        EXPECT_TRUE(Documents::readPdf(PdfMakers::textPdf(book), options).cancelled);
        EXPECT_EQ(shares, QList<double>{0.5});

        // In the middle of reading a scanned page.
        cancel = false;
        shares.clear();
        options.recognising = [&](int, int) { cancel = true; };
        EXPECT_TRUE(Documents::readPdf(PdfMakers::textPdf(book, true), options).cancelled);
        EXPECT_TRUE(shares.isEmpty());

        options = {};
        options.limits.maximumText = bookText.size() - 1;
        EXPECT_FALSE(Documents::readPdf(PdfMakers::textPdf(book), options).text);
    }
}

namespace {

// The share of the words of `expected` that `got` holds, each as often.
double wordsRead(const QString &expected, const QString &got)
{
    static const QRegularExpression apart(u"\\W+"_s,
                                          QRegularExpression::UseUnicodePropertiesOption);
    QStringList words = got.toLower().split(apart, Qt::SkipEmptyParts);
    const QStringList wanted = expected.toLower().split(apart, Qt::SkipEmptyParts);
    qsizetype found = 0;
    for (const QString &word : wanted)
        found += words.removeOne(word);
    return double(found) / double(wanted.size());
}

} // namespace

// A page that is a picture of its text is read from the picture, in the
// language asked for or the one the document is in; a page with its text
// layer is read as that, in the same document. Status is told of each page
// read from its picture.
TEST(PdfText, ScannedPagesAreReadFromTheirPictures)
{
    const QList<QList<Text>> german = {{{72, 100, u"Über den Bäumen hörte man früh die Vögel,"_s},
                                        {72, 118, u"während der Fluss größer und grüner wurde."_s},
                                        {72, 150, u"Am Abend schloss die Fähre ihre Türen."_s}}};
    const QString germanText = u"Über den Bäumen hörte man früh die Vögel, während der Fluss "
                               u"größer und grüner wurde. Am Abend schloss die Fähre ihre Türen."_s;
    const struct
    {
        const char *name;
        QByteArray pdf;
        QString language;
        QString expected;
        QList<int> recognised;
    } rows[] = {
        {"a scanned book", PdfMakers::textPdf(book, true), {}, bookText, {0, 1}},
        {"in German", PdfMakers::textPdf(german, true), u"deu"_s, germanText, {0}},
        {"text, then a scan", PdfMakers::textPdf(book, true, 1), {}, bookText, {1}},
    };
    for (const bool inWorker : {false, true}) {
        const WorkerScope scope(inWorker);
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(row.name) + (inWorker ? " in a worker" : ""));
            Documents::Options options;
            options.ocrLanguage = row.language;
            QList<int> recognised;
            int pages = 0;
            options.recognising = [&](int page, int count) {
                recognised.append(page);
                pages = count;
            };
            const Documents::Result result = Documents::readPdf(row.pdf, options);
            ASSERT_TRUE(result.text) << result.error.toStdString();
            EXPECT_GE(wordsRead(row.expected, *result.text), 0.9) << result.text->toStdString();
            EXPECT_EQ(recognised, row.recognised);
            EXPECT_EQ(pages, row.pdf == rows[1].pdf ? 1 : 2);
        }
        // Without time for it, no page is read from its picture.
        Documents::Options options;
        options.limits.maximumOcrPageSeconds = 0;
        EXPECT_TRUE(Documents::readPdf(rows[0].pdf, options).error.startsWith(u"no text to read"));
    }

    // The language asked for, else the document's, else the window's, else
    // English; of them only those installed.
    const QStringList installed = {u"eng"_s, u"deu"_s, u"fra"_s};
    const struct
    {
        QString asked, document, window, expected;
        bool noted = false;
    } languages[] = {
        {u"deu+eng"_s, u"fr"_s, u"fr_FR"_s, u"deu+eng"_s},
        {u"deu+xyz"_s, {}, {}, u"deu"_s, true},
        {u"xyz"_s, {}, {}, u"eng"_s, true},
        {{}, u"fr-CA"_s, u"de_DE"_s, u"fra"_s},
        {{}, {}, u"de_DE"_s, u"deu"_s},
        {{}, {}, u"ja_JP"_s, u"eng"_s, true},
        {{}, {}, u"C"_s, u"eng"_s},
    };
    for (const auto &row : languages) {
        QString note;
        EXPECT_EQ(
            Documents::Pdf::ocrLanguages(row.asked, row.document, row.window, installed, &note),
            row.expected);
        EXPECT_EQ(!note.isEmpty(), row.noted) << note.toStdString();
    }
}

// A page that asks for more memory or time than a page may take refuses the
// document with the reason, as do too many pages; the worker that read them
// is gone, and so is every descriptor and thread of the read.
TEST(PdfText, AWorkerPastItsLimitsRefusesTheDocumentAndLeavesNothingBehind)
{
    const int descriptors = TestSupport::openDescriptorCount();
    const int threads = TestSupport::threadCount();
    const struct
    {
        const char *name;
        QByteArray pdf;
        QString error;
        QString program = QStringLiteral(PDF_WORKER_HELPER);
    } rows[] = {
        {"a page of a million 'q '",
         PdfMakers::handMadePdf(PdfMakers::deflated(QByteArray("q ").repeated(1000000)), 1, true),
         u"page 1 needs more than the 64 MiB of memory allowed"_s},
        {"1 GB of 'q ' in 1 MB",
         PdfMakers::handMadePdf(PdfMakers::deflated(QByteArray("q ").repeated(1 << 19), 1024), 1,
                                true),
         u"page 1 needs more than the 64 MiB of memory allowed"_s},
        {"a form shown 2^40 times", PdfMakers::handMadePdf("/X Do", 1, false, 40),
         u"page 1 takes longer than the 2 seconds allowed"_s},
        {"four pages", PdfMakers::handMadePdf("", 4), u"it has 4 pages, more than the 3 allowed"_s},
        {"no worker", PdfMakers::textPdf(book), u"cannot start its reader: "_s,
         u"/nonexistent/tavorin"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
#ifdef __SANITIZE_ADDRESS__
        // The address sanitizer reserves its heap up front, out of reach of
        // an address-space limit.
        if (row.error.contains(u"memory"))
            continue;
#endif
        const WorkerScope scope(true, row.program);
        Documents::Options options;
        options.limits.maximumPageMemory = 64 * 1024 * 1024;
        options.limits.maximumPageSeconds = 2;
        options.limits.maximumPages = 3;
        const Documents::Result result = Documents::readPdf(row.pdf, options);
        EXPECT_FALSE(result.text);
        EXPECT_TRUE(result.error.startsWith(row.error)) << result.error.toStdString();
        expectNothingLeftBehind(descriptors, threads);
    }
}

// Cancel ends the worker in the middle of a page that would take long.
TEST(PdfText, CancelEndsTheWorkerAtOnce)
{
    const int descriptors = TestSupport::openDescriptorCount();
    const int threads = TestSupport::threadCount();
    const WorkerScope scope(true);
    std::atomic_bool cancel = false;
    Documents::Options options;
    options.cancel = &cancel;
    options.limits.maximumPageSeconds = 3600;
    Documents::Result result;
    std::thread reading([&] {
        result = Documents::readPdf(PdfMakers::handMadePdf("/X Do", 1, false, 40), options);
    });
    // Cancelled once the worker is deep in the page: a second of processor
    // time (utime, the 14th field of its stat).
    const auto busy = [] {
        for (const qint64 pid : TestSupport::children()) {
            const QByteArray stat = TestSupport::contents(u"/proc/%1/stat"_s.arg(pid));
            if (stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(11).toLongLong() >=
                sysconf(_SC_CLK_TCK))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(busy, TestSupport::Patience));
    cancel = true;
    reading.join();
    EXPECT_TRUE(result.cancelled) << result.error.toStdString();
    expectNothingLeftBehind(descriptors, threads);
}

// Paragraphs as a page shows them: lines apart by larger gaps, one line a
// paragraph; spaced-out lines whose paragraphs end in a short line; a
// contents page whose section numbers Poppler reads as a column of their
// own; and the first line of a page that is heading-sized, or indented
// otherwise than the lines before it.
TEST(PdfText, ParagraphsFollowGapsContentsEntriesAndPageStarts)
{
    const QString dots = u" . . . . . . . . . . . . . . . . . . . . "_s;
    const struct
    {
        const char *name;
        QList<QList<Text>> pages;
        QString expected;
    } rows[] = {
        {"one line a paragraph",
         {{{72, 100, u"The lamp was lit at dusk."_s},
           {72, 124, u"Ships passed in the night without a sound."_s},
           {72, 148, u"Nobody came."_s}}},
         u"The lamp was lit at dusk.\n\nShips passed in the night without a sound.\n\nNobody came."_s},
        {"spaced-out lines",
         {{{72, 100, u"The keeper kept a careful log of every ship that passed"_s},
           {72, 128, u"the point, as his father had done."_s},
           {72, 156, u"In the winter the storms came in from the west and"_s},
           {72, 184, u"the lamp burned all night."_s}}},
         u"The keeper kept a careful log of every ship that passed the point, as his father had "
         u"done.\n\nIn the winter the storms came in from the west and the lamp burned all night."_s},
        {"contents",
         {{{72, 60, u"Contents"_s, 16},
           {72, 100, u"1"_s, 14},
           {96, 100, u"The lighthouse"_s + dots + u'1', 14},
           {90, 120, u"1.1"_s},
           {126, 120, u"The keeper"_s + dots + u'2'},
           {90, 138, u"1.2"_s},
           {126, 138, u"The storms"_s + dots + u'3'},
           {72, 160, u"2"_s, 14},
           {96, 160, u"Index"_s + dots + u'4', 14}},
          {{72, 60, u"1 The lighthouse"_s, 16}, {72, 100, u"It stood on the point."_s}}},
         u"Contents\n\n1 The lighthouse"_s + dots + u"1\n\n1.1 The keeper"_s + dots +
             u"2\n\n1.2 The storms"_s + dots + u"3\n\n2 Index"_s + dots +
             u"4\n\n1 The lighthouse\n\nIt stood on the point."_s},
        {"page starts",
         {{{72, 100, u"The keeper wrote in his log every night, and what he"_s},
           {72, 116, u"wrote was this:"_s},
           {108, 132, u"the lamp is lit, the sea is calm, and"_s},
           {108, 148, u"no ship has passed the point since noon"_s}},
          {{72, 60, u"The weather turned before dawn and the keeper"_s},
           {72, 76, u"climbed the stairs to the lamp room and the"_s}},
          {{72, 60, u"The next night"_s, 15}, {72, 90, u"It rained."_s}}},
         u"The keeper wrote in his log every night, and what he wrote was this:\n\nthe lamp is "
         u"lit, the sea is calm, and no ship has passed the point since noon\n\nThe weather turned "
         u"before dawn and the keeper climbed the stairs to the lamp room and the\n\nThe next "
         u"night\n\nIt rained."_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Documents::Result result = Documents::readPdf(PdfMakers::textPdf(row.pages), {});
        EXPECT_EQ(result.text.value_or(result.error), row.expected);
    }
}
