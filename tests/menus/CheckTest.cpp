#include "menus/Check.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Check, ContainsComparesExactlyAndSortsByTheAlphabetIgnoringCase)
{
    const QStringList array{u"label"_s, u"VoiceName"_s, u"gender"_s};
    EXPECT_TRUE(Check::contains(array, u"label"_s));
    EXPECT_FALSE(Check::contains(array, u"Label"_s));
    EXPECT_FALSE(Check::contains({u""_s}, QString())) << "an absent string equals no element";
    // No normalisation: a precomposed é and e with a combining accent differ.
    EXPECT_FALSE(Check::contains({u"caf\u00e9"_s}, u"cafe\u0301"_s));

    EXPECT_EQ(Check::sortedAlphabetically(array),
              (QStringList{u"gender"_s, u"label"_s, u"VoiceName"_s}));
    EXPECT_EQ(array.first(), u"label"_s) << "the receiver is left as it was";
    EXPECT_EQ(Check::sortedAlphabetically({u"b"_s, u"B"_s, u"a"_s}).first(), u"a"_s);
}
