#include "platform/documents/PdfText.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QSet>

#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <numeric>

using namespace Qt::StringLiterals;

namespace Documents {

namespace {

// Poppler reports what it finds wrong in a file through one process-wide
// function, by default to the debug output, and also about files it reads
// well. Reads keep the first report made on their own thread: it is the
// reason a damaged file gives.
thread_local QString *firstComplaint = nullptr;

void keepComplaint(const QString &message, const QVariant &)
{
    // "Syntax Error (1234): Illegal character": the words after the kind.
    if (firstComplaint && firstComplaint->isEmpty()) {
        const qsizetype kind = message.indexOf(u": ");
        *firstComplaint = (kind < 0 ? message : message.mid(kind + 2)).trimmed();
    }
}

class ComplaintScope
{
public:
    ComplaintScope()
    {
        static std::once_flag once;
        std::call_once(once, [] { Poppler::setDebugErrorFunction(keepComplaint, QVariant()); });
        firstComplaint = &m_complaint;
    }
    ~ComplaintScope() { firstComplaint = nullptr; }
    ComplaintScope(const ComplaintScope &) = delete;
    ComplaintScope &operator=(const ComplaintScope &) = delete;

    QString complaint() const { return m_complaint; }

private:
    QString m_complaint;
};

bool stopRequested(const QVariant &closure)
{
    return reinterpret_cast<const std::atomic_bool *>(closure.value<quintptr>())
        ->load(std::memory_order_relaxed);
}

struct Line
{
    QString text;
    QRectF box;
    int page = 0;
};

struct Page
{
    QList<Line> lines;
    qreal height = 0;
};

// A word as the editor should get it: ligatures apart into their letters,
// control characters that broken font maps produce left out.
void appendWord(QString &line, const QString &word)
{
    for (const QChar c : word) {
        if (c.unicode() >= 0xFB00 && c.unicode() <= 0xFB06)
            line += QString(c).normalized(QString::NormalizationForm_KC);
        else if (c.category() != QChar::Other_Control)
            line += c;
    }
}

// Poppler's text layout gives the words of a page in reading order (the
// columns of a page one after the other), each line's words linked to the
// next. Page::text() instead gathers lines by their height on the page, so
// that two columns interleave line by line.
Page readPage(const Poppler::Page &source, int index, const Options &options)
{
    Page page;
    page.height = source.pageSizeF().height();
    const std::vector<std::unique_ptr<Poppler::TextBox>> words =
        options.cancel ? source.textList(Poppler::Page::Rotate0, stopRequested,
                                         QVariant::fromValue(quintptr(options.cancel)))
                       : source.textList();
    Line line;
    line.page = index;
    for (const std::unique_ptr<Poppler::TextBox> &word : words) {
        line.box = line.text.isEmpty() ? word->boundingBox() : line.box | word->boundingBox();
        appendWord(line.text, word->text());
        if (word->nextWord()) {
            if (word->hasSpaceAfter())
                line.text += u' ';
            continue;
        }
        line.text = line.text.trimmed();
        if (!line.text.isEmpty())
            page.lines.append(line);
        line.text.clear();
    }
    line.text = line.text.trimmed();
    if (!line.text.isEmpty())
        page.lines.append(line);
    return page;
}

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

} // namespace

Result readPdf(const QByteArray &bytes, const Options &options)
{
    ComplaintScope complaints;
    // The password opens the document as its owner's or its reader's,
    // whichever it is.
    const std::unique_ptr<Poppler::Document> document =
        Poppler::Document::loadFromData(bytes, options.password, options.password);
    if (!document)
        return damaged(complaints.complaint());
    if (document->isLocked())
        return passwordNeeded(options.password);

    const int count = document->numPages();
    if (count <= 0)
        return damaged(complaints.complaint());
    QList<Page> pages;
    qsizetype read = 0;
    for (int i = 0; i < count; ++i) {
        if (options.cancelled())
            return Result::stopped();
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            return damaged(complaints.complaint());
        pages.append(readPage(*page, i, options));
        if (options.cancelled())
            return Result::stopped();
        for (const Line &line : std::as_const(pages.back().lines))
            read += line.text.size() + 1;
        // Headers and footers are still in; they are a small share of a page.
        if (read > options.limits.maximumText + options.limits.maximumText / 4 + 1024)
            return tooLong(options.limits.maximumText);
        options.report(double(i + 1) / count);
    }

    QList<Page> body = pages;
    leaveOutRunningLines(body);
    QList<Line> lines;
    for (const Page &page : std::as_const(body))
        lines.append(page.lines);
    // A document of nothing but lines that repeat on every page is its own
    // text; page numbers under scanned pages are not.
    if (lines.isEmpty()) {
        for (const Page &page : std::as_const(pages)) {
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

} // namespace Documents
