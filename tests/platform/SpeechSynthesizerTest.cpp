#include "platform/SpeechSynthesizer.h"
#include "platform/Log.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <functional>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr float FastRate = 450.0f;
constexpr int Timeout = 10000;

class Recorder : public SpeechSynthesizerDelegate
{
public:
    void speechSynthesizer(SpeechSynthesizer *, CharacterRange word, const QString &string) override
    {
        words.push_back(word);
        strings.push_back(string.mid(qsizetype(word.location), qsizetype(word.length)));
        spokenStrings.push_back(string);
        if (onWord)
            onWord();
    }
    void speechSynthesizer(SpeechSynthesizer *, bool finishedSpeaking) override
    {
        ends.push_back(finishedSpeaking);
    }

    bool waitForEnd(size_t count = 1)
    {
        return QTest::qWaitFor([&] { return ends.size() >= count; }, Timeout);
    }
    bool waitForWords(size_t count)
    {
        return QTest::qWaitFor([&] { return words.size() >= count; }, Timeout);
    }

    std::vector<CharacterRange> words;
    QStringList strings;
    QStringList spokenStrings;
    std::vector<bool> ends;
    std::function<void()> onWord;
};

struct SoundFile
{
    bool valid = false;
    SF_INFO info{};
    sf_count_t framesRead = 0;
    qint64 bytes = 0;
};

SoundFile readSoundFile(const QString &path)
{
    SoundFile result;
    result.bytes = QFileInfo(path).size();
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &result.info);
    if (!file)
        return result;
    std::vector<short> buffer(4096);
    sf_count_t got = 0;
    while ((got = sf_read_short(file, buffer.data(), sf_count_t(buffer.size()))) > 0)
        result.framesRead += got;
    sf_close(file);
    result.valid = true;
    return result;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString manyWords(int sentences)
{
    QString text;
    for (int i = 0; i < sentences; ++i)
        text += u"Number %1 is café, 中文 and 😀 here. "_s.arg(i);
    return text;
}

class SpeechSynthesizerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        synth = std::make_unique<SpeechSynthesizer>();
        synth->setDelegate(&recorder);
        synth->setRate(FastRate);
    }
    void TearDown() override { SpeechSynthesizer::setSilentPlaybackForced(false); }

    QString exportTo(const QString &path, const QString &text)
    {
        const size_t ends = recorder.ends.size();
        EXPECT_TRUE(synth->startSpeakingString(text, QUrl::fromLocalFile(path)));
        EXPECT_TRUE(recorder.waitForEnd(ends + 1));
        return path;
    }

    Recorder recorder;
    std::unique_ptr<SpeechSynthesizer> synth;
    QTemporaryDir dir;
};

} // namespace

TEST_F(SpeechSynthesizerTest, WordRangesAreUtf16RangesOfTheHandedString)
{
    const QString text = u"Café 中文 and 😀 done."_s;
    ASSERT_TRUE(synth->startSpeakingString(text));
    EXPECT_TRUE(synth->isSpeaking());
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.ends, std::vector<bool>{true});
    EXPECT_FALSE(synth->isSpeaking());
    EXPECT_EQ(recorder.strings, (QStringList{u"Café"_s, u"中文"_s, u"and"_s, u"😀"_s, u"done"_s}));
    EXPECT_EQ(recorder.spokenStrings.value(0), text);

    ASSERT_TRUE(synth->startSpeakingString(QString()));
    ASSERT_TRUE(recorder.waitForEnd(2));
    EXPECT_EQ(recorder.ends, (std::vector<bool>{true, true})) << "an empty text ends with success";
    EXPECT_EQ(recorder.words.size(), 5u);
}

TEST_F(SpeechSynthesizerTest, WordRangesStayRightAcrossPiecesOfALongText)
{
    // Written to a file: as fast as synthesis goes, with the same word reports.
    const QString text = manyWords(120);
    ASSERT_GT(text.size(), 4096);
    exportTo(dir.filePath(u"long.aiff"_s), text);
    ASSERT_EQ(recorder.ends, std::vector<bool>{true});
    ASSERT_FALSE(recorder.words.empty());
    // Numbers are read as several words over the same digits: a mark may
    // overlap the one before, but never starts at or before it.
    for (size_t i = 1; i < recorder.words.size(); ++i)
        ASSERT_GT(recorder.words[i].location, recorder.words[i - 1].location) << i;
    for (const QString &word : {u"Number"_s, u"café"_s, u"中文"_s, u"😀"_s})
        EXPECT_EQ(recorder.strings.count(word), 120) << word.toStdString();
    EXPECT_EQ(recorder.strings.back(), u"here"_s);
}

