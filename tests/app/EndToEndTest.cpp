// The window with the real synthesizer and the real audio server.
#include "AppFixture.h"
#include "platform/speech/SpeechTesting.h"

#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

using EndToEnd = LaunchedWindow;

TEST_F(EndToEnd, TypedTextIsHeardOnTheAudioServerAndEndsWithSuccess)
{
    QProcess pactl;
    pactl.start(u"pactl"_s, {u"get-default-sink"_s});
    pactl.waitForFinished(TestSupport::Patience);
    const QString sink = QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
    if (sink.isEmpty())
        GTEST_SKIP() << "no audio server answers (scripts/test.sh starts one)";

    QProcess recorder;
    recorder.start(u"parec"_s, {u"-d"_s, sink + u".monitor"_s, u"--format=s16le"_s,
                                u"--rate=22050"_s, u"--channels=1"_s, u"--raw"_s});
    ASSERT_TRUE(recorder.waitForStarted());

    text->setFocus();
    QTest::keyClicks(text, u"Hello from the speaking editor."_s);
    LogCapture log;
    QTest::mouseClick(child<QPushButton>("playButton"), Qt::LeftButton);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{0, 31})) << "nothing selected: all of it";
    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(TestSupport::Patience));

    const QByteArray recorded = recorder.readAllStandardOutput();
    const auto *samples = reinterpret_cast<const qint16 *>(recorded.constData());
    const qsizetype count = recorded.size() / qsizetype(sizeof(qint16));
    int peak = 0;
    for (qsizetype i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    EXPECT_GT(count, 22050 / 2) << "less than half a second was recorded";
    EXPECT_GT(peak, 1000) << "the recording is silent";
    EXPECT_EQ(log.count(u"Without any success"_s), 0);
}

// The whole text, whatever the last playback spoke, as long as the command
// line engine's own render at that rate.
TEST_F(EndToEnd, ExportOfTheWholeTextLastsAsLongAsTheCommandLineEngineSays)
{
    const QString sentence = u"The quick brown fox jumps over the lazy dog."_s;
    text->setPlainText(sentence);
    select(4, 5);
    delegate->doPlay(nullptr);
    delegate->doStop(nullptr);
    delegate->setCurrentRate(190.0f);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"sentence.aiff"_s);
    LogCapture log;
    delegate->doExport(nullptr);
    ASSERT_TRUE(currentDialog<QFileDialog>());
    currentDialog<QFileDialog>()->reject();
    EXPECT_FALSE(delegate->isExporting()) << "a cancelled export changes nothing";
    delegate->doExport(nullptr);
    ASSERT_TRUE(choose(path));
    ASSERT_TRUE(waitForLog(log, u"With success"_s));

    const QString reference = dir.filePath(u"reference.wav"_s);
    QProcess espeak;
    espeak.start(u"espeak-ng"_s, {u"-v"_s, delegate->speechSynth()->voice(), u"-s"_s, u"190"_s,
                                  u"-w"_s, reference, sentence});
    ASSERT_TRUE(espeak.waitForFinished(TestSupport::Patience));
    ASSERT_EQ(espeak.exitCode(), 0);

    const sf_count_t exported = TestSupport::readSoundFile(path).info.frames;
    const sf_count_t expected = TestSupport::readSoundFile(reference).info.frames;
    ASSERT_GT(expected, 0);
    EXPECT_NEAR(double(exported), double(expected), double(expected) * 0.01);
}

// The export is long enough for worker processes: none is left either.
TEST_F(EndToEnd, StopDuringAnExportEndsWithAllFlagsDownAndKeepsTheFileThatWasThere)
{
    text->setPlainText(QString(u"A long text to render into a file. "_s).repeated(3000));
    delegate->setCurrentRate(80.0f);
    // Idle cores, whatever the machine's load: the export starts workers.
    SpeechTesting::setBusyCores([] { return 0.0; });
    const auto restore = qScopeGuard([] { SpeechTesting::setBusyCores({}); });
    QTemporaryDir dir;
    const QString path = TestSupport::writeFile(dir.filePath(u"stopped.aiff"_s), "old contents");
    LogCapture log;
    delegate->doExport(nullptr);
    // The panel asks before it names a file that exists.
    QTimer replace;
    QObject::connect(&replace, &QTimer::timeout, [] {
        if (auto *box = currentDialog<QMessageBox>())
            box->button(QMessageBox::Yes)->click();
    });
    replace.start(10);
    ASSERT_TRUE(choose(path));
    replace.stop();
    ASSERT_TRUE(delegate->isExporting());
    ASSERT_TRUE(
        QTest::qWaitFor([] { return !TestSupport::children().isEmpty(); }, TestSupport::Patience));
    delegate->doStop(nullptr);
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s));
    EXPECT_FALSE(delegate->isExporting());
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_EQ(log.count(u"With success"_s), 0);
    EXPECT_TRUE(TestSupport::children().isEmpty());
    EXPECT_EQ(TestSupport::contents(path), "old contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{u"stopped.aiff"_s});
}
