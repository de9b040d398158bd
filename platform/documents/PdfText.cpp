#include "platform/documents/PdfText.h"

#include "platform/documents/OutlineBounds.h"
#include "platform/documents/PdfPages.h"
#include "platform/documents/PdfWorker.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QRegularExpression>
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

// ". . . . .", "·····", "……": the dots that lead a contents entry to its
// page number.
const QString leaderPattern = QStringLiteral("(?:(?:[.\u00B7]\\s?){4,}|\u2026{2,})");

bool holdsLeader(const QString &text)
{
    static const QRegularExpression leader(leaderPattern);
    return text.contains(leader);
}

// A contents entry ends with its leader and page number: what follows is
// another entry, or the text after the contents.
bool endsEntry(const QString &text)
{
    static const QRegularExpression entry(leaderPattern + u"\\s*\\S{0,8}$"_s);
    return entry.match(text).hasMatch();
}

// Poppler reads the columns of a contents page one after the other: the
// section numbers, then the titles with their leaders, then the page
// numbers. Each entry is put together again, in its reading order, from the
// pieces on its baseline: a short label just before the leader's line and
// a page number just after it.
void joinContentsEntries(QList<Line> &lines)
{
    // A contents page has a few dozen lines; a page of thousands has no
    // contents to join, and would take long to look through.
    if (lines.size() > 400)
        return;
    QList<bool> taken(lines.size(), false);
    QList<std::optional<Line>> joined(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (taken[i] || !holdsLeader(lines[i].text))
            continue;
        Line entry = lines[i];
        const qreal em = entry.box.height();
        qsizetype before = -1;
        qsizetype after = -1;
        for (qsizetype j = 0; j < lines.size(); ++j) {
            const Line &piece = lines[j];
            if (j == i || taken[j] || std::abs(piece.box.bottom() - entry.box.bottom()) > em * 0.3)
                continue;
            const qreal gapBefore = entry.box.left() - piece.box.right();
            const qreal gapAfter = piece.box.left() - entry.box.right();
            if (gapBefore >= 0 && gapBefore < em * 2.5 && piece.text.size() <= 16 &&
                !holdsLeader(piece.text) &&
                (before < 0 || piece.box.right() > lines[before].box.right()))
                before = j;
            else if (gapAfter >= 0 && gapAfter < em * 2.5 && isPageNumber(piece.text) &&
                     (after < 0 || piece.box.left() < lines[after].box.left()))
                after = j;
        }
        qsizetype at = i;
        for (const qsizetype j : {before, after}) {
            if (j < 0)
                continue;
            taken[j] = true;
            at = std::min(at, j);
            entry.box |= lines[j].box;
        }
        if (before >= 0)
            entry.text = lines[before].text + u' ' + entry.text;
        if (after >= 0)
            entry.text += u' ' + lines[after].text;
        taken[i] = true;
        joined[at] = entry;
    }
    QList<Line> result;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (joined[i])
            result.append(*joined[i]);
        else if (!taken[i])
            result.append(lines[i]);
    }
    lines = result;
}

// The lower median: of steps, the few long ones are gaps; of heights, the
// few large ones headings.
qreal lowerMedian(QList<qreal> values, qreal otherwise)
{
    if (values.isEmpty())
        return otherwise;
    const qsizetype middle = (values.size() - 1) / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    return values[middle];
}

