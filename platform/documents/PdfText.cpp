#include "platform/documents/PdfText.h"

#include "platform/documents/PdfPages.h"
#include "platform/documents/PdfWorker.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>

using namespace Qt::StringLiterals;

namespace Documents {

namespace {

using Pdf::Line;
using Pdf::Page;

// The text with each run of digits as one '#': a running header or footer
// keeps its words from page to page while its page number changes.
QString withoutNumbers(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!text[i].isDigit())
            result += text[i];
        else if (i == 0 || !text[i - 1].isDigit())
            result += u'#';
    }
    return result;
}

// "12", "- 12 -", "[12]": a page number standing alone.
bool isPageNumber(const QString &text)
{
    bool digits = false;
    for (const QChar c : text) {
        if (c.isDigit())
            digits = true;
        else if (!c.isSpace() && !c.isPunct())
            return false;
    }
    return digits && text.size() <= 12;
}

// Running headers and footers: among the two topmost and the two bottommost
// lines of each page, a text (numbers aside) at the same height on several
// pages; and a page number alone at the top or bottom edge of its page.
void leaveOutRunningLines(QList<Page> &pages)
{
    const auto edgeLines = [](const Page &page) {
        QList<qsizetype> order(page.lines.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&page](qsizetype a, qsizetype b) {
            return page.lines[a].box.top() < page.lines[b].box.top();
        });
        QList<qsizetype> edges = order.mid(0, 2);
        for (qsizetype i = std::max<qsizetype>(2, order.size() - 2); i < order.size(); ++i)
            edges.append(order[i]);
        return edges;
    };
    // Heights in buckets of 4 points; a neighbouring bucket counts as the
    // same place. A damaged file may put a line anywhere, or at no number.
    const auto key = [](const Line &line) {
        const qreal bucket = line.box.center().y() / 4;
        return std::pair(withoutNumbers(line.text),
                         std::isfinite(bucket) ? int(std::lround(std::clamp(bucket, -1e6, 1e6)))
                                               : 0);
    };

    QHash<std::pair<QString, int>, int> pagesWith;
    int pagesWithText = 0;
    for (const Page &page : pages) {
        if (page.lines.isEmpty())
            continue;
        ++pagesWithText;
        QSet<std::pair<QString, int>> seen;
        for (const qsizetype i : edgeLines(page))
            seen.insert(key(page.lines[i]));
        for (const auto &k : seen)
            ++pagesWith[k];
    }
    // In the margins, two pages are enough: a book's headers change with its
    // chapters. Within the text's area, half of the pages, or three.
    const int enough = std::max(2, std::min(3, (pagesWithText + 1) / 2));

    for (Page &page : pages) {
        const QList<qsizetype> edges = edgeLines(page);
        QList<bool> running(page.lines.size(), false);
        for (qsizetype n = 0; n < edges.size(); ++n) {
            const Line &line = page.lines[edges[n]];
            const auto [text, bucket] = key(line);
            const int count = pagesWith.value({text, bucket - 1}) +
                              pagesWith.value({text, bucket}) + pagesWith.value({text, bucket + 1});
            const qreal y = line.box.center().y();
            const bool outermost = n == 0 || n == edges.size() - 1;
            const bool atEdge = y < page.height * 0.15 || y > page.height * 0.85;
            running[edges[n]] =
                count >= (atEdge ? 2 : enough) ||
                (outermost && atEdge && page.lines.size() > 1 && isPageNumber(line.text));
        }
        QList<Line> body;
        for (qsizetype i = 0; i < page.lines.size(); ++i) {
            if (!running[i])
                body.append(page.lines[i]);
        }
        page.lines = body;
    }
}

bool endsSentence(const QString &text)
{
    static const QString marks = QStringLiteral(".!?:;\"')\u201D\u2019\u00BB\u2026");
    return !text.isEmpty() && marks.contains(text.back());
}

// "• item", "1. item", "b) item": a list item, which starts a paragraph of
// its own.
bool startsItem(const QString &text)
{
    static const QString bullets =
        QStringLiteral("\u2022\u25E6\u25AA\u2023\u2043\u2219\u25CF\u25CB\u25A0\u25A1\u25BA");
    if (bullets.contains(text.front()))
        return true;
    qsizetype digits = 0;
    while (digits < text.size() && digits < 4 && text[digits].isDigit())
        ++digits;
    // A letter only before a parenthesis: "A. Smith" is a name.
    const qsizetype marker = digits > 0 ? digits : text.front().isLetter() ? 1 : 0;
    const QChar after = marker < text.size() ? text[marker] : QChar();
    return marker > 0 && marker <= 3 && (after == u')' || (digits > 0 && after == u'.')) &&
           marker + 1 < text.size() && text[marker + 1] == u' ';
}

// How a line goes on from the paragraph before it: a hyphen after a letter at
// the line end breaks a word ("exam-" "ple") when a lowercase letter follows,
// and otherwise a compound ("non-" "Euclidean", "1-" "5") that keeps it.
enum class Join { Space, Word, Compound };