TEST_F(SpeechSynthesizerTest, PauseHoldsWordsAndClockUntilContinue)
{
    const QString text = u"one two three four five six seven eight"_s;
    synth->continueSpeaking(); // nothing to continue: no effect
    ASSERT_TRUE(synth->startSpeakingString(text));
    ASSERT_TRUE(recorder.waitForWords(2));
    synth->pauseSpeakingAtBoundary(0);
    const size_t heard = recorder.words.size();
    // The rest of the text would be over in about a second if the clock ran on.
    EXPECT_FALSE(QTest::qWaitFor([&] { return recorder.words.size() > heard; }, 1500));
    EXPECT_TRUE(recorder.ends.empty());
    EXPECT_TRUE(synth->isSpeaking());
    synth->continueSpeaking();
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.ends, std::vector<bool>{true});
    EXPECT_EQ(recorder.strings, text.split(u' ')) << "words after the pause were lost or repeated";
}

TEST_F(SpeechSynthesizerTest, StopReportsAnEarlyEndAndANewStartEndsTheOldSpeechSilently)
{
    const QString text = manyWords(3);
    ASSERT_TRUE(synth->startSpeakingString(text));
    ASSERT_TRUE(recorder.waitForWords(1));
    synth->stopSpeaking();
    EXPECT_FALSE(synth->isSpeaking());
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.ends, std::vector<bool>{false});
    const size_t heard = recorder.words.size();

    ASSERT_TRUE(synth->startSpeakingString(text));
    ASSERT_TRUE(recorder.waitForWords(heard + 1));
    synth->pauseSpeakingAtBoundary(0);
    synth->stopSpeaking();
    synth->continueSpeaking(); // what the controller does on an early end: no effect
    ASSERT_TRUE(recorder.waitForEnd(2));
    EXPECT_EQ(recorder.ends, (std::vector<bool>{false, false}));
    synth->stopSpeaking(); // idle: nothing more to report

    // A new start ends the running speech without a report.
    ASSERT_TRUE(synth->startSpeakingString(text));
    ASSERT_TRUE(recorder.waitForWords(recorder.words.size() + 1));
    ASSERT_TRUE(synth->startSpeakingString(u"Second text."_s));
    const qsizetype before = recorder.spokenStrings.size();
    ASSERT_TRUE(recorder.waitForEnd(3));
    EXPECT_EQ(recorder.ends, (std::vector<bool>{false, false, true}));
    for (qsizetype i = before; i < recorder.spokenStrings.size(); ++i)
        EXPECT_EQ(recorder.spokenStrings[i], u"Second text."_s)
            << "a word of the ended speech came late";
    EXPECT_EQ(recorder.strings.mid(before), (QStringList{u"Second"_s, u"text"_s}));
}

TEST_F(SpeechSynthesizerTest, SilentClockDeliversWordsAndEndAndSaysSoOnce)
{
    LogCapture log;
    SpeechSynthesizer::setSilentPlaybackForced(true);
    QSignalSpy audio(synth.get(), &SpeechSynthesizer::audioStarted);
    ASSERT_TRUE(synth->startSpeakingString(u"Quiet words here."_s));
    ASSERT_TRUE(recorder.waitForEnd());
    ASSERT_TRUE(synth->startSpeakingString(u"And again."_s));
    ASSERT_TRUE(recorder.waitForEnd(2));
    EXPECT_EQ(recorder.ends, (std::vector<bool>{true, true}));
    EXPECT_EQ(recorder.strings,
              (QStringList{u"Quiet"_s, u"words"_s, u"here"_s, u"And"_s, u"again"_s}));
    EXPECT_EQ(audio.count(), 2);
    EXPECT_EQ(log.lines().filter(u"silent"_s).size(), 1);
}

