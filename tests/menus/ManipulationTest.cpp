#include "menus/Manipulation.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Manipulation, KeysSortedByTheAlphabetAndLookedUpCaseSensitively)
{
    const QVariantMap voiceKeys{
        {u"label"_s, 1}, {u"VoiceName"_s, QVariant()}, {u"gender"_s, u"♀"_s}};
    QStringList keys = Manipulation::keys(voiceKeys);
    keys.sort();
    EXPECT_EQ(keys, (QStringList{u"VoiceName"_s, u"gender"_s, u"label"_s}));
    EXPECT_EQ(Manipulation::sortedKeys(voiceKeys),
              (QStringList{u"gender"_s, u"label"_s, u"VoiceName"_s}));
    EXPECT_EQ(Manipulation::sortedKeys({{u"Speech"_s, 1}, {u"Export"_s, 2}}),
              (QStringList{u"Export"_s, u"Speech"_s}));
    EXPECT_TRUE(Manipulation::keyExists(voiceKeys, u"VoiceName"_s));
    EXPECT_FALSE(Manipulation::keyExists(voiceKeys, u"voicename"_s));
    EXPECT_FALSE(Manipulation::keyExists({{u""_s, 1}}, QString()));
}