Join joinOf(const QString &paragraph, const QString &next)
{
    if (paragraph.size() < 2 || next.isEmpty() || !paragraph[paragraph.size() - 2].isLetter())
        return Join::Space;
    const char16_t last = paragraph.back().unicode();
    if (last != u'-' && last != u'\u2010' && last != u'\u00AD')
        return Join::Space;
    // A soft hyphen only ever shows where a word was broken.
    if (next.front().isLower() || last == u'\u00AD')
        return Join::Word;
    return next.front().isLetterOrNumber() ? Join::Compound : Join::Space;
}

// The lines in reading order as paragraphs. A list item, and a line in a
// larger or smaller type, start one. Within a column a paragraph ends at a
// gap larger than the usual distance between lines (measured against the
// line height, so that small print counts the same) or before an indented
// first line. Where the reading goes on in the next column or on
// the next page, the paragraph goes on too, unless the line before it ended
// a sentence short of the paragraph's width or the new line is indented.
QStringList paragraphs(const QList<Line> &lines)
{
    const auto step = [&lines](qsizetype i) {
        const Line &above = lines[i - 1];
        const qreal height = std::max<qreal>(above.box.height(), 1);
        return lines[i].page != above.page ? 0.0 : (lines[i].box.top() - above.box.top()) / height;
    };
    QList<qreal> steps;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qreal s = step(i);
        if (s > 0.3 && s < 4)
            steps.append(s);
    }
    qreal usual = 1.2;
    if (!steps.isEmpty()) {
        // The lower median: gaps are the few long steps.
        const qsizetype middle = (steps.size() - 1) / 2;
        std::nth_element(steps.begin(), steps.begin() + middle, steps.end());
        usual = steps[middle];
    }
    QStringList result;
    QString paragraph;
    qreal width = 0;
    bool item = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        const qreal em = line.box.height() * 0.5;
        // The line below in the same column, if any: a first line is set in
        // from it, unless it starts a list (whose lines are set in from
        // their markers).
        const bool below = i + 1 < lines.size() && step(i + 1) > 0.3;
        const bool beforeList = below && startsItem(lines[i + 1].text);
        const bool setIn = below && !beforeList && line.box.left() - lines[i + 1].box.left() > em;
        bool starts = i == 0 || startsItem(line.text);
        if (!starts) {
            const Line &above = lines[i - 1];
            // A heading's type is larger than the text's, a note's smaller.
            const qreal heights = line.box.height() / std::max<qreal>(above.box.height(), 1);
            const qreal s = step(i);
            const bool endedShort = endsSentence(above.text) && above.box.width() < width * 0.75;
            if (heights > 1.25 || heights < 0.8) {
                starts = true;
            } else if (s > 0.3) {
                starts = s > usual * 1.3 || (!item && line.box.left() - above.box.left() > em &&
                                             (setIn || beforeList || endedShort || !below));
            } else {
                starts = (!item && setIn) || endedShort;
            }
        }
        if (starts && !paragraph.isEmpty()) {
            result.append(paragraph);
            paragraph.clear();
            width = 0;
        }
        if (paragraph.isEmpty()) {
            paragraph = line.text;
            item = startsItem(line.text);
        } else {
            const Join join = joinOf(paragraph, line.text);
            if (join == Join::Word)
                paragraph.chop(1);
            paragraph += (join == Join::Space ? u" "_s : QString()) + line.text;
        }
        width = std::max(width, line.box.width());
    }
    if (!paragraph.isEmpty())
        result.append(paragraph);
    return result;
}

Result passwordNeeded(const QByteArray &given)
{
    Result result = Result::failure(
        given.isEmpty() ? QCoreApplication::translate("PdfText", "it is locked with a password")
                        : QCoreApplication::translate("PdfText", "the password is wrong"));
    result.needsPassword = true;
    return result;
}

Result damaged(const QString &complaint)
{
    if (complaint.isEmpty())
        return Result::failure(
            QCoreApplication::translate("PdfText", "it is damaged or not a PDF document"));
    return Result::failure(
        QCoreApplication::translate("PdfText", "it is damaged or not a PDF document (%1)")
            .arg(complaint));
}

Result tooLong(qsizetype limit)
{
    return Result::failure(
        QCoreApplication::translate("PdfText", "its text is longer than %1 characters").arg(limit));
}

