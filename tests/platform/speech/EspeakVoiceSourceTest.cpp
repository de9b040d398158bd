#include "platform/speech/EspeakVoiceSource.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/system/LogCapture.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

TEST(EspeakVoiceSource, ListsLanguageVoicesWithFemaleCompanions)
{
    EspeakVoiceSource source;
    const QStringList voices = source.availableVoices();
    ASSERT_GT(voices.size(), 20);
    EXPECT_EQ(source.availableVoices(), voices) << "the order must be stable";
    int female = 0;
    for (const QString &identifier : voices) {
        const QVariantMap attributes = source.attributesForVoice(identifier);
        EXPECT_EQ(attributes.value(u"VoiceIdentifier"_s).toString(), identifier);
        EXPECT_FALSE(attributes.value(u"VoiceName"_s).toString().isEmpty())
            << identifier.toStdString();
        EXPECT_FALSE(attributes.value(u"VoiceLanguage"_s).toString().isEmpty());
        EXPECT_TRUE(
            QStringList({u"VoiceGenderFemale"_s, u"VoiceGenderMale"_s, u"VoiceGenderNeuter"_s})
                .contains(attributes.value(u"VoiceGender"_s).toString()));
        female += attributes.value(u"VoiceGender"_s) == u"VoiceGenderFemale"_s;
    }
    EXPECT_GE(female, voices.size() / 3);

    const QVariantMap us = source.attributesForVoice(u"gmw/en-US+f3"_s);
    EXPECT_EQ(us.value(u"VoiceGender"_s), u"VoiceGenderFemale"_s);
    EXPECT_EQ(us.value(u"VoiceLanguage"_s), u"en-us"_s);
    EXPECT_EQ(us.value(u"VoiceName"_s), u"English, America"_s);
    EXPECT_TRUE(source.attributesForVoice(u"no-such-voice"_s).isEmpty());
}

TEST(EspeakVoiceSource, EveryListedVoiceLoads)
{
    LogCapture log;
    QTemporaryDir dir;
    SpeechSynthesizer synth;
    QSignalSpy ends(&synth, &SpeechSynthesizer::didFinishSpeaking);
    for (const QString &identifier : EspeakVoiceSource().availableVoices()) {
        SCOPED_TRACE(identifier.toStdString());
        ASSERT_TRUE(synth.setVoice(identifier));
        synth.startSpeakingString(u"a"_s, QUrl::fromLocalFile(dir.filePath(u"v.aiff"_s)));
        ASSERT_TRUE(ends.wait(60000));
        EXPECT_TRUE(ends.takeFirst().at(0).toBool());
    }
    EXPECT_TRUE(log.lines().filter(u"does not load"_s).isEmpty())
        << log.lines().join(u'\n').toStdString();
}

TEST(EspeakVoiceSource, DefaultVoiceFollowsTheLocaleElseEnglish)
{
    EspeakVoiceSource source;
    auto languageOf = [&](const QLocale &locale) {
        return source.attributesForVoice(source.voiceForLocale(locale))
            .value(u"VoiceLanguage"_s)
            .toString();
    };
    EXPECT_EQ(languageOf(QLocale(u"en_US"_s)), u"en-us"_s);
    EXPECT_EQ(languageOf(QLocale(u"en_GB"_s)), u"en-gb"_s);
    EXPECT_EQ(languageOf(QLocale(u"de_DE"_s)), u"de"_s);
    EXPECT_EQ(languageOf(QLocale(u"fr_FR"_s)), u"fr-fr"_s);
    // No voice of its own: English.
    EXPECT_TRUE(languageOf(QLocale(QLocale::C)).startsWith(u"en"_s));
    EXPECT_TRUE(languageOf(QLocale(QLocale::Cornish)).startsWith(u"en"_s));
    // Always a language voice, never a made-up female one.
    EXPECT_EQ(source.attributesForVoice(source.defaultVoice()).value(u"VoiceGender"_s),
              u"VoiceGenderMale"_s);
}
