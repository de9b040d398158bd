#include "platform/speech/SystemVoices.h"
#include "platform/process/Process.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SpeechTesting.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;

// These speak through the private speech-dispatcher that the test scripts
// start (scripts/speechd.sh): SPEECHD_ADDRESS names it, and the person's own
// server is never reached.

namespace {

const QString English = u"system:espeak-ng/English (America)"_s;

// What a synthesizer reported: the words' texts, and the ends.
struct Reports
{
    explicit Reports(SpeechSynthesizer &synthesizer)
    {
        QObject::connect(&synthesizer, &SpeechSynthesizer::willSpeakWord, &synthesizer,
                         [this](CharacterRange word, const QString &text) {
                             words << text.mid(qsizetype(word.location), qsizetype(word.length));
                         });
        QObject::connect(&synthesizer, &SpeechSynthesizer::didFinishSpeaking, &synthesizer,
                         [this](bool finished) { ends << finished; });
    }

    bool waitForEnds(qsizetype count) const
    {
        return QTest::qWaitFor([&] { return ends.size() >= count; }, TestSupport::Patience);
    }
    bool waitForWords(qsizetype count) const
    {
        return QTest::qWaitFor([&] { return words.size() >= count; }, TestSupport::Patience);
    }

    QStringList words;
    QList<bool> ends;
};

} // namespace