// The lines in reading order as paragraphs. A list item, a line in a larger
// or smaller type, and the line after a contents entry start one. Within a
// column a paragraph ends at a gap larger than the usual distance between
// lines (measured against the line height, so that small print counts the
// same) or before an indented first line. Between lines further apart than
// the lines of one paragraph ever are, a line that ends a sentence short of
// its column ends its paragraph; in a document where hardly a line runs on
// into the next (one line a paragraph, as many generators write), each such
// line is a paragraph of its own.
// Where the reading goes on in the next column or on the next page, the
// paragraph goes on too, unless the line before it ended a sentence short
// of the paragraph's width, or the new line is set in, heading-sized or
// indented otherwise than the paragraph's lines before it.
// `firstPages` takes the page of each paragraph's first line.
QStringList paragraphs(const QList<Line> &lines, QList<int> &firstPages)
{
    const auto step = [&lines](qsizetype i) {
        const Line &above = lines[i - 1];
        const qreal height = std::max<qreal>(above.box.height(), 1);
        return lines[i].page != above.page ? 0.0 : (lines[i].box.top() - above.box.top()) / height;
    };
    QList<qreal> steps;
    QList<qreal> heights;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        heights.append(lines[i].box.height());
        const qreal s = i > 0 ? step(i) : 0;
        if (s > 0.3 && s < 4)
            steps.append(s);
    }
    const qreal usual = lowerMedian(steps, 1.2);
    const qreal body = lowerMedian(heights, 1);
    // A step of more than this many line heights is more than the lines of
    // one paragraph are ever apart.
    constexpr qreal spacedOut = 1.3;

    // The columns: runs of lines one below the other, with their edges. The
    // right edge is the furthest that two lines reach, so that one line
    // past the margin (a long name, a line of code) does not move it.
    struct Column
    {
        qreal left = 0;
        qreal right = 0;
    };
    QList<Column> columns;
    QList<qsizetype> columnOf(lines.size());
    QList<qreal> rights;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRectF &box = lines[i].box;
        if (i == 0 || step(i) <= 0.3)
            columns.append({box.left(), 0});
        columns.back().left = std::min(columns.back().left, box.left());
        columnOf[i] = columns.size() - 1;
        rights.append(box.right());
        if (i + 1 < lines.size() && step(i + 1) > 0.3)
            continue;
        std::sort(rights.begin(), rights.end(), std::greater<>());
        const auto shared =
            std::adjacent_find(rights.begin(), rights.end(),
                               [&box](qreal a, qreal b) { return a - b < box.height() * 0.5; });
        columns.back().right = shared != rights.end() ? *shared : rights.front();
        rights.clear();
    }
    // A line of running text reaches (near) its column's right edge and
    // goes on in the line below; in a document of one-line paragraphs hardly
    // a line does.
    const auto reaches = [&](qsizetype i) {
        const Column &column = columns[columnOf[i]];
        return lines[i].box.right() >= column.left + (column.right - column.left) * 0.85;
    };
    const auto runsOn = [&](qsizetype i) { return reaches(i) && !endsSentence(lines[i].text); };
    qsizetype running = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        running += columnOf[i + 1] == columnOf[i] && runsOn(i);
    const bool lineParagraphs = running * 4 < lines.size() - columns.size();

    QStringList result;
    QString paragraph;
    qsizetype paragraphLines = 0;
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
        bool starts = i == 0 || startsItem(line.text) || endsEntry(lines[i - 1].text);
        if (!starts) {
            const Line &above = lines[i - 1];
            // A heading's type is larger than the text's, a note's smaller.
            const qreal sizes = line.box.height() / std::max<qreal>(above.box.height(), 1);
            const qreal s = step(i);
            const bool endedShort = endsSentence(above.text) && above.box.width() < width * 0.75;
            if (sizes > 1.25 || sizes < 0.8) {
                starts = true;
            } else if (s > 0.3) {
                starts = s > usual * 1.3 ||
                         (s > spacedOut &&
                          (lineParagraphs ? !runsOn(i - 1)
                                          : endsSentence(above.text) && !reaches(i - 1))) ||
                         (!item && line.box.left() - above.box.left() > em &&
                          (setIn || beforeList || endedShort || !below));
            } else {
                const qreal indent = line.box.left() - columns[columnOf[i]].left;
                const qreal aboveIndent = above.box.left() - columns[columnOf[i - 1]].left;
                starts = endedShort || line.box.height() > body * 1.2 ||
                         (!item &&
                          (setIn || (paragraphLines >= 2 && std::abs(indent - aboveIndent) > em)));
            }
        }
        if (starts && !paragraph.isEmpty()) {
            result.append(paragraph);
            paragraph.clear();
            paragraphLines = 0;
            width = 0;
        }
        if (paragraph.isEmpty()) {
            paragraph = line.text;
            firstPages.append(line.page);
            item = startsItem(line.text);
        } else {
            const Join join = joinOf(paragraph, line.text);
            if (join == Join::Word)
                paragraph.chop(1);
            paragraph += (join == Join::Space ? u" "_s : QString()) + line.text;
        }
        ++paragraphLines;
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
        const int seconds = failure.recognising ? options.limits.maximumOcrPageSeconds
                                                : options.limits.maximumPageSeconds;
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
                [this](Page page) { return read(std::move(page)); },
                [this](TextOutline outline) { m_outline = std::move(outline); },
                [this](int index) {
                    if (m_options.recognising)
                        m_options.recognising(index, m_count);
                },
                [](const QString &line) { Log::write(line); }};
    }
    // The outline, each chapter's offset the page it leads to.
    const TextOutline &outline() const { return m_outline; }

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
    TextOutline m_outline;
    int m_count = 0;
    qsizetype m_read = 0;
};

// The outline's chapters where their pages' text begins: the first
// paragraph that starts on the page, or after it when the page starts with
// one that goes on from the page before. A chapter on a page after the
// last text has nowhere to begin.
TextOutline placeOutline(TextOutline outline, const QStringList &paragraphs,
                         const QList<int> &firstPages)
{
    QList<qsizetype> starts;
    qsizetype at = 0;
    for (const QString &paragraph : paragraphs) {
        starts.append(at);
        at += paragraph.size() + 2;
    }
    for (TextChapter &chapter : outline.chapters) {
        const auto first = std::lower_bound(firstPages.cbegin(), firstPages.cend(), chapter.offset);
        chapter.offset = first == firstPages.cend() ? -1 : starts.at(first - firstPages.cbegin());
    }
    outline.chapters =
        Outline::bounded(std::move(outline.chapters), std::max<qsizetype>(at - 2, 0));
    return outline;
}

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
    for (Page &page : body) {
        joinContentsEntries(page.lines);
        lines.append(page.lines);
    }
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

    QList<int> firstPages;
    const QStringList found = paragraphs(lines, firstPages);
    QString text = found.join(u"\n\n");
    if (text.size() > options.limits.maximumText)
        return tooLong(options.limits.maximumText);
    Result result = Result::success(std::move(text));
    result.outline = placeOutline(collector.outline(), found, firstPages);
    return result;
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
