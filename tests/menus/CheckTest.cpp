#include "menus/Check.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Check, ContainsComparesExactly)
{
    const QStringList array{u"name"_s, u"label"_s};
    EXPECT_TRUE(Check::contains(array, u"label"_s));
    EXPECT_FALSE(Check::contains(array, u"Name"_s));
    EXPECT_FALSE(Check::contains({}, u"name"_s));
    EXPECT_FALSE(Check::contains(array, QString()));
    EXPECT_FALSE(Check::contains({u""_s}, QString())) << "an absent string equals no element";
    EXPECT_TRUE(Check::contains({u""_s}, u""_s));
    // No normalisation: a precomposed é and e with a combining accent differ.
    EXPECT_FALSE(Check::contains({u"caf\u00e9"_s}, u"cafe\u0301"_s));
}

TEST(Check, SortsAlphabeticallyIgnoringCase)
{
    const QStringList array{u"label"_s, u"VoiceName"_s, u"gender"_s};
    EXPECT_EQ(Check::sortedAlphabetically(array),
              (QStringList{u"gender"_s, u"label"_s, u"VoiceName"_s}));
    EXPECT_EQ(array, (QStringList{u"label"_s, u"VoiceName"_s, u"gender"_s})) << "unchanged";
    EXPECT_EQ(Check::sortedAlphabetically({u"b"_s, u"B"_s, u"a"_s}).first(), u"a"_s);
    EXPECT_TRUE(Check::sortedAlphabetically({}).isEmpty());
}
