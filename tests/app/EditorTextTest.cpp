#include "app/EditorText.h"
#include "app/TextUnits.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <algorithm>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Texts written in two parts (cut inside a "\r\n" where there is one) read
// back whole and part by part at the offsets of the text, however the
// editor's blocks cut its lines, and the sentences and the paragraphs found
// in the editor are those of the text. A text without a line longer than a
// piece is held as Qt holds it, a block for each line, for everything that
// reads the editor's blocks (a screen reader, the moves by paragraph).
TEST(EditorText, PiecesReadBackAsTheTextWithItsSentencesAndLines)
{
    const QString words = QString(u"The keeper climbed. A wind rose "_s).repeated(300);
    const QString long4096 = QString(u"Up the stairs "_s).repeated(293).first(4096);
    const struct
    {
        QString written;
        QString text;
    } cases[] = {
        {QString(u"A short line.\r\n"_s).repeated(800) + long4096 + u"\rlast\u2029"_s,
         QString(u"A short line.\n"_s).repeated(800) + long4096 + u"\nlast\n"_s},
        {words + u"\n\n"_s + words, words + u"\n\n"_s + words},
        {QString(u"{\"a\":[1,2]},"_s).repeated(2000), QString(u"{\"a\":[1,2]},"_s).repeated(2000)},
        {QString(u"灯塔看守人爬上了楼梯。"_s).repeated(1000),
         QString(u"灯塔看守人爬上了楼梯。"_s).repeated(1000)},
        {QString(u"e\u0301\u0323 \u0300"_s).repeated(3000),
         QString(u"e\u0301\u0323 \u0300"_s).repeated(3000)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.written.left(16).toStdString());
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        EditorText::Writer writer(cursor);
        const qsizetype half = c.written.indexOf(u"\r\n"_s) + 1;
        writer.write(QStringView(c.written).first(half > 0 ? half : c.written.size() / 2));
        writer.write(QStringView(c.written).sliced(half > 0 ? half : c.written.size() / 2));
        writer.finish();
        cursor.endEditBlock();
        const EditorText::Excerpt whole = EditorText::read(&document);
        ASSERT_TRUE(whole.text == c.text);
        const QStringList lines = c.text.split(u'\n');
        if (std::ranges::all_of(lines, [](const QString &line) {
                return line.size() <= EditorText::Writer::pieceSize;
            })) {
            QTextDocument asQtHoldsIt;
            asQtHoldsIt.setPlainText(c.written);
            EXPECT_EQ(document.blockCount(), lines.size());
            ASSERT_TRUE(document.toRawText() == asQtHoldsIt.toRawText());
        } else {
            EXPECT_LT(document.blockCount(), c.text.size() / 1000);
        }
        for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next())
            ASSERT_LE(block.length(), EditorText::Writer::pieceSize + 1);

        QTextBoundaryFinder sentences(QTextBoundaryFinder::Sentence, c.text);
        // Offsets all along, and beside each separator that stands for nothing.
        std::vector<qsizetype> offsets;
        for (qsizetype at = 0; at < c.text.size(); at += 997)
            offsets.push_back(at);
        for (const qint64 join : whole.joins)
            offsets.insert(offsets.end(), {join - 1, join});
        for (const qsizetype at : offsets) {
            const qsizetype end = std::min(c.text.size(), at + 2011);
            const EditorText::Excerpt part = whole.part(whole.position(at), whole.endPosition(end));
            ASSERT_TRUE(part.text == c.text.mid(at, end - at)) << at;
            EXPECT_EQ(part.position(1), whole.position(at + 1));
            EXPECT_EQ(
                EditorText::read(&document, whole.position(at), whole.endPosition(at + 1)).text,
                c.text.mid(at, 1));

            const TextUnits::Span all{0, document.characterCount() - 1};
            sentences.setPosition(at);
            const qsizetype start = sentences.isAtBoundary() ? at : sentences.toPreviousBoundary();
            sentences.setPosition(at);
            const qsizetype stop = std::max<qsizetype>(sentences.toNextBoundary(), 0);
            EXPECT_EQ(TextUnits::at(&document, TextUnits::Unit::Sentence, whole.position(at), all),
                      (TextUnits::Span{whole.position(start), whole.endPosition(stop)}));
            const qsizetype lineStart = at > 0 ? c.text.lastIndexOf(u'\n', at - 1) + 1 : 0;
            const qsizetype lineEnd = c.text.indexOf(u'\n', at);
            EXPECT_EQ(TextUnits::at(&document, TextUnits::Unit::Paragraph, whole.position(at), all),
                      (TextUnits::Span{whole.position(lineStart),
                                       whole.endPosition(lineEnd < 0 ? c.text.size() : lineEnd)}));
        }
    }
}
