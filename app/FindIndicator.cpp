#include "app/FindIndicator.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

QTextCharFormat markFormat()
{
    QTextCharFormat format;
    format.setBackground(QColor(255, 222, 64));
    format.setForeground(QColor(Qt::black));
    return format;
}

} // namespace

FindIndicator::FindIndicator(QPlainTextEdit *view)
    : QObject(view)
    , m_view(view)
{
    m_fade.setSingleShot(true);
    m_fade.setInterval(fadeMilliseconds);
    connect(&m_fade, &QTimer::timeout, this, &FindIndicator::clear);
    view->viewport()->installEventFilter(this);
}

FindIndicator::~FindIndicator() = default;

void FindIndicator::showForRange(CharacterRange range, bool scrollIntoView)
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
    mark.format = markFormat();
    m_view->setExtraSelections({mark});
    m_marked = {start, stop - start};
    if (scrollIntoView)
        scrollToPosition(int(start));
    if (!m_held)
        m_fade.start();
}

void FindIndicator::setHeld(bool held)
{
    m_held = held;
    if (held)
        m_fade.stop();
    else if (m_marked.length > 0)
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

// The editor paints its own selection above every extra selection: where the
// two meet, the mark is painted again once the editor is done.
bool FindIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint || m_painting || !m_view || m_marked.length == 0 ||
        watched != m_view->viewport() || !m_view->textCursor().hasSelection())
        return false;
    m_painting = true;
    QCoreApplication::sendEvent(watched, event);
    m_painting = false;
    paintOverSelection();
    return true;
}

void FindIndicator::paintOverSelection()
{
    const QTextCursor selection = m_view->textCursor();
    const int start = std::max(int(m_marked.location), selection.selectionStart());
    const int stop = std::min(int(m_marked.location + m_marked.length), selection.selectionEnd());
    if (stop <= start)
        return;

    QPainter painter(m_view->viewport());
    QTextDocument *document = m_view->document();
    for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() < stop;
         block = block.next()) {
        QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0 || !block.isVisible())
            continue;
        const int from = std::max(start, block.position()) - block.position();
        const int to = std::min(stop, block.position() + block.length()) - block.position();
        if (to <= from)
            continue;
        // Where the editor put the block: its first position's cursor against
        // the layout's own coordinates.
        QTextCursor blockStart(block);
        const QRect cursor = m_view->cursorRect(blockStart);
        const QTextLine first = layout->lineAt(0);
        const QPointF offset(cursor.left() - first.cursorToX(0), cursor.top() - first.y());

        QRegion clip;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int lineFrom = std::max(from, line.textStart());
            const int lineTo = std::min(to, line.textStart() + line.textLength());
            if (lineTo <= lineFrom)
                continue;
            const qreal left = line.cursorToX(lineFrom);
            const qreal right = line.cursorToX(lineTo);
            clip += QRectF(std::min(left, right), line.y(), std::abs(right - left), line.height())
                        .translated(offset)
                        .toAlignedRect();
        }
        if (clip.isEmpty())
            continue;
        QTextLayout::FormatRange range;
        range.start = from;
        range.length = to - from;
        range.format = markFormat();
        painter.save();
        painter.setClipRegion(clip);
        layout->draw(&painter, offset, {range}, clip.boundingRect());
        painter.restore();
    }
}