TEST(SystemVoices, SpeakWithTheWrittenWordsMarkedInOrderPauseContinueAndStop)
{
    ASSERT_TRUE(qEnvironmentVariableIsSet("SPEECHD_ADDRESS")) << "run through scripts/test.sh";
    SpeechSynthesizer synthesizer;
    ASSERT_TRUE(synthesizer.setVoice(English));
    Reports reports(synthesizer);

    // Markup characters (the brackets are part of the token, as in the
    // engines' marks), a line that would end the server's message, a
    // joined word: every written word marked whole, in order, to the end.
    ASSERT_TRUE(
        synthesizer.startSpeakingString(u"Tom & <Jerry> say well-known things.\n.\nThe end."_s));
    ASSERT_TRUE(reports.waitForEnds(1));
    EXPECT_EQ(reports.ends, QList<bool>{true});
    EXPECT_EQ(reports.words, (QStringList{u"Tom"_s, u"<Jerry>"_s, u"say"_s, u"well-known"_s,
                                          u"things"_s, u"The"_s, u"end"_s}));

    // Continue after Pause goes on to the end of the speech, from the word
    // it paused in.
    const QString counted = u"One two three four five six. Seven eight nine ten."_s;
    reports.words.clear();
    reports.ends.clear();
    synthesizer.startSpeakingString(counted);
    ASSERT_TRUE(reports.waitForWords(1));
    synthesizer.pauseSpeakingAtBoundary(0);
    EXPECT_TRUE(synthesizer.isSpeaking());
    synthesizer.continueSpeaking();
    ASSERT_TRUE(reports.waitForEnds(1));
    EXPECT_EQ(reports.ends, QList<bool>{true});
    reports.words.removeDuplicates();
    EXPECT_EQ(reports.words.join(u' '), u"One two three four five six Seven eight nine ten"_s);

    // Stop ends early, with its report, also during a pause, which does not
    // hold up the next speech; a speech started over another ends it
    // without one.
    reports.words.clear();
    reports.ends.clear();
    synthesizer.startSpeakingString(counted);
    ASSERT_TRUE(reports.waitForWords(1));
    synthesizer.pauseSpeakingAtBoundary(0);
    synthesizer.stopSpeaking();
    ASSERT_TRUE(reports.waitForEnds(1));
    synthesizer.startSpeakingString(counted);
    reports.words.clear();
    synthesizer.startSpeakingString(u"Replaced at once."_s);
    ASSERT_TRUE(reports.waitForEnds(2));
    EXPECT_EQ(reports.ends, (QList<bool>{false, true}));
    EXPECT_EQ(reports.words, (QStringList{u"Replaced"_s, u"at"_s, u"once"_s}));
    EXPECT_FALSE(synthesizer.isSpeaking());

    // Nothing is rendered for an export: the server keeps the sound.
    QTemporaryDir dir;
    const QString target = dir.filePath(u"out.wav"_s);
    SpeechSynthesizer::ExportOptions options;
    options.timingsPath = dir.filePath(u"t.vtt"_s);
    EXPECT_FALSE(
        synthesizer.startSpeakingString(u"Never."_s, QUrl::fromLocalFile(target), options));
    ASSERT_TRUE(reports.waitForEnds(3));
    EXPECT_FALSE(reports.ends.last());
    EXPECT_TRUE(
        synthesizer.errorString().contains(u"cannot be exported; the voices of espeak-ng"_s))
        << synthesizer.errorString().toStdString();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(SystemVoices, ListedWhileTheServerAnswersAndGoneWhenItDies)
{
    const QString spawn = qEnvironmentVariable("SPEECHD_CMD");
    ASSERT_FALSE(spawn.isEmpty()) << "run through scripts/test.sh";
    // A server of this test's own, started as libspeechd starts one.
    QTemporaryDir dir;
    const QString socket = dir.filePath(u"speechd.sock"_s);
    const auto starter = std::make_shared<Process>();
    starter->setLaunchPath(spawn);
    starter->setArguments(
        {u"--spawn"_s, u"--communication-method"_s, u"unix_socket"_s, u"--socket-path"_s, socket});
    ASSERT_TRUE(starter->launch());
    starter->waitUntilExit();
    ASSERT_EQ(starter->terminationStatus(), 0);
    const QByteArray address = qgetenv("SPEECHD_ADDRESS");
    qputenv("SPEECHD_ADDRESS", "unix_socket:" + QFile::encodeName(socket));
    // Once dead it stays dead: nothing starts it again.
    qputenv("SPEECHD_CMD", "/bin/false");
    // The voices and the connection of this server only, whatever ran
    // before in this process, and none of it left to what runs after.
    SpeechTesting::forgetSystemVoices();
    const auto restore = qScopeGuard([&] {
        qputenv("SPEECHD_ADDRESS", address);
        qputenv("SPEECHD_CMD", spawn.toLocal8Bit());
        SpeechTesting::forgetSystemVoices();
    });
    QSignalSpy changed(&SystemVoices::instance(), &SystemVoices::changed);

    SystemVoices::waitForVoices();
    const QStringList listed = SpeechSynthesizer::availableVoices();
    QStringList names;
    for (const QString &voice : listed)
        if (SystemVoices::isSystemVoice(voice))
            names << SpeechSynthesizer::attributesForVoice(voice).value(u"VoiceName"_s).toString();
    // Each voice of the module once, not once per variant.
    EXPECT_EQ(names.count(u"English, America"_s), 1);
    EXPECT_GT(names.size(), 20);
    EXPECT_LT(names.size(), 1000);
    EXPECT_EQ(SpeechSynthesizer::attributesForVoice(English),
              (QVariantMap{{u"VoiceName"_s, u"English, America"_s},
                           {u"VoiceLanguage"_s, u"en-US"_s},
                           {u"VoiceIdentifier"_s, English},
                           {u"VoiceModule"_s, u"espeak-ng"_s}}));

    SpeechSynthesizer synthesizer;
    ASSERT_TRUE(synthesizer.setVoice(English));
    Reports reports(synthesizer);
    synthesizer.startSpeakingString(
        u"A speech that the server does not live to finish. "_s.repeated(5));
    ASSERT_TRUE(reports.waitForWords(1));
    QFile pidFile(socket + u".pid"_s);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    ASSERT_EQ(::kill(pid_t(pidFile.readAll().trimmed().toInt()), SIGKILL), 0);

    // The speech ends without success, and the system voices are gone; the
    // others stay.
    ASSERT_TRUE(reports.waitForEnds(1));
    EXPECT_EQ(reports.ends, QList<bool>{false});
    EXPECT_EQ(synthesizer.errorString(), SystemVoices::stoppedAnswering());
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.size() == 2; }, TestSupport::Patience));
    EXPECT_EQ(SystemVoices::problem(), SystemVoices::stoppedAnswering());
    const QStringList left = SpeechSynthesizer::availableVoices();
    EXPECT_FALSE(std::any_of(left.begin(), left.end(), &SystemVoices::isSystemVoice));
    EXPECT_TRUE(left.contains(SpeechSynthesizer::defaultVoice()));
    EXPECT_FALSE(synthesizer.setVoice(English));
}
