#include "platform/speech/TextPieces.h"
#include "platform/speech/CodePointCursor.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QStringList cut(const QString &text, qsizetype maximum)
{
    QStringList pieces;
    TextPieces cutter(text, maximum);
    TextPieces::Piece piece;
    qsizetype expectedStart = 0;
    while (cutter.next(piece)) {
        EXPECT_EQ(piece.start, expectedStart);
        EXPECT_LE(piece.length, maximum);
        const QString text16 = text.mid(piece.start, piece.length);
        EXPECT_EQ(QString::fromUtf8(piece.utf8), text16);
        pieces.append(text16);
        expectedStart += piece.length;
    }
    EXPECT_EQ(expectedStart, text.size());
    return pieces;
}

} // namespace

TEST(TextPieces, CutsAfterSentencesThenAtSpacesAndCoversTheWholeText)
{
    EXPECT_EQ(cut(u"One two. Three four five six"_s, 16),
              (QStringList{u"One two. "_s, u"Three four five "_s, u"six"_s}));
    // A sentence end early in the window loses to a later space.
    EXPECT_EQ(cut(u"A. bcdefgh ijklmnop"_s, 12), (QStringList{u"A. bcdefgh "_s, u"ijklmnop"_s}));
    EXPECT_EQ(cut(u"short"_s, 16), QStringList{u"short"_s});
    EXPECT_TRUE(cut(QString(), 16).isEmpty());
}

TEST(TextPieces, NeverSplitsASurrogatePairInTextWithoutSpaces)
{
    const QString emoji = u"😀"_s;
    const QString text = u"中"_s + emoji.repeated(10);
    for (const QString &piece : cut(text, 4)) {
        EXPECT_FALSE(piece.back().isHighSurrogate());
        EXPECT_FALSE(piece.front().isLowSurrogate());
    }
}

TEST(TextPieces, NulCharactersKeepTheCodePointCount)
{
    TextPieces cutter(u"a\u0000b"_s);
    TextPieces::Piece piece;
    ASSERT_TRUE(cutter.next(piece));
    EXPECT_EQ(piece.utf8, QByteArray("a b"));
}

TEST(CodePointCursor, MapsCodePointsToUtf16Units)
{
    // Code points: C a f é ␠ 中 文 ␠ 😀 ␠ d o n e
    const QString text = u"Café 中文 😀 done"_s;
    CodePointCursor cursor(text);
    EXPECT_EQ(cursor.map(1, 4), (CharacterRange{0, 4}));
    EXPECT_EQ(cursor.map(6, 2), (CharacterRange{5, 2}));
    EXPECT_EQ(cursor.map(9, 1), (CharacterRange{8, 2}));
    EXPECT_EQ(cursor.map(11, 4), (CharacterRange{11, 4}));
    // Going back starts over from the beginning; it does not go wrong.
    EXPECT_EQ(cursor.map(9, 1), (CharacterRange{8, 2}));
    // A length past the end is cut at the end; a start past it gives nothing.
    EXPECT_EQ(cursor.map(11, 40), (CharacterRange{11, 4}));
    EXPECT_EQ(cursor.map(16, 1).length, 0u);
    EXPECT_EQ(cursor.map(0, 1).length, 0u);
    EXPECT_EQ(cursor.map(1, 0).length, 0u);
}

TEST(CodePointCursor, LoneSurrogateCountsAsOneCodePoint)
{
    QString text = u"a b"_s;
    text[1] = QChar(0xD800);
    CodePointCursor cursor(text);
    EXPECT_EQ(cursor.map(3, 1), (CharacterRange{2, 1}));
    EXPECT_EQ(QString::fromUtf8(text.toUtf8()).size(), 3);
}
