#include "app/OutlineTracker.h"

#include "app/EditorText.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace {

// The editor's positions of the block separators that stand for nothing in
// the text (EditorText cuts long lines with them), in order.
std::vector<qint64> silentSeparators(const QTextDocument *document)
{
    std::vector<qint64> separators;
    for (QTextBlock block = document->firstBlock().next(); block.isValid(); block = block.next()) {
        if (EditorText::seamBefore(block) == EditorText::Seam::Nothing)
            separators.push_back(block.position() - 1);
    }
    return separators;
}

} // namespace

OutlineTracker::OutlineTracker(QObject *parent)
    : QObject(parent)
{}

void OutlineTracker::follow(QTextDocument *document, TextOutline outline)
{
    clear();
    if (!document || outline.chapters.isEmpty())
        return;
    // A text offset is past every silent separator before the character
    // there: the separators' positions minus those before them are the
    // offsets they stand at.
    const std::vector<qint64> separators = silentSeparators(document);
    std::size_t passed = 0;
    for (TextChapter &chapter : outline.chapters) {
        while (passed < separators.size() && separators[passed] - qint64(passed) <= chapter.offset)
            ++passed;
        chapter.offset += qsizetype(passed);
    }
    m_document = document;
    m_outline = std::move(outline);
    m_following =
        connect(document, &QTextDocument::contentsChange, this, &OutlineTracker::contentsChanged);
}

void OutlineTracker::clear()
{
    disconnect(m_following);
    m_document = nullptr;
    m_outline = {};
}

TextOutline OutlineTracker::forText() const
{
    if (!m_document)
        return {};
    TextOutline outline = m_outline;
    const std::vector<qint64> separators = silentSeparators(m_document);
    for (TextChapter &chapter : outline.chapters) {
        const auto before =
            std::lower_bound(separators.cbegin(), separators.cend(), qint64(chapter.offset));
        chapter.offset -= qsizetype(before - separators.cbegin());
    }
    return outline;
}

void OutlineTracker::contentsChanged(int position, int removed, int added)
{
    // Everything replaced: the chapters were another text's.
    if (position == 0 && m_document->characterCount() - 1 <= added) {
        clear();
        return;
    }
    QList<TextChapter> &chapters = m_outline.chapters;
    for (auto chapter = chapters.begin(); chapter != chapters.end();) {
        if (chapter->offset >= position + removed) {
            chapter->offset += added - removed;
        } else if (chapter->offset >= position) {
            // Its start was edited: it begins with what took the place of
            // that start, and is gone with it when nothing did.
            if (added == 0) {
                chapter = chapters.erase(chapter);
                continue;
            }
            chapter->offset = position;
        }
        ++chapter;
    }
}
