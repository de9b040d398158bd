#pragma once

#include <QtGlobal>

#include <optional>

class QTextDocument;

// Sentences and paragraphs of an editor's text, within a part of it (the
// range a speech was taken from): the one at a place, and where the next
// and the previous one with something to speak begin. Sentences are those of
// QTextBoundaryFinder, so they hold in every script (full stops of Chinese
// and text without spaces included); paragraphs are the person's lines.
// Each query reads only the text around the place it asks about, however
// long the whole.
namespace TextUnits {

enum class Unit { Sentence, Paragraph };

// From start to end, in UTF-16 code units of the editor's plain text.
struct Span
{
    qint64 start = 0;
    qint64 end = 0;
    bool operator==(const Span &) const = default;
};

// The unit that holds `position`, cut to `within`.
Span at(QTextDocument *document, Unit unit, qint64 position, Span within);
// Where the first unit after the one at `position` that holds more than
// spaces begins; none after the last.
std::optional<qint64> next(QTextDocument *document, Unit unit, qint64 position, Span within);
// Where the last unit before the one at `position` that holds more than
// spaces begins; none before the first.
std::optional<qint64> previous(QTextDocument *document, Unit unit, qint64 position, Span within);
// The first word at or after `position`, before `within`'s end; empty when
// only spaces follow.
Span firstWord(QTextDocument *document, qint64 position, Span within);

} // namespace TextUnits
