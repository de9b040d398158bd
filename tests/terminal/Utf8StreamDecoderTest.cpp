#include "terminal/Utf8StreamDecoder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// How a split character arrives whole is seen through the command runner.
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
