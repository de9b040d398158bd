#include "app/TextUnits.h"

#include "app/EditorText.h"

#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <algorithm>

namespace TextUnits {

namespace {

// How far the boundary rules look on either side of a place (over closing
// marks and spaces after a full stop): a boundary closer than this to where
// a piece of text was cut short is not trusted, and the piece is widened.
constexpr qint64 Context = 64;
// The first piece read around a place; it grows eightfold while a sentence
// runs on past it, up to a limit: a text without any sentence boundary
// (a list of words, a long run without stops) is then cut where the piece
// ends, rather than read whole at every query.
constexpr qint64 FirstReach = 2048;
constexpr qint64 LastReach = FirstReach << 6;
constexpr qint64 WordReach = 256;

bool speakable(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

// The text of [start, end), read without taking the whole; line ends show
// as paragraph separators, which end sentences as line feeds do.
QString plainText(QTextDocument *document, qint64 start, qint64 end)
{
    return EditorText::characters(document, start, end);
}

// A piece of the text inside `within`, and whether it stops short of either end.
struct Piece
{
    qint64 start = 0;
    QString text;
    bool cutBefore = false;
    bool cutAfter = false;

    qint64 size() const { return text.size(); }
};

// With `reach` at its limit, the piece counts as whole.
Piece piece(QTextDocument *document, qint64 from, qint64 to, Span within, qint64 reach)
{
    const qint64 start = std::clamp(from, within.start, within.end);
    const qint64 end = std::clamp(to, start, within.end);
    const bool whole = reach >= LastReach;
    return {start, plainText(document, start, end), !whole && start > within.start,
            !whole && end < within.end};
}

Span sentenceAt(QTextDocument *document, qint64 position, Span within)
{
    for (qint64 reach = FirstReach;; reach *= 8) {
        const Piece p = piece(document, position - reach, position + reach, within, reach);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, p.text);
        const qint64 at = position - p.start;
        finder.setPosition(at);
        const qint64 start = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
        finder.setPosition(at);
        qint64 end = finder.toNextBoundary();
        if (end < 0)
            end = p.size();
        const bool sure =
            (!p.cutBefore || start >= Context) && (!p.cutAfter || end <= p.size() - Context);
        if (sure || (!p.cutBefore && !p.cutAfter))
            return {p.start + start, p.start + end};
    }
}

std::optional<qint64> nextSentence(QTextDocument *document, qint64 position, Span within)
{
    const Span here = sentenceAt(document, position, within);
    for (qint64 reach = FirstReach;; reach *= 8) {
        const Piece p = piece(document, here.start - Context, here.end + reach, within, reach);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, p.text);
        qint64 start = here.end - p.start;
        finder.setPosition(start);
        while (start < p.size() && (!p.cutAfter || start < p.size() - Context)) {
            qint64 end = finder.toNextBoundary();
            if (end < 0)
                end = p.size();
            if (speakable(QStringView(p.text).mid(start, end - start)))
                return p.start + start;
            start = end;
        }
        if (!p.cutAfter)
            return std::nullopt;
    }
}

std::optional<qint64> previousSentence(QTextDocument *document, qint64 position, Span within)
{
    const Span here = sentenceAt(document, position, within);
    for (qint64 reach = FirstReach;; reach *= 8) {
        const Piece p = piece(document, here.start - reach, here.start + Context, within, reach);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, p.text);
        qint64 end = here.start - p.start;
        finder.setPosition(end);
        while (end > 0) {
            const qint64 start = finder.toPreviousBoundary();
            if (p.cutBefore && start < Context)
                break;
            if (speakable(QStringView(p.text).mid(start, end - start)))
                return p.start + start;
            end = start;
        }
        if (!p.cutBefore)
            return std::nullopt;
    }
}

Span clip(Span span, Span within)
{
    const qint64 start = std::clamp(span.start, within.start, within.end);
    return {start, std::clamp(span.end, start, within.end)};
}

// The person's line at a position, without its line break.
Span lineSpan(QTextDocument *document, qint64 position)
{
    const auto [start, end] = EditorText::lineAround(document, position);
    return {start, end};
}

// Read a piece at a time: a line may be megabytes long.
bool speakable(QTextDocument *document, Span line, Span within)
{
    const Span span = clip(line, within);
    for (qint64 from = span.start; from < span.end; from += FirstReach) {
        if (speakable(plainText(document, from, std::min(span.end, from + FirstReach))))
            return true;
    }
    return false;
}

} // namespace

Span at(QTextDocument *document, Unit unit, qint64 position, Span within)
{
    position = std::clamp(position, within.start, within.end);
    if (unit == Unit::Sentence)
        return sentenceAt(document, position, within);
    return clip(lineSpan(document, position), within);
}

std::optional<qint64> next(QTextDocument *document, Unit unit, qint64 position, Span within)
{
    position = std::clamp(position, within.start, within.end);
    if (unit == Unit::Sentence)
        return nextSentence(document, position, within);
    const qint64 size = document->characterCount() - 1;
    for (Span line = lineSpan(document, position); line.end < std::min(size, within.end);) {
        line = lineSpan(document, line.end + 1);
        if (speakable(document, line, within))
            return std::max<qint64>(line.start, within.start);
    }
    return std::nullopt;
}

std::optional<qint64> previous(QTextDocument *document, Unit unit, qint64 position, Span within)
{
    position = std::clamp(position, within.start, within.end);
    if (unit == Unit::Sentence)
        return previousSentence(document, position, within);
    for (Span line = lineSpan(document, position); line.start > 0;) {
        line = lineSpan(document, line.start - 1);
        if (line.end <= within.start)
            break;
        if (speakable(document, line, within))
            return std::max<qint64>(line.start, within.start);
    }
    return std::nullopt;
}

Span firstWord(QTextDocument *document, qint64 position, Span within)
{
    const Piece p = piece(document, position, position + WordReach, within, LastReach);
    const auto first =
        std::find_if(p.text.cbegin(), p.text.cend(), [](QChar c) { return !c.isSpace(); });
    if (first == p.text.cend())
        return {p.start, p.start};
    const qint64 start = first - p.text.cbegin();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, p.text);
    finder.setPosition(start);
    qint64 end = finder.toNextBoundary();
    if (end < 0)
        end = p.size();
    return {p.start + start, p.start + end};
}

} // namespace TextUnits
