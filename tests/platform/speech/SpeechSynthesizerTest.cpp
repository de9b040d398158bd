#include "platform/speech/SpeechSynthesizer.h"
#include "platform/system/LogCapture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBoundaryFinder>

#include <sndfile.h>

#include <functional>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr float FastRate = 450.0f;
// Generous: a loaded machine may run the suite several times slower.
constexpr int Timeout = 60000;

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
    for (const QString &word : {u"Number"_s, u"café"_s, u"中文"_s, u"😀"_s})
        EXPECT_EQ(recorder.strings.count(word), 120) << word.toStdString();
    EXPECT_EQ(recorder.strings.back(), u"here"_s);
}

// The engine reports fragments and overlapping ranges inside one written
// token; a reader must see each token marked once, in order, whole.
TEST_F(SpeechSynthesizerTest, MarksHoldWholeTokensInOrderAndNeverOverlap)
{
    const auto fortune = [](const char *name) {
        QFile file(u"/usr/share/games/fortunes/"_s + QString::fromLatin1(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(6000)) : QString();
    };
    struct Case
    {
        QString voice;
        QString text;
        QStringList marks; // among the marks, each whole
    };
    const QList<Case> cases = {
        {u"gmw/en"_s,
         u"Pages (973-1057) of 1,234,567 from 24.12.2023, e.g. by Dr. Smith."_s,
         {u"973-1057"_s, u"1,234,567"_s, u"24.12.2023"_s, u"Smith"_s}},
        {u"gmw/de"_s, u"Eins zwei drei \x1b[32mvier\x1b[0m fünf, z.B. 3,5 km."_s, {u"fünf"_s}},
        {u"gmw/en"_s,
         u"A family \U0001F468\u200D\U0001F469\u200D\U0001F467 and a flag "
         u"\U0001F1E9\U0001F1EA, cafe\u0301 and n\u0303o, then done."_s,
         {u"family"_s, u"cafe\u0301"_s, u"done"_s}},
        {u"gmw/de"_s, fortune("de/anekdoten.u8"), {}},
        {u"sit/cmn"_s, fortune("tang300.u8"), {}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.text.left(40).toStdString());
        ASSERT_FALSE(test.text.isEmpty()) << "the fortunes-de and fortunes-zh texts are missing";
        ASSERT_TRUE(synth->setVoice(test.voice));
        recorder.words.clear();
        recorder.strings.clear();
        exportTo(dir.filePath(u"marks.aiff"_s), test.text);
        ASSERT_TRUE(recorder.ends.back());
        ASSERT_GT(recorder.words.size(), 1u);
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, test.text);
        quint64 previousEnd = 0;
        for (const CharacterRange &word : recorder.words) {
            const quint64 end = word.location + word.length;
            ASSERT_GT(word.length, 0u);
            ASSERT_GE(word.location, previousEnd)
                << "a mark overlaps or goes back: " << recorder.strings.join(u'|').toStdString();
            graphemes.setPosition(qsizetype(word.location));
            EXPECT_TRUE(graphemes.isAtBoundary()) << "starts inside a character: " << word.location;
            graphemes.setPosition(qsizetype(end));
            EXPECT_TRUE(graphemes.isAtBoundary()) << "ends inside a character: " << end;
            previousEnd = end;
        }
        for (const QString &mark : test.marks)
            EXPECT_TRUE(recorder.strings.contains(mark))
                << mark.toStdString() << " in " << recorder.strings.join(u'|').toStdString();
    }
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

TEST_F(SpeechSynthesizerTest, QuickPlayStopCyclesLeaveTheNextSpeechAtItsOwnPace)
{
    const QString sentence = u"The quick brown fox jumps over the lazy dog."_s;
    synth->setRate(175.0f);
    const SoundFile render = readSoundFile(exportTo(dir.filePath(u"fox.aiff"_s), sentence));
    ASSERT_TRUE(render.valid);
    const double audioMs = double(render.info.frames) * 1000.0 / render.info.samplerate;

    // Each quick cycle used to leave the reused output a quarter smaller a
    // buffer, until the speech underran all the time and played stretched.
    QSignalSpy audio(synth.get(), &SpeechSynthesizer::audioStarted);
    for (int cycle = 0; cycle < 12; ++cycle) {
        SCOPED_TRACE(cycle);
        const size_t ends = recorder.ends.size();
        ASSERT_TRUE(synth->startSpeakingString(manyWords(40)));
        // Stopped before the stream takes data, just after, and a little later.
        if (cycle % 3 > 0) {
            ASSERT_TRUE(audio.wait(Timeout));
        }
        if (cycle % 3 == 2) {
            ASSERT_TRUE(recorder.waitForWords(recorder.words.size() + 2));
        }
        synth->stopSpeaking();
        ASSERT_TRUE(recorder.waitForEnd(ends + 1));
    }
    for (int play = 0; play < 2; ++play) {
        SCOPED_TRACE(play);
        const size_t ends = recorder.ends.size();
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(synth->startSpeakingString(sentence));
        ASSERT_TRUE(recorder.waitForEnd(ends + 1));
        const double playedMs = double(clock.elapsed());
        EXPECT_TRUE(recorder.ends.back());
        EXPECT_LT(std::abs(playedMs - audioMs), audioMs / 10)
            << "played for " << playedMs << " ms, audio of " << audioMs << " ms";
    }
}