TEST_F(SpeechSynthesizerTest, ExportIsAiffWithEverySampleAndFollowsTheRate)
{
    const QString text = u"Hello é 中文 😀 world."_s;
    const SoundFile fast = readSoundFile(exportTo(dir.filePath(u"fast.aiff"_s), text));
    EXPECT_EQ(recorder.ends, std::vector<bool>{true});
    EXPECT_EQ(recorder.strings.first(), u"Hello"_s);
    ASSERT_TRUE(fast.valid);
    EXPECT_EQ(fast.info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(fast.info.samplerate, 22050);
    EXPECT_EQ(fast.info.channels, 1);
    EXPECT_GT(fast.info.frames, 22050 / 2);
    // The header's count is what the file really holds.
    EXPECT_EQ(fast.framesRead, fast.info.frames);
    EXPECT_LT(fast.bytes - 2 * fast.info.frames, 128);

    synth->setRate(175.0f);
    const SoundFile slow = readSoundFile(exportTo(dir.filePath(u"slow.aiff"_s), text));
    EXPECT_EQ(recorder.ends, (std::vector<bool>{true, true}));
    EXPECT_GT(slow.info.frames, fast.info.frames * 3 / 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{u"fast.aiff"_s, u"slow.aiff"_s}));
}

TEST_F(SpeechSynthesizerTest, StoppedExportLeavesTheExistingFileAndNoTemporary)
{
    const QString path = dir.filePath(u"out.aiff"_s);
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old contents");
    existing.close();

    recorder.onWord = [&] {
        if (recorder.words.size() == 50)
            synth->stopSpeaking();
    };
    ASSERT_TRUE(synth->startSpeakingString(manyWords(2000), QUrl::fromLocalFile(path)));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.ends, std::vector<bool>{false});
    EXPECT_EQ(contents(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.aiff"_s});
}

TEST_F(SpeechSynthesizerTest, FailingExportReportsEarlyEndAndLogsTheFile)
{
    LogCapture log;
    const QString path = dir.filePath(u"missing/out.aiff"_s);
    synth->startSpeakingString(u"Hello."_s, QUrl::fromLocalFile(path));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_FALSE(synth->startSpeakingString(u"Hello."_s, QUrl(u"https://example.org/x.aiff"_s)));
    ASSERT_TRUE(recorder.waitForEnd(2));
    EXPECT_EQ(recorder.ends, (std::vector<bool>{false, false}));
    EXPECT_TRUE(log.lines().filter(path).size() == 1) << log.lines().join(u'\n').toStdString();
    EXPECT_EQ(log.lines().filter(u"example.org"_s).size(), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(SpeechSynthesizerTest, VoiceSelection)
{
    const QString defaultVoice = SpeechSynthesizer::defaultVoice();
    ASSERT_FALSE(defaultVoice.isEmpty());
    const QString other = SpeechSynthesizer::availableVoices().last();
    EXPECT_TRUE(synth->setVoice(other));
    EXPECT_FALSE(synth->setVoice(u"no-such-voice"_s));
    EXPECT_EQ(synth->voice(), other);
    EXPECT_TRUE(synth->setVoice(QString()));
    EXPECT_EQ(synth->voice(), defaultVoice);
    EXPECT_EQ(SpeechSynthesizer(u"no-such-voice"_s).voice(), defaultVoice);
}

TEST_F(SpeechSynthesizerTest, DestroyedWhileSpeakingCallsNothingAndEngineStaysUsable)
{
    ASSERT_TRUE(synth->startSpeakingString(manyWords(3)));
    ASSERT_TRUE(recorder.waitForWords(1));
    synth.reset();
    const size_t heard = recorder.words.size();
    EXPECT_FALSE(QTest::qWaitFor(
        [&] { return recorder.words.size() > heard || !recorder.ends.empty(); }, 300));

    // A paused speech and an export, both abandoned.
    SetUp();
    ASSERT_TRUE(synth->startSpeakingString(manyWords(3)));
    ASSERT_TRUE(recorder.waitForWords(heard + 1));
    synth->pauseSpeakingAtBoundary(0);
    synth.reset();
    SetUp();
    synth->startSpeakingString(manyWords(500), QUrl::fromLocalFile(dir.filePath(u"x.aiff"_s)));
    synth.reset();

    SetUp();
    exportTo(dir.filePath(u"after.aiff"_s), u"Still here."_s);
    EXPECT_EQ(recorder.ends, std::vector<bool>{true});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"after.aiff"_s});
}
