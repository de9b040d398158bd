#pragma once

#include <QString>
#include <QStringView>
#include <QTextCursor>

#include <utility>
#include <vector>

class QTextBlock;
class QTextDocument;

// The person's text as the editor holds it. Qt lays out each block of a
// document as one whole, again at every change of the block or of the
// editor's width: a line of megabytes would stop the window for seconds.
// So each line has its block, as Qt would give it, but a line longer than
// a few thousand characters is cut into blocks whose separators stand for
// a space of the line or for nothing at all. Everything that reads the
// text for the person (speech, export, copy) reads it here, where those
// separators are what they stand for again; positions in the editor differ
// from offsets in the text only by the separators that stand for nothing.
namespace EditorText {

// What the separator before a block stands for.
enum class Seam { LineBreak, Space, Nothing };

Seam seamBefore(const QTextBlock &block);

// Writes a text at a cursor, which should be inside an edit block (so that
// the document is laid out once, at its end), cutting long lines.
class Writer
{
public:
    explicit Writer(QTextCursor &cursor);

    void write(QStringView text);
    // Writes what is still held back.
    void finish();

    // A block gets no longer than this by writing.
    static constexpr qsizetype pieceSize = 4096;

private:
    void breakLine();
    void cut();
    void insertBlock(Seam seam);
    void flush();

    QTextCursor &m_cursor;
    // What is still to be inserted: whole blocks and the start of the one
    // being written, whose separators are inserted with it.
    QString m_pending;
    // Where the block being written starts in m_pending (0 when it started
    // before), and its length so far.
    qsizetype m_blockStart = 0;
    qsizetype m_block = 0;
    bool m_afterReturn = false;
    // Whether the block being written follows a separator of a cut: a line
    // break inserted as a plain separator would take over its seam.
    bool m_seamBlock = false;
};

// A part of the text with where it stands in the editor.
struct Excerpt
{
    QString text;
    // The editor's position of the text's start.
    qint64 start = 0;
    // Offsets in the text before which the editor holds a separator that
    // stands for nothing.
    std::vector<qint64> joins;

    // The editor's position of the character at `offset`, or of the end of
    // a run that ends there.
    qint64 position(qint64 offset) const;
    qint64 endPosition(qint64 offset) const;
    // The part from the editor's `from` to `to`.
    Excerpt part(qint64 from, qint64 to) const;
};

// The person's text between two positions of the editor (the whole text
// without them): lines end in "\n" and no-break spaces are spaces.
Excerpt read(const QTextDocument *document, qint64 from = 0, qint64 to = -1);
// The editor's characters between two positions, one for each position,
// for finding where sentences and words begin: separators that stand for
// a space are spaces, those that stand for nothing are word joiners,
// which the boundary rules pass over.
QString characters(const QTextDocument *document, qint64 from, qint64 to);

// The person's line that holds `position`, from its start to its end
// before the line break.
std::pair<qint64, qint64> lineAround(const QTextDocument *document, qint64 position);

} // namespace EditorText
