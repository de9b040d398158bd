#include "AppFixture.h"

using namespace Qt::StringLiterals;

using VoiceCatalogue = AppFixture;

namespace {

QVariantMap recordFor(const QVariantList &records, const QString &identifier)
{
    for (const QVariant &record : records)
        if (record.toMap().value(u"identifier"_s) == identifier)
            return record.toMap();
    return {};
}

} // namespace

TEST_F(VoiceCatalogue, LabelsKeepTheNamePartBeforeTheFirstParenthesis)
{
    voices.add(u"anna"_s, u"Anna (Premium)"_s, u"de-DE"_s, u"VoiceGenderFemale"_s);
    voices.add(u"alex"_s, u"Alex"_s, u"en-US"_s, u"VoiceGenderMale"_s);
    voices.add(u"paren"_s, u"(Compact) Fred"_s, u"en-GB"_s);
    voices.add(u"two"_s, u"A (b) (c)"_s, u"fr"_s, u"VoiceGenderNeuter"_s);
    const QVariantList records = delegate->getAvailableVoices();
    ASSERT_EQ(records.size(), 4);

    const QVariantMap anna = recordFor(records, u"anna"_s);
    EXPECT_EQ(anna.value(u"label"_s).toString(), u"Anna  ♀ (de-DE)"_s);
    EXPECT_EQ(anna.value(u"name"_s).toString(), u"Anna (Premium)"_s);
    EXPECT_EQ(anna.value(u"language"_s).toString(), u"de-DE"_s);
    EXPECT_EQ(anna.value(u"gender"_s).toString(), u"♀"_s);
    EXPECT_EQ(anna.size(), 5);

    EXPECT_EQ(recordFor(records, u"alex"_s).value(u"label"_s).toString(), u"Alex ♂ (en-US)"_s);
    EXPECT_EQ(recordFor(records, u"paren"_s).value(u"label"_s).toString(), u" ♂ (en-GB)"_s);
    EXPECT_EQ(recordFor(records, u"two"_s).value(u"label"_s).toString(), u"A  ♂ (fr)"_s);
}

TEST_F(VoiceCatalogue, OnlyTheExactFemaleValueGivesTheFemaleSymbol)
{
    voices.add(u"a"_s, u"A"_s, u"x"_s); // no gender
    voices.add(u"b"_s, u"B"_s, u"x"_s, u"VoiceGenderNeuter"_s);
    voices.add(u"c"_s, u"C"_s, u"x"_s, u"voicegenderfemale"_s); // case matters
    voices.add(u"d"_s, u"D"_s, u"x"_s, u"VoiceGenderFemale"_s);
    const QVariantList records = delegate->getAvailableVoices();
    QStringList genders;
    for (const QVariant &record : records)
        genders << record.toMap().value(u"gender"_s).toString();
    EXPECT_EQ(genders, (QStringList{u"♂"_s, u"♂"_s, u"♂"_s, u"♀"_s}));
}

TEST_F(VoiceCatalogue, IncompleteVoicesAreLeftOutAndOrderIsKept)
{
    voices.add(u"z"_s, u"Zed"_s, u"zz"_s);
    voices.voices.append({u"nameless"_s, {{u"VoiceLanguage"_s, u"en"_s}}});
    voices.voices.append({u"gone"_s, {}});
    voices.add(u"a"_s, u"Ay"_s, u"aa"_s);
    LogCapture log;
    const QVariantList records = delegate->getAvailableVoices();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records.at(0).toMap().value(u"identifier"_s), QVariant(u"z"_s));
    EXPECT_EQ(records.at(1).toMap().value(u"identifier"_s), QVariant(u"a"_s));
    EXPECT_EQ(log.lines(), QStringList{u"HERE!"_s});
}
