#pragma once

#include "platform/system/TextOutline.h"

#include <QStringView>

// What a document may claim of its own shape: a file can name any number of
// chapters, titles of any length and targets that lead nowhere. Readers put
// their outline through these bounds, so that what reaches the window and
// the audio files stays small and in order.
namespace Documents::Outline {

inline constexpr qsizetype maximumChapters = 10000;
inline constexpr qsizetype maximumTitle = 500;

// A title or a name as one line: whitespace runs as one space, at most
// maximumTitle characters (a character pair never cut in two).
QString boundedTitle(QStringView text);

// The chapters that hold in a text of `length` characters, in the text's
// order (a document's contents may list them otherwise): each with a title
// and an offset inside the text, at most maximumChapters of them.
QList<TextChapter> bounded(QList<TextChapter> chapters, qsizetype length);

} // namespace Documents::Outline