// The words for a read that stopped short, in this process's language.
Result refusal(const Pdf::Failure &failure, const Options &options)
{
    using Kind = Pdf::Failure::Kind;
    const int page = failure.page + 1;
    const bool opening = failure.page < 0;
    switch (failure.kind) {
    case Kind::Damaged:
        return damaged(failure.detail);
    case Kind::Locked:
        return passwordNeeded(options.password);
    case Kind::Stopped:
        return Result::stopped();
    case Kind::Memory: {
        const qint64 mebibytes = options.limits.maximumPageMemory / (1024 * 1024);
        return Result::failure(
            opening ? QCoreApplication::translate(
                          "PdfText", "opening it needs more than the %1 MiB of memory allowed")
                          .arg(mebibytes)
                    : QCoreApplication::translate(
                          "PdfText", "page %1 needs more than the %2 MiB of memory allowed")
                          .arg(page)
                          .arg(mebibytes));
    }
    case Kind::Time: {
        const int seconds = options.limits.maximumPageSeconds;
        return Result::failure(
            opening ? QCoreApplication::translate(
                          "PdfText", "opening it takes longer than the %1 seconds allowed")
                          .arg(seconds)
                    : QCoreApplication::translate(
                          "PdfText", "page %1 takes longer than the %2 seconds allowed")
                          .arg(page)
                          .arg(seconds));
    }
    case Kind::Crashed:
        return damaged(
            opening ? QCoreApplication::translate("PdfText",
                                                  "its reader ended with %1 while opening it")
                          .arg(failure.detail)
                    : QCoreApplication::translate("PdfText", "its reader ended with %1 on page %2")
                          .arg(failure.detail)
                          .arg(page));
    case Kind::Unstarted:
        return Result::failure(QCoreApplication::translate("PdfText", "cannot start its reader: %1")
                                   .arg(failure.detail));
    }
    return damaged(failure.detail);
}

// Takes the pages as they are read, within the limits, and reports the share
// read.
class PageCollector
{
public:
    explicit PageCollector(const Options &options)
        : m_options(options)
    {}

    Pdf::PageSink sink()
    {
        return {[this](int count) { return opened(count); },
                {},
                [this](Page page) { return read(std::move(page)); }};
    }

    // Why the collector stopped the read, if it did.
    const std::optional<Result> &verdict() const { return m_verdict; }
    QList<Page> &pages() { return m_pages; }

private:
    bool opened(int count)
    {
        m_count = count;
        if (count > m_options.limits.maximumPages)
            m_verdict = Result::failure(
                QCoreApplication::translate("PdfText", "it has %1 pages, more than the %2 allowed")
                    .arg(count)
                    .arg(m_options.limits.maximumPages));
        return !m_verdict;
    }

    bool read(Page page)
    {
        for (const Line &line : std::as_const(page.lines))
            m_read += line.text.size() + 1;
        m_pages.append(std::move(page));
        const qsizetype limit = m_options.limits.maximumText;
        // Headers and footers are still in; they are a small share of a page.
        if (m_read > limit + limit / 4 + 1024)
            m_verdict = tooLong(limit);
        else
            m_options.report(double(m_pages.size()) / m_count);
        if (!m_verdict && m_options.cancelled())
            m_verdict = Result::stopped();
        return !m_verdict;
    }

    const Options &m_options;
    std::optional<Result> m_verdict;
    QList<Page> m_pages;
    int m_count = 0;
    qsizetype m_read = 0;
};

std::mutex workerMutex;
QString workerProgram;

QString pdfWorkerProgram()
{
    std::lock_guard lock(workerMutex);
    return workerProgram;
}

} // namespace

Result readPdf(const QByteArray &bytes, const Options &options)
{
    // Poppler takes a longer one onto its stack, where it does not fit.
    if (options.password.size() > maximumPasswordSize) {
        Result result = Result::failure(
            QCoreApplication::translate("PdfText", "the password is longer than %1 bytes")
                .arg(maximumPasswordSize));
        result.needsPassword = true;
        return result;
    }
    PageCollector collector(options);
    const QString program = pdfWorkerProgram();
    const std::optional<Pdf::Failure> failure =
        program.isEmpty() ? Pdf::readPages(bytes, options, collector.sink())
                          : Pdf::readPagesInWorker(program, bytes, options, collector.sink());
    if (collector.verdict())
        return *collector.verdict();
    if (failure)
        return refusal(*failure, options);

    QList<Page> body = collector.pages();
    leaveOutRunningLines(body);
    QList<Line> lines;
    for (const Page &page : std::as_const(body))
        lines.append(page.lines);
    // A document of nothing but lines that repeat on every page is its own
    // text; page numbers under scanned pages are not.
    if (lines.isEmpty()) {
        for (const Page &page : std::as_const(collector.pages())) {
            for (const Line &line : page.lines) {
                if (!isPageNumber(line.text))
                    lines.append(line);
            }
        }
    }
    if (lines.isEmpty())
        return Result::failure(
            QCoreApplication::translate("PdfText", "no text to read: the pages are images"));

    QString text = paragraphs(lines).join(u"\n\n");
    if (text.size() > options.limits.maximumText)
        return tooLong(options.limits.maximumText);
    return Result::success(std::move(text));
}

void setPdfWorkerProgram(const QString &program)
{
    std::lock_guard lock(workerMutex);
    workerProgram = program;
}

int runPdfWorker()
{
    return Pdf::runWorker();
}

} // namespace Documents
