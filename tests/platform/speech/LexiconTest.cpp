#include "platform/speech/Lexicon.h"
#include "support/TestSupport.h"

using namespace Qt::StringLiterals;

// What a voice is given for a text: whole tokens as the marks cut them,
// case as written, sections by language, expressions with their groups, and
// phonemes only for an engine that reads them.
TEST(Lexicon, RewritesWholeTokensByCaseSectionAndExpression)
{
    struct Case
    {
        QString lexicon;
        QString language;
        bool phonemes;
        QString text;
        QString spoken;
    };
    const QString words =
        u"Tavorin = Ta vo rin # a name\nC# = C sharp\nUS = United States\nus = uhs\ncat = dog\n"
        "e.g. = for example\n3:45 = quarter to four\nNew York = NYC\n"_s;
    const QString sections = u"Haus = house\n[de]\nHaus = Hous\n[pt-br]\nHaus = casa\n"_s;
    const Case cases[] = {
        {words, u"en"_s, false, u"I use Tavorin and C#."_s, u"I use Ta vo rin and C sharp."_s},
        {words, u"en"_s, false, u"US, us, Us and uS"_s, u"United States, uhs, uhs and uhs"_s},
        {words, u"en"_s, false, u"cat concatenate CAT"_s, u"dog concatenate dog"_s},
        {words, u"en"_s, false, u"see e.g. this, e.g"_s, u"see for example this, e.g"_s},
        {words, u"en"_s, false, u"at 3:45 or 13:45"_s, u"at quarter to four or 13:45"_s},
        {words, u"en"_s, false, u"New York, new york, New Yorker"_s,
         u"NYC, new york, New Yorker"_s},
        // Tokens in a script without spaces, where a run is one token, and a
        // word that begins with no letter.
        {u"中文 = Chinese\nTavorin = Tavo\n"_s, u"en"_s, false, u"我说中文, 中文 (Tavorin)."_s,
         u"我说中文, Chinese (Tavo)."_s},
        {u"€ = euro\nwell-known = famous\n"_s, u"en"_s, false, u"€5, € 5 is well-known, well"_s,
         u"€5, euro 5 is famous, well"_s},
        {sections, u"de-DE"_s, false, u"Haus"_s, u"Hous"_s},
        {sections, u"en-us"_s, false, u"Haus"_s, u"house"_s},
        {sections, u"pt"_s, false, u"Haus"_s, u"house"_s},
        {sections, u"pt_BR"_s, false, u"Haus"_s, u"casa"_s},
        {u"/§ ?(\\d+)/ = Paragraph \\1\n"_s, u"de"_s, false, u"§ 12 and §3"_s,
         u"Paragraph 12 and Paragraph 3"_s},
        // Each expression's groups, also those its own pattern refers to.
        {u"/(a)x\\1/ = A\n/(b)(c)/ = \\2\\1\n"_s, u"en"_s, false, u"axa bc axb"_s, u"A cb axb"_s},
        {u"/(?<n>a)b/ = x\\1\n/(?<n>c)d/ = y\\1\n"_s, u"en"_s, false, u"ab cd"_s, u"xa yc"_s},
        {u"/\\bcat/ = lion\ncat = dog\n"_s, u"en"_s, false, u"cat cats"_s, u"lion lions"_s},
        {u"hello = [[h@l'oU]]\n"_s, u"en"_s, true, u"[[x]] hello"_s,
         u"\uFF3B\uFF3Bx]] [[h@l'oU]]"_s},
        {u"hello = [[h@l'oU]]\n"_s, u"en"_s, false, u"[[x]] hello"_s, u"[[x]] hello"_s},
    };
    for (const Case &c : cases) {
        Lexicon lexicon;
        lexicon.add(c.lexicon, u"lexicon.txt"_s);
        EXPECT_TRUE(lexicon.problems().isEmpty()) << lexicon.problems().join(u'\n').toStdString();
        const Lexicon::Rewrite rewrite = lexicon.rewrite(c.text, c.language, c.phonemes);
        EXPECT_EQ(rewrite.spoken(), c.spoken) << rewrite.spoken().toStdString();
        EXPECT_EQ(rewrite.hasPhonemes(), c.phonemes && c.spoken.contains(u"[["_s));
    }
}

// Every part of a replacement stands for the whole written word; the text
// around it keeps its place.
TEST(Lexicon, SpokenRangesLeadBackToTheWrittenWord)
{
    Lexicon lexicon;
    lexicon.add(u"Tavorin = Ta vo rin\nDr. = Doctor\n"_s, u"lexicon.txt"_s);
    const QString written = u"Dr. Who likes Tavorin a lot"_s;
    const Lexicon::Rewrite rewrite = lexicon.rewrite(written, u"en"_s, false);
    ASSERT_EQ(rewrite.spoken(), u"Doctor Who likes Ta vo rin a lot"_s);
    const std::pair<QString, QString> cases[] = {
        {u"Doctor"_s, u"Dr."_s},      {u"Who"_s, u"Who"_s},         {u"Ta"_s, u"Tavorin"_s},
        {u"vo"_s, u"Tavorin"_s},      {u"rin a"_s, u"Tavorin a"_s}, {u"lot"_s, u"lot"_s},
        {u"tor Who"_s, u"Dr. Who"_s},
    };
    for (const auto &[spoken, expected] : cases) {
        const qsizetype at = rewrite.spoken().indexOf(spoken);
        const CharacterRange range = rewrite.written({quint64(at), quint64(spoken.size())});
        EXPECT_EQ(written.mid(qsizetype(range.location), qsizetype(range.length)), expected)
            << spoken.toStdString();
    }
}

// A broken entry is named by its file and line and left out; the sound
// entries around it still apply.
TEST(Lexicon, BrokenEntriesAreReportedByLineAndLeftOut)
{
    Lexicon lexicon;
    lexicon.add(u"\uFEFFTavorin = Tavo\r\nx = y\n\n/(a/ = b\n = nothing\nword =\nno sign\n"
                "?! = what\n/a/ = \\2\nx = [[x\n[zz]\ny = z\n"_s,
                u"lexicon.txt"_s);
    const QStringList expected = {
        u"lexicon.txt line 4: the regular expression does not compile: "_s,
        u"lexicon.txt line 5: the left side is empty"_s,
        u"lexicon.txt line 6: the right side is empty"_s,
        u"lexicon.txt line 7: there is no \"=\""_s,
        u"lexicon.txt line 8: \"?!\" holds no word"_s,
        u"lexicon.txt line 9: the replacement uses \\2, but the expression has 0 groups"_s,
        u"lexicon.txt line 10: the phonemes do not end with \"]]\""_s,
        u"lexicon.txt line 11: the section [zz] names no known language"_s,
    };
    ASSERT_EQ(lexicon.problems().size(), expected.size())
        << lexicon.problems().join(u'\n').toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(lexicon.problems()[i].startsWith(expected[i]))
            << lexicon.problems()[i].toStdString();
    EXPECT_EQ(lexicon.rewrite(u"Tavorin y"_s, u"en"_s, false).spoken(), u"Tavo y"_s);
}
