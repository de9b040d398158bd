#pragma once

#include "platform/system/TextOutline.h"

#include <QObject>
#include <QPointer>

class QTextDocument;

// The chapters and metadata of the document the window shows, as its reader
// found them. The chapters are kept at the editor's positions, which follow
// the person's edits, and handed to an export at the offsets of the text it
// speaks. Another document, or a text replaced whole (New, a paste over
// everything), drops them: they were that document's.
class OutlineTracker : public QObject
{
    Q_OBJECT

public:
    explicit OutlineTracker(QObject *parent = nullptr);

    // Follows `document`, whose text as EditorText reads it the outline's
    // offsets are into.
    void follow(QTextDocument *document, TextOutline outline);
    void clear();

    qsizetype chapterCount() const { return m_outline.chapters.size(); }
    // The outline in offsets of the document's text as EditorText reads it
    // (what an export speaks); empty once dropped.
    TextOutline forText() const;

private:
    void contentsChanged(int position, int removed, int added);

    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_following;
    // Chapter offsets are editor positions here.
    TextOutline m_outline;
};
