// The synthesizer when the world under it fails: the audio server dies while
// it speaks, a listed voice does not load.
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SpeechTesting.h"
#include "platform/system/LogCapture.h"
#include "support/FakeVoiceSource.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

namespace {

// An audio server of the test's own, in a runtime folder of its own, so that
// killing it leaves the one the other tests use alone. The clients it serves
// may not start another when it dies.
struct PrivateAudioServer
{
    bool start()
    {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
        environment.insert(u"XDG_RUNTIME_DIR"_s, dir.path());
        environment.insert(
            u"PULSE_CLIENTCONFIG"_s,
            TestSupport::writeFile(dir.filePath(u"client.conf"_s), "autospawn = no\n"));
        environment.remove(u"PULSE_SERVER"_s);
        environment.remove(u"PULSE_SINK"_s);
        server.setProcessEnvironment(environment);
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(u"pulseaudio"_s,
                     {u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"-n"_s,
                      u"--use-pid-file=no"_s, u"-L"_s, u"module-native-protocol-unix"_s, u"-L"_s,
                      u"module-null-sink sink_name=fault_null norewinds=1"_s,
                      u"--log-target=stderr"_s, u"--log-level=error"_s});
        const auto answers = [this] {
            QProcess info;
            info.setProcessEnvironment(environment);
            info.start(u"pactl"_s, {u"info"_s});
            return info.waitForFinished(2000) && info.exitStatus() == QProcess::NormalExit &&
                   info.exitCode() == 0;
        };
        return server.waitForStarted() &&
               QTest::qWaitFor([&] { return server.state() != QProcess::Running || answers(); },
                               TestSupport::Patience) &&
               server.state() == QProcess::Running;
    }
    void kill()
    {
        server.kill();
        server.waitForFinished();
    }
    ~PrivateAudioServer() { kill(); }

    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess server;
};

} // namespace

TEST(SpeechFault, AudioServerKilledWhileSpeaking)
{
    if (QStandardPaths::findExecutable(u"pulseaudio"_s).isEmpty())
        GTEST_SKIP() << "pulseaudio is not installed";
    PrivateAudioServer server;
    ASSERT_TRUE(server.start()) << "the private audio server did not start";

    QProcess speaker;
    speaker.setProcessEnvironment(server.environment);
    speaker.start(QStringLiteral(SPEECH_FAULT_HELPER), QStringList());
    ASSERT_TRUE(speaker.waitForStarted());
    QByteArray out;
    QByteArray err;
    const auto collect = [&] {
        out += speaker.readAllStandardOutput();
        err += speaker.readAllStandardError();
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            collect();
            return out.contains("speaking\n") || speaker.state() != QProcess::Running;
        },
        TestSupport::Patience))
        << err.toStdString();
    ASSERT_TRUE(out.contains("speaking\n")) << out.toStdString() << err.toStdString();
    // It was heard on the server, not on the silent clock.
    ASSERT_FALSE(err.contains("silent clock")) << err.toStdString();

    server.kill();

    // The speech ends, goes on (on the silent clock: its words keep their
    // time) and a later speech ends as well; nothing crashes.
    EXPECT_TRUE(speaker.waitForFinished(TestSupport::Patience));
    collect();
    EXPECT_EQ(speaker.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(speaker.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(out, "speaking\nend 1\nagain 1\n") << err.toStdString();
    // It says once, and clearly, that there is no sound any more.
    EXPECT_EQ(err.count("tavorin: Speech plays on a silent clock"), 1) << err.toStdString();
}

TEST(SpeechFault, AVoiceThatDoesNotLoadSpeaksWithTheVoiceHeld)
{
    // The installed voices, and one more that is listed but has nothing behind it.
    const QString broken = u"zz/no-such-voice"_s;
    FakeVoiceSource voices;
    for (const QString &voice : SpeechSynthesizer::availableVoices() + QStringList{broken})
        voices.voices.append({voice, {{u"VoiceIdentifier"_s, voice}, {u"VoiceName"_s, voice}}});
    voices.defaultIdentifier = SpeechSynthesizer::defaultVoice();
    // A held voice that sounds unlike English, the fallback of last resort:
    // English speaks the German sentence below more than 2% longer or shorter.
    QString held;
    for (const QString &candidate : {u"gmw/de"_s, u"roa/fr"_s, u"roa/es"_s})
        if (voices.availableVoices().contains(candidate))
            held = candidate;
    if (held.isEmpty())
        GTEST_SKIP() << "no German, French or Spanish voice is installed";
    SpeechTesting::setVoiceSource(&voices);
    const auto restore = qScopeGuard([] { SpeechTesting::setVoiceSource(nullptr); });
    SpeechTesting::setSilentPlayback(true);
    const auto audible = qScopeGuard([] { SpeechTesting::setSilentPlayback(false); });

    QTemporaryDir dir;
    SpeechSynthesizer synthesizer(held);
    QSignalSpy ends(&synthesizer, &SpeechSynthesizer::didFinishSpeaking);
    int exports = 0;
    // The frames of the text exported with the synthesizer's voice; -1 when
    // the export did not end with success.
    const auto exported = [&]() -> qint64 {
        const QString path = dir.filePath(u"%1.aiff"_s.arg(++exports));
        synthesizer.startSpeakingString(u"Ein Satz, der gesprochen wird."_s,
                                        QUrl::fromLocalFile(path));
        if (!ends.wait(TestSupport::Patience) || !ends.takeFirst().at(0).toBool())
            return -1;
        return TestSupport::readSoundFile(path).info.frames;
    };
    // espeak-ng's first speech after loading a voice runs a little long.
    ASSERT_GT(exported(), 0);
    const qint64 reference = exported();
    ASSERT_GT(reference, 0);

    // Listed, so accepted; it fails only when the engine loads it.
    ASSERT_TRUE(synthesizer.setVoice(broken));
    LogCapture log;
    const qint64 fallback = exported();
    EXPECT_NEAR(double(fallback), double(reference), double(reference) * 0.002);
    const QStringList said = log.lines().filter(broken);
    ASSERT_EQ(said.size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(said.constFirst().contains(held)) << said.constFirst().toStdString();

    // Aloud too.
    synthesizer.setRate(450.0f);
    synthesizer.startSpeakingString(u"Kurz."_s);
    ASSERT_TRUE(ends.wait(TestSupport::Patience));
    EXPECT_TRUE(ends.takeFirst().at(0).toBool());
}
