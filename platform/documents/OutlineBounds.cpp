#include "platform/documents/OutlineBounds.h"

#include <algorithm>

namespace Documents::Outline {

QString boundedTitle(QStringView text)
{
    QString title;
    bool space = false;
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control) {
            space = !title.isEmpty();
            continue;
        }
        if (title.size() + (space ? 1 : 0) >= maximumTitle)
            break;
        if (space)
            title += u' ';
        space = false;
        title += c;
    }
    if (!title.isEmpty() && title.back().isHighSurrogate())
        title.chop(1);
    return title;
}

QList<TextChapter> bounded(QList<TextChapter> chapters, qsizetype length)
{
    std::stable_sort(
        chapters.begin(), chapters.end(),
        [](const TextChapter &a, const TextChapter &b) { return a.offset < b.offset; });
    QList<TextChapter> kept;
    for (TextChapter &chapter : chapters) {
        if (kept.size() >= maximumChapters)
            break;
        chapter.title = boundedTitle(chapter.title);
        if (chapter.title.isEmpty() || chapter.offset < 0 || chapter.offset >= length)
            continue;
        chapter.depth = std::clamp(chapter.depth, 0, 8);
        kept.append(std::move(chapter));
    }
    return kept;
}

} // namespace Documents::Outline
