#include "app/FindIndicator.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

FindIndicator::FindIndicator(QPlainTextEdit *view)
    : QObject(view)
    , m_view(view)
{
    m_fade.setSingleShot(true);
    m_fade.setInterval(fadeMilliseconds);
    connect(&m_fade, &QTimer::timeout, this, &FindIndicator::clear);
}

FindIndicator::~FindIndicator() = default;

void FindIndicator::showForRange(CharacterRange range)
{
    if (!m_view)
        return;
    QTextDocument *document = m_view->document();
    // The last position of a document is the implicit final paragraph
    // separator, which no word can occupy.
    const quint64 end = quint64(std::max(0, document->characterCount() - 1));
    const quint64 start = std::min(range.location, end);
    const quint64 stop = std::min(start + range.length, end);
    if (stop <= start) {
        clear();
        return;
    }

    QTextCursor cursor(document);
    cursor.setPosition(int(start));
    cursor.setPosition(int(stop), QTextCursor::KeepAnchor);

    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    mark.format.setBackground(QColor(255, 222, 64));
    mark.format.setForeground(QColor(Qt::black));
    m_view->setExtraSelections({mark});
    m_marked = {start, stop - start};
    scrollToPosition(int(start));
    m_fade.start();
}

void FindIndicator::clear()
{
    m_fade.stop();
    m_marked = {};
    if (m_view)
        m_view->setExtraSelections({});
}

void FindIndicator::scrollToPosition(int position)
{
    QTextCursor cursor(m_view->document());
    cursor.setPosition(position);
    const QRect rect = m_view->cursorRect(cursor);
    const QRect visible = m_view->viewport()->rect();
    if (rect.top() >= visible.top() && rect.bottom() <= visible.bottom())
        return;

    // The vertical scroll bar of a plain text editor counts layout lines;
    // findBlock() and the block's own line numbers keep this logarithmic in
    // the size of the text.
    const QTextBlock block = cursor.block();
    int line = block.firstLineNumber();
    if (const QTextLayout *layout = block.layout(); layout && layout->lineCount() > 0) {
        const QTextLine textLine = layout->lineForTextPosition(position - block.position());
        if (textLine.isValid())
            line += textLine.lineNumber();
    }
    const int lineHeight = std::max(1, m_view->fontMetrics().lineSpacing());
    const int visibleLines = std::max(1, visible.height() / lineHeight);
    // Put the word a third of the way down, so the text that follows shows.
    QScrollBar *bar = m_view->verticalScrollBar();
    bar->setValue(std::clamp(line - visibleLines / 3, bar->minimum(), bar->maximum()));
}
