#include "app/TextEditor.h"

#include "app/EditorText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>

using EditorText::Seam;

TextEditor::TextEditor(QWidget *parent)
    : QPlainTextEdit(parent)
{}

TextEditor::~TextEditor() = default;

QMimeData *TextEditor::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    auto *mime = new QMimeData;
    mime->setText(
        EditorText::read(document(), selection.selectionStart(), selection.selectionEnd()).text);
    return mime;
}

void TextEditor::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly() || !source || !source->hasText())
        return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    EditorText::Writer writer(cursor);
    writer.write(source->text());
    writer.finish();
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TextEditor::keyPressEvent(QKeyEvent *event)
{
    if (!isReadOnly() && editAtSeam(event)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// Return at a piece of a long line breaks the line where Qt's own would cut
// it once more; Backspace and Delete beside a separator that stands for
// nothing remove the character beyond it, which is what the person sees
// there.
bool TextEditor::editAtSeam(QKeyEvent *event)
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = document()->findBlock(cursor.selectionStart());
    if (event == QKeySequence::InsertParagraphSeparator) {
        if (EditorText::seamBefore(block) == Seam::LineBreak)
            return false;
        cursor.insertBlock(QTextBlockFormat());
        setTextCursor(cursor);
        ensureCursorVisible();
        return true;
    }
    if (cursor.hasSelection())
        return false;
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier) &&
        cursor.atBlockStart() && EditorText::seamBefore(block) == Seam::Nothing &&
        block.previous().length() > 1) {
        cursor.setPosition(cursor.position() - 1);
        cursor.deletePreviousChar();
        return true;
    }
    const QTextBlock next = block.next();
    if (event == QKeySequence::Delete && cursor.atBlockEnd() && next.isValid() &&
        EditorText::seamBefore(next) == Seam::Nothing && next.length() > 1) {
        cursor.setPosition(cursor.position() + 1);
        cursor.deleteChar();
        return true;
    }
    return false;
}

void TextEditor::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event);
    m_sinceDoubleClick.start();
    m_doubleClickAt = event->position();
}

// A third click in a long line selects the line, where Qt's would select
// the piece of it that the click is in.
void TextEditor::mousePressEvent(QMouseEvent *event)
{
    QPlainTextEdit::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !m_sinceDoubleClick.isValid() ||
        m_sinceDoubleClick.elapsed() >= QApplication::doubleClickInterval() ||
        (event->position() - m_doubleClickAt).manhattanLength() >=
            QApplication::startDragDistance())
        return;
    m_sinceDoubleClick.invalidate();
    const QTextBlock block = textCursor().block();
    if (EditorText::seamBefore(block) == Seam::LineBreak &&
        (!block.next().isValid() || EditorText::seamBefore(block.next()) == Seam::LineBreak))
        return;
    const auto [start, end] = EditorText::lineAround(document(), textCursor().position());
    QTextCursor line(document());
    line.setPosition(int(start));
    line.setPosition(int(end), QTextCursor::KeepAnchor);
    setTextCursor(line);
}
