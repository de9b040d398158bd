#include "platform/speech/EspeakVoiceSource.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/system/LogCapture.h"
#include "support/TestSupport.h"

#include <utility>

// The voice list itself, its labels and female companions, is seen through
// tavorin --list-voices.
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
        ASSERT_TRUE(ends.wait(TestSupport::Patience));
        EXPECT_TRUE(ends.takeFirst().at(0).toBool());
    }
    EXPECT_TRUE(log.lines().filter(u"does not load"_s).isEmpty())
        << log.lines().join(u'\n').toStdString();
}

TEST(EspeakVoiceSource, DefaultVoiceFollowsTheLocaleElseEnglish)
{
    EspeakVoiceSource source;
    // No voice of its own (C, Cornish): English.
    const std::pair<QLocale, QString> cases[] = {
        {QLocale(u"en_US"_s), u"en-us"_s}, {QLocale(u"en_GB"_s), u"en-gb"_s},
        {QLocale(u"de_DE"_s), u"de"_s},    {QLocale(u"fr_FR"_s), u"fr-fr"_s},
        {QLocale(QLocale::C), u"en"_s},    {QLocale(QLocale::Cornish), u"en"_s},
    };
    for (const auto &[locale, language] : cases)
        EXPECT_TRUE(source.attributesForVoice(source.voiceForLocale(locale))
                        .value(u"VoiceLanguage"_s)
                        .toString()
                        .startsWith(language))
            << locale.name().toStdString();
    // Always a language voice, never a made-up female one.
    EXPECT_EQ(source.attributesForVoice(source.defaultVoice()).value(u"VoiceGender"_s),
              u"VoiceGenderMale"_s);
}
