#include "terminal/Utf8StreamDecoder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Utf8StreamDecoder, TextSplitAtEveryByteDecodesAsAWhole)
{
    // Two-, three- and four-byte characters around ASCII.
    const QString text = u"a\u00e9\u20ac\U0001F600z"_s;
    const QByteArray bytes = text.toUtf8();
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        for (qsizetype second = cut; second <= bytes.size(); ++second) {
            Utf8StreamDecoder decoder;
            QString decoded = decoder.decode(bytes.left(cut));
            decoded += decoder.decode(bytes.mid(cut, second - cut));
            decoded += decoder.decode(bytes.mid(second));
            decoded += decoder.decode({}, true);
            EXPECT_EQ(decoded, text) << "cuts at " << cut << " and " << second;
        }
    }
}

TEST(Utf8StreamDecoder, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    Utf8StreamDecoder decoder;
    EXPECT_EQ(decoder.decode("a\xff"
                             "b"),
              u"a\ufffdb"_s);
    // A stray continuation byte at the end is not the start of anything.
    EXPECT_EQ(decoder.decode("c\x80"), u"c\ufffd"_s);
    // A character cut off by the end of the stream is not lost silently.
    EXPECT_EQ(decoder.decode("d\xe2\x82"), u"d"_s);
    EXPECT_EQ(decoder.decode({}, true), u"\ufffd\ufffd"_s);
    EXPECT_EQ(decoder.decode({}, true), QString());
}
