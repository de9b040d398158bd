#include "platform/documents/PdfPages.h"

#include "platform/documents/OutlineBounds.h"
#include "platform/documents/PdfOcr.h"

#include <QRegularExpression>

#include <poppler-qt6.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace Documents::Pdf {

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

// The outline's entries in order, nested ones flattened with their depth;
// entries that lead to another file or to no page of this one are left out,
// and a deep or endless outline is read only so far.
void flattenOutline(const QList<Poppler::OutlineItem> &items, int depth, int count,
                    QList<TextChapter> &chapters)
{
    constexpr int deepest = 32;
    for (const Poppler::OutlineItem &item : items) {
        if (chapters.size() >= Outline::maximumChapters)
            return;
        const QSharedPointer<const Poppler::LinkDestination> destination = item.destination();
        if (destination && item.externalFileName().isEmpty() && destination->pageNumber() >= 1 &&
            destination->pageNumber() <= count)
            chapters.append({Outline::boundedTitle(item.name().left(4 * Outline::maximumTitle)),
                             destination->pageNumber() - 1, depth});
        if (depth < deepest && item.hasChildren())
            flattenOutline(item.children(), depth + 1, count, chapters);
    }
}

// The language the document says it is in (XMP's dc:language), if any.
QString documentLanguage(const Poppler::Document &document)
{
    static const QRegularExpression language(
        QStringLiteral(
            "<dc:language>.*?<rdf:li[^>]*>\\s*([A-Za-z]{2,3}(?:[-_][A-Za-z0-9]+)*)\\s*<"),
        QRegularExpression::DotMatchesEverythingOption);
    return language.match(document.metadata()).captured(1);
}

TextOutline outlineOf(const Poppler::Document &document, int count)
{
    TextOutline outline;
    flattenOutline(document.outline(), 0, count, outline.chapters);
    outline.metadata.title =
        Outline::boundedTitle(document.title().left(4 * Outline::maximumTitle));
    outline.metadata.author =
        Outline::boundedTitle(document.author().left(4 * Outline::maximumTitle));
    outline.metadata.language = documentLanguage(document);
    return outline;
}

} // namespace

std::optional<Failure> readPages(const QByteArray &bytes, const Options &options,
                                 const PageSink &sink)
{
    ComplaintScope complaints;
    const auto damaged = [&complaints](int page) {
        return Failure{Failure::Kind::Damaged, complaints.complaint(), page};
    };
    // The password opens the document as its owner's or its reader's,
    // whichever it is.
    const std::unique_ptr<Poppler::Document> document =
        Poppler::Document::loadFromData(bytes, options.password, options.password);
    if (!document)
        return damaged(-1);
    if (document->isLocked())
        return Failure{Failure::Kind::Locked, {}, -1};
    const int count = document->numPages();
    if (count <= 0)
        return damaged(-1);
    if (!sink.opened(count))
        return std::nullopt;
    if (sink.described)
        sink.described(outlineOf(*document, count));
    PageRecogniser recogniser(options, documentLanguage(*document));
    const auto note = [&sink](const QString &line) {
        if (sink.note)
            sink.note(line);
    };
    for (int i = 0; i < count; ++i) {
        if (options.cancelled())
            return Failure{Failure::Kind::Stopped, {}, i};
        if (sink.starting)
            sink.starting(i);
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            return damaged(i);
        Page read = readPage(*page, i, options);
        if (read.lines.isEmpty() && options.limits.maximumOcrPageSeconds > 0 &&
            !options.cancelled()) {
            if (sink.recognising)
                sink.recognising(i);
            read = recogniser.recognise(*page, i, note);
        }
        if (options.cancelled())
            return Failure{Failure::Kind::Stopped, {}, i};
        if (!sink.read(std::move(read)))
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace Documents::Pdf
