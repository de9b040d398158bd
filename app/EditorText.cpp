#include "app/EditorText.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <algorithm>

namespace EditorText {

namespace {

// The block format's property that tells what the separator before the
// block stands for, when it is not a line break.
constexpr int SeamProperty = QTextFormat::UserProperty + 0x5ea;

constexpr char16_t WordJoiner = 0x2060;

// Text held back before it goes into the document.
constexpr qsizetype BatchSize = 64 * 1024;
// Grapheme boundaries this far from the end of what is known can no longer
// be moved by what comes after.
constexpr qsizetype Settled = 64;

QTextBlockFormat formatFor(Seam seam)
{
    QTextBlockFormat format;
    if (seam != Seam::LineBreak)
        format.setProperty(SeamProperty, int(seam));
    return format;
}

std::pair<qint64, qint64> clamped(const QTextDocument *document, qint64 from, qint64 to)
{
    const qint64 size = document->characterCount() - 1;
    from = std::clamp<qint64>(from, 0, size);
    return {from, std::clamp<qint64>(to < 0 ? size : to, from, size)};
}

// The editor's characters between two positions (the separators as U+2029)
// and, by their index, the separators that are not line breaks.
struct RawText
{
    qint64 from = 0;
    QString text;
    std::vector<std::pair<qsizetype, Seam>> seams;
};

RawText rawText(const QTextDocument *document, qint64 from, qint64 to)
{
    std::tie(from, to) = clamped(document, from, to);
    QTextCursor cursor(const_cast<QTextDocument *>(document));
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    RawText raw{from, cursor.selectedText(), {}};
    for (QTextBlock block = document->findBlock(int(from)).next();
         block.isValid() && block.position() - 1 < to; block = block.next()) {
        if (const Seam kind = seamBefore(block); kind != Seam::LineBreak)
            raw.seams.emplace_back(qsizetype(block.position() - 1 - from), kind);
    }
    return raw;
}

} // namespace

Seam seamBefore(const QTextBlock &block)
{
    const QVariant seam = block.blockFormat().property(SeamProperty);
    return seam.isValid() ? Seam(seam.toInt()) : Seam::LineBreak;
}

Writer::Writer(QTextCursor &cursor)
    : m_cursor(cursor)
    , m_block(cursor.positionInBlock())
    , m_seamBlock(seamBefore(cursor.block()) != Seam::LineBreak)
{}

void Writer::write(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (std::exchange(m_afterReturn, u == u'\r') && u == u'\n')
            continue;
        // The characters that QTextCursor::insertText() makes a block of.
        if (u == u'\n' || u == u'\r' || u == QChar::ParagraphSeparator || u == 0xfdd0 ||
            u == 0xfdd1) {
            breakLine();
            continue;
        }
        m_pending += c;
        if (++m_block > pieceSize && m_pending.size() - m_blockStart > pieceSize / 2)
            cut();
    }
}

void Writer::finish()
{
    flush();
}

void Writer::breakLine()
{
    if (m_seamBlock) {
        insertBlock(Seam::LineBreak);
    } else {
        m_pending += QChar(QChar::ParagraphSeparator);
        if (m_pending.size() >= BatchSize)
            flush();
    }
    m_blockStart = m_pending.size();
    m_block = 0;
}

// Ends the block being written at the last space of its second half (not
// one under a combining mark, which would then stand alone), else between
// two characters there.
void Writer::cut()
{
    const QStringView block = QStringView(m_pending).sliced(m_blockStart);
    const qsizetype size = block.size();
    qsizetype at = -1;
    for (qsizetype i = size - 2; i >= size / 2 && at < 0; --i) {
        if (block[i] == u' ' && !block[i + 1].isMark())
            at = i;
    }
    const Seam seam = at < 0 ? Seam::Nothing : Seam::Space;
    if (at < 0) {
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, block);
        graphemes.setPosition(size - Settled);
        at = graphemes.isAtBoundary() ? graphemes.position() : graphemes.toPreviousBoundary();
        if (at <= 0)
            at = size - Settled - (block[size - Settled].isLowSurrogate() ? 1 : 0);
    }
    QString rest = block.sliced(at + (seam == Seam::Nothing ? 0 : 1)).toString();
    m_pending.truncate(m_blockStart + at);
    insertBlock(seam);
    m_block = rest.size();
    m_pending = std::move(rest);
}

void Writer::insertBlock(Seam seam)
{
    flush();
    m_cursor.insertBlock(formatFor(seam));
    m_seamBlock = seam != Seam::LineBreak;
}

void Writer::flush()
{
    if (!m_pending.isEmpty())
        m_cursor.insertText(m_pending);
    m_pending.clear();
    m_blockStart = 0;
}

qint64 Excerpt::position(qint64 offset) const
{
    return start + offset + (std::upper_bound(joins.begin(), joins.end(), offset) - joins.begin());
}

qint64 Excerpt::endPosition(qint64 offset) const
{
    return start + offset + (std::lower_bound(joins.begin(), joins.end(), offset) - joins.begin());
}

Excerpt Excerpt::part(qint64 from, qint64 to) const
{
    // The separator of join k stands at start + joins[k] + k; those before
    // a position are what it has more than its offset.
    const auto before = [this](qint64 position) {
        qsizetype low = 0;
        qsizetype high = qsizetype(joins.size());
        while (low < high) {
            const qsizetype k = (low + high) / 2;
            if (start + joins[size_t(k)] + k < position)
                low = k + 1;
            else
                high = k;
        }
        return low;
    };
    const qsizetype first = before(from);
    const qsizetype last = before(to);
    const qint64 offset = std::clamp<qint64>(from - start - first, 0, text.size());
    const qint64 end = std::clamp<qint64>(to - start - last, offset, text.size());
    Excerpt part{text.mid(offset, end - offset), from, {}};
    for (qsizetype k = first; k < last; ++k)
        part.joins.push_back(joins[size_t(k)] - offset);
    return part;
}

Excerpt read(const QTextDocument *document, qint64 from, qint64 to)
{
    auto [start, text, seams] = rawText(document, from, to);
    Excerpt excerpt{QString(), start, {}};
    QChar *out = text.data();
    auto seam = seams.cbegin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (seam != seams.cend() && seam->first == i) {
            const Seam kind = (seam++)->second;
            if (kind == Seam::Nothing) {
                excerpt.joins.push_back(out - text.data());
                continue;
            }
            c = u' ';
        }
        // As QTextDocument::toPlainText() gives them.
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0:
        case 0xfdd1:
            c = u'\n';
            break;
        case QChar::Nbsp:
            c = u' ';
            break;
        default:
            break;
        }
        *out++ = c;
    }
    text.truncate(out - text.data());
    excerpt.text = std::move(text);
    return excerpt;
}

QString characters(const QTextDocument *document, qint64 from, qint64 to)
{
    auto [start, text, seams] = rawText(document, from, to);
    for (const auto &[index, seam] : seams)
        text[index] = seam == Seam::Space ? QChar(u' ') : QChar(WordJoiner);
    return text;
}

std::pair<qint64, qint64> lineAround(const QTextDocument *document, qint64 position)
{
    position = clamped(document, position, position).first;
    QTextBlock first = document->findBlock(int(position));
    while (seamBefore(first) != Seam::LineBreak && first.previous().isValid())
        first = first.previous();
    QTextBlock last = document->findBlock(int(position));
    while (last.next().isValid() && seamBefore(last.next()) != Seam::LineBreak)
        last = last.next();
    return {first.position(), last.position() + last.length() - 1};
}

} // namespace EditorText
