#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/Lexicon.h"
#include "platform/speech/SpeechTesting.h"
#include "support/TestSupport.h"

#include <QScopeGuard>
#include <QTextBoundaryFinder>
#include <QThread>

#include <csignal>
#include <memory>

#include <sys/resource.h>

namespace {

SpeechSynthesizer::ExportOptions jobsOption(int jobs)
{
    SpeechSynthesizer::ExportOptions options;
    options.jobs = jobs;
    return options;
}

constexpr float FastRate = 450.0f;

QString manyWords(int sentences)
{
    QString text;
    for (int i = 0; i < sentences; ++i)
        text += u"Number %1 is café, 中文 and 😀 here. "_s.arg(i);
    return text;
}

// Longer than a piece of synthesis (2048 UTF-16 units), without a space, and
// a combining mark where a piece would end if cut by length: the kana's
// voicing mark, a Thai vowel and tone.
QString withoutSpaces(const QString &start, const QString &repeated)
{
    return start + repeated.repeated(2100 / repeated.size());
}

class SpeechSynthesizerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        synth = std::make_unique<SpeechSynthesizer>();
        synth->setRate(FastRate);
        words = std::make_unique<QSignalSpy>(synth.get(), &SpeechSynthesizer::willSpeakWord);
        ends = std::make_unique<QSignalSpy>(synth.get(), &SpeechSynthesizer::didFinishSpeaking);
    }

    CharacterRange range(qsizetype i) const { return words->at(i).at(0).value<CharacterRange>(); }
    // The words reported from the `from`th on, as text.
    QStringList spoken(qsizetype from = 0) const
    {
        QStringList result;
        for (qsizetype i = from; i < words->size(); ++i)
            result << words->at(i).at(1).toString().mid(qsizetype(range(i).location),
                                                        qsizetype(range(i).length));
        return result;
    }
    QList<bool> endResults() const
    {
        QList<bool> result;
        for (const QList<QVariant> &end : *ends)
            result << end.at(0).toBool();
        return result;
    }
    static bool waitFor(const std::unique_ptr<QSignalSpy> &spy, qsizetype count)
    {
        return QTest::qWaitFor([&] { return spy->size() >= count; }, TestSupport::Patience);
    }
    QString exportTo(const QString &path, const QString &text)
    {
        const qsizetype before = ends->size();
        EXPECT_TRUE(synth->startSpeakingString(text, QUrl::fromLocalFile(path)));
        EXPECT_TRUE(waitFor(ends, before + 1));
        return path;
    }

    std::unique_ptr<SpeechSynthesizer> synth;
    std::unique_ptr<QSignalSpy> words;
    std::unique_ptr<QSignalSpy> ends;
    QTemporaryDir dir;
};

} // namespace

// The engine reports fragments and overlapping ranges inside one written
// token; a reader must see each token marked once, in order, whole, as a
// range of UTF-16 units of the string it was handed.
TEST_F(SpeechSynthesizerTest, MarksHoldWholeTokensInOrderAndNeverOverlap)
{
    const auto fortune = [](const char *name) {
        QFile file(u"/usr/share/games/fortunes/"_s + QString::fromLatin1(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(6000)) : QString();
    };
    QString loneSurrogate = u"Before x after, then done."_s;
    loneSurrogate[7] = QChar(0xD800);
    struct Case
    {
        QString voice;
        QString text;
        QStringList marks; // among the marks, each whole
        int times = 1;     // how often each of them is
        bool all = false;  // the marks are these, in this order
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
        // A NUL and a lone surrogate each count as one character.
        {u"gmw/en"_s, u"One\u0000two, three and done."_s, {u"three"_s, u"done"_s}},
        {u"gmw/en"_s, loneSurrogate, {u"after"_s, u"done"_s}},
        // Words the engine folds into the report of the word before, reports
        // with length 0 (before a closing quotation mark), a time in parts.
        {u"gmw/en-US"_s,
         u"From the lantern in the wind, he said “a quote” and left. It is 3:45 on 24.12.2023."_s,
         u"From the lantern in the wind he said a quote and left It is 3:45 on 24.12.2023"_s.split(
             u' '),
         1, true},
        {u"gmw/de"_s, u"Er sagte „ein Zitat“ und »noch eins« um 10:30:15 Uhr."_s,
         u"Er sagte ein Zitat und noch eins um 10:30:15 Uhr"_s.split(u' '), 1, true},
        // Longer than a piece of synthesis and without a space to cut at.
        {u"gmw/en"_s, u"中😀"_s.repeated(1200) + u" done."_s, {}},
        {u"jpx/ja"_s, withoutSpaces(u"ア"_s, u"か\u3099き"_s), {}},
        {u"tai/th"_s, withoutSpaces(u"ภาษาไทย"_s, u"ภาษาไทยที่สวยงาม"_s), {u"ภาษา"_s}, 132},
        // flite, with letters of several bytes before the words, and where
        // the words stand between long runs of punctuation.
        {u"flite:slt"_s, u"Café naïve, 東京 and 😀 then “done”."_s,
         u"Café naïve 東京 and 😀 then done"_s.split(u' '), 1, true},
        {u"flite:kal"_s,
         u"Wait"_s + u"."_s.repeated(400) + u"what? "_s + u"!"_s.repeated(500) + u" \"(done)\""_s +
             u"?"_s.repeated(700),
         {u"Wait"_s, u"what"_s, u"done"_s},
         1,
         true},
        // Many pieces: no word lost or repeated where one ends.
        {u"gmw/en"_s, manyWords(120), {u"Number"_s, u"café"_s, u"中文"_s, u"😀"_s}, 120},
        {u"gmw/de"_s, fortune("de/anekdoten.u8"), {}},
        {u"sit/cmn"_s, fortune("tang300.u8"), {}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.text.left(40).toStdString());
        ASSERT_FALSE(test.text.isEmpty()) << "the fortunes-de and fortunes-zh texts are missing";
        ASSERT_TRUE(synth->setVoice(test.voice));
        words->clear();
        exportTo(dir.filePath(u"marks.aiff"_s), test.text);
        ASSERT_TRUE(endResults().back());
        ASSERT_GT(words->size(), 1);
        const QStringList marks = spoken();
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, test.text);
        quint64 previousEnd = 0;
        for (qsizetype i = 0; i < words->size(); ++i) {
            const quint64 end = range(i).location + range(i).length;
            ASSERT_GT(range(i).length, 0u);
            ASSERT_GE(range(i).location, previousEnd)
                << "a mark overlaps or goes back: " << marks.join(u'|').toStdString();
            graphemes.setPosition(qsizetype(range(i).location));
            EXPECT_TRUE(graphemes.isAtBoundary()) << "starts inside a character";
            graphemes.setPosition(qsizetype(end));
            EXPECT_TRUE(graphemes.isAtBoundary()) << "ends inside a character";
            previousEnd = end;
        }
        if (test.all) {
            EXPECT_EQ(marks.join(u'|').toStdString(), test.marks.join(u'|').toStdString());
            continue;
        }
        for (const QString &mark : test.marks)
            EXPECT_EQ(marks.count(mark), test.times)
                << mark.toStdString() << " in " << marks.join(u'|').toStdString();
    }
}

// With espeak-ng's voice and with flite's at 8 kHz.
TEST_F(SpeechSynthesizerTest, PauseHoldsWordsAndClockUntilContinue)
{
    const QString text = u"one two three four five six seven eight"_s;
    for (const QString &voice : {SpeechSynthesizer::defaultVoice(), u"flite:kal"_s}) {
        SCOPED_TRACE(voice.toStdString());
        SetUp();
        ASSERT_TRUE(synth->setVoice(voice));
        synth->continueSpeaking(); // nothing to continue: no effect
        ASSERT_TRUE(synth->startSpeakingString(QString()));
        ASSERT_TRUE(waitFor(ends, 1)) << "an empty text ends, with success";
        ASSERT_TRUE(synth->startSpeakingString(text));
        ASSERT_TRUE(waitFor(words, 2));
        synth->pauseSpeakingAtBoundary(0);
        const qsizetype heard = words->size();
        // The rest of the text would be over in about a second if the clock ran on.
        EXPECT_FALSE(QTest::qWaitFor([&] { return words->size() > heard; }, 1500));
        EXPECT_EQ(ends->size(), 1);
        EXPECT_TRUE(synth->isSpeaking());
        synth->continueSpeaking();
        ASSERT_TRUE(waitFor(ends, 2));
        EXPECT_EQ(endResults(), (QList<bool>{true, true}));
        EXPECT_EQ(spoken(), text.split(u' ')) << "words after the pause were lost or repeated";
    }
}

TEST_F(SpeechSynthesizerTest, StopReportsAnEarlyEndAndANewStartEndsTheOldSpeechSilently)
{
    // A flite voice stopped while it speaks ends at once, not after the
    // minutes that the rest of the text takes to render.
    ASSERT_TRUE(synth->setVoice(u"flite:slt"_s));
    ASSERT_TRUE(synth->startSpeakingString(manyWords(3000)));
    ASSERT_TRUE(waitFor(words, 1));
    synth->stopSpeaking();
    ASSERT_TRUE(waitFor(ends, 1));
    EXPECT_EQ(endResults(), QList<bool>{false});
    ends->clear();
    ASSERT_TRUE(synth->setVoice(QString()));

    // Stopped while paused (stopping a speech is seen through the window).
    const QString text = manyWords(3);
    ASSERT_TRUE(synth->startSpeakingString(text));
    ASSERT_TRUE(waitFor(words, words->size() + 1));
    synth->pauseSpeakingAtBoundary(0);
    synth->stopSpeaking();
    EXPECT_FALSE(synth->isSpeaking());
    synth->continueSpeaking(); // what the controller does on an early end: no effect
    ASSERT_TRUE(waitFor(ends, 1));
    synth->stopSpeaking(); // idle: nothing more to report

    // A new start ends the running speech without a report.
    ASSERT_TRUE(synth->startSpeakingString(text));
    ASSERT_TRUE(waitFor(words, words->size() + 1));
    ASSERT_TRUE(synth->startSpeakingString(u"Second text."_s));
    const qsizetype before = words->size();
    ASSERT_TRUE(waitFor(ends, 2));
    EXPECT_EQ(endResults(), (QList<bool>{false, true}));
    EXPECT_EQ(spoken(before), (QStringList{u"Second"_s, u"text"_s}))
        << "a word of the ended speech came late";
}

// With worker processes (the helper program stands in for the program): the
// words and the file are those of one process, and a stopped export ends
// every worker.
TEST_F(SpeechSynthesizerTest, ExportWithWorkersAgreesWithOneProcessAndStopEndsEveryWorker)
{
    SpeechSynthesizer::setRenderProgram(QStringLiteral(SPEECH_FAULT_HELPER));
    SpeechTesting::setParallelFrom(1);
    const auto restore = qScopeGuard([] {
        SpeechSynthesizer::setRenderProgram(QString());
        SpeechTesting::setParallelFrom(0);
    });
    // The same file and marks as one process makes, with runs cut at a
    // paragraph's end, inside a long paragraph and where there is no space;
    // flite, which makes each sentence on its own, to the sample; through a
    // lexicon, whose marks name the written words.
    const QString paragraphs = manyWords(15) + u"\n\n"_s + manyWords(40) + u"\n\n"_s + manyWords(5);
    const struct
    {
        QString voice;
        QString text;
        double slack;
        QString lexicon;
    } texts[] = {{u"tai/th"_s, withoutSpaces(u"ภาษาไทย"_s, u"ภาษาไทยที่สวยงาม"_s), 0.005, {}},
                 {u"gmw/en"_s, paragraphs, 0.005, {}},
                 {u"flite:slt"_s, paragraphs, 0, {}},
                 {u"gmw/en"_s, paragraphs, 0.005,
                  u"café = coffee shop\nNumber = [[n'Vmb3]]\n/(\\d+) is/ = \\1 was\n"_s}};
    QStringList written;
    for (const auto &[voice, text, slack, lexicon] : texts) {
        ASSERT_TRUE(synth->setVoice(voice));
        auto pronunciations = std::make_shared<Lexicon>();
        pronunciations->add(lexicon, u"lexicon.txt"_s);
        synth->setLexicon(pronunciations);
        QList<CharacterRange> marks[2];
        double frames[2] = {};
        for (const int jobs : {1, 3}) {
            words->clear();
            written << u"%1-%2.wav"_s.arg(written.size()).arg(jobs);
            ASSERT_TRUE(synth->startSpeakingString(
                text, QUrl::fromLocalFile(dir.filePath(written.back())), jobsOption(jobs)));
            ASSERT_TRUE(waitFor(ends, ends->size() + 1));
            for (qsizetype i = 0; i < words->size(); ++i)
                marks[jobs / 3] << range(i);
            frames[jobs / 3] =
                double(TestSupport::readSoundFile(dir.filePath(written.back())).info.frames);
        }
        EXPECT_GT(marks[0].size(), 100);
        EXPECT_EQ(marks[1], marks[0]);
        EXPECT_NEAR(frames[1], frames[0], frames[0] * slack);
    }
    EXPECT_TRUE(spoken().contains(u"café"_s));
    EXPECT_TRUE(spoken().contains(u"12 is"_s));
    EXPECT_FALSE(spoken().contains(u"coffee"_s) || spoken().contains(u"was"_s));
    synth->setLexicon(nullptr);
    EXPECT_EQ(endResults(), QList<bool>(8, true));
    ends->clear();

    ASSERT_TRUE(synth->startSpeakingString(
        manyWords(3000), QUrl::fromLocalFile(dir.filePath(u"stopped.wav"_s)), jobsOption(2)));
    ASSERT_TRUE(waitFor(words, words->size() + 1));
    EXPECT_FALSE(TestSupport::children().isEmpty());
    synth->stopSpeaking();
    ASSERT_TRUE(waitFor(ends, 1));
    EXPECT_EQ(endResults(), QList<bool>{false});
    EXPECT_TRUE(TestSupport::children().isEmpty());

    // A file that cannot grow (the size limit stands in for a full disk):
    // the end is reported once every worker has been reaped.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{64 * 1024, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    const bool started = synth->startSpeakingString(
        manyWords(3000), QUrl::fromLocalFile(dir.filePath(u"full.wav"_s)), jobsOption(2));
    const bool ended = started && waitFor(ends, 2);
    const QList<qint64> left = TestSupport::children();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    ASSERT_TRUE(ended);
    EXPECT_EQ(endResults(), (QList<bool>{false, false}));
    EXPECT_TRUE(left.isEmpty()) << "workers were still running at the end report";
    written.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), written);
}

// Left to choose, an export starts no worker for the cores other programs
// keep busy. A render program that cannot start shows whether one was tried.
TEST_F(SpeechSynthesizerTest, ExportStartsWorkersOnlyForTheCoresOthersLeaveFree)
{
    const int cores = QThread::idealThreadCount();
    if (cores < 2)
        GTEST_SKIP() << "one core: an export never has workers";
    SpeechSynthesizer::setRenderProgram(dir.filePath(u"missing"_s));
    SpeechTesting::setParallelFrom(1);
    const auto restore = qScopeGuard([] {
        SpeechSynthesizer::setRenderProgram(QString());
        SpeechTesting::setParallelFrom(0);
        SpeechTesting::setBusyCores({});
    });
    // Every core taken, all but 1.4 of them (one left to this process), none.
    for (const double busy : {double(cores), cores - 1.4, 0.0}) {
        SCOPED_TRACE(busy);
        SpeechTesting::setBusyCores([busy] { return busy; });
        ends->clear();
        ASSERT_TRUE(synth->startSpeakingString(manyWords(60),
                                               QUrl::fromLocalFile(dir.filePath(u"out.wav"_s))));
        ASSERT_TRUE(waitFor(ends, 1));
        EXPECT_EQ(endResults(), QList<bool>{busy > 0}) << "a worker was started: " << (busy == 0);
    }
}

TEST_F(SpeechSynthesizerTest, DestroyedWhileSpeakingCallsNothingAndEngineStaysUsable)
{
    // Speaking, paused, and exporting, each destroyed: the engine's late
    // wake-ups must not reach the destroyed synthesizer.
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        SetUp();
        if (kind < 2) {
            ASSERT_TRUE(synth->startSpeakingString(manyWords(3)));
            ASSERT_TRUE(waitFor(words, 1));
            if (kind == 1)
                synth->pauseSpeakingAtBoundary(0);
        } else {
            synth->startSpeakingString(manyWords(500), QUrl::fromLocalFile(dir.filePath(u"x"_s)));
        }
        synth.reset();
    }
    SetUp();
    exportTo(dir.filePath(u"after.aiff"_s), u"Still here."_s);
    EXPECT_EQ(endResults(), QList<bool>{true});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"after.aiff"_s});
}

TEST_F(SpeechSynthesizerTest, QuickPlayStopCyclesLeaveTheNextSpeechAtItsOwnPace)
{
    // Each quick cycle used to leave the reused output a quarter smaller a
    // buffer, until the speech underran all the time and played stretched:
    // every speech gets an output of the same buffer.
    QSignalSpy audio(synth.get(), &SpeechSynthesizer::audioStarted);
    QList<qsizetype> buffers;
    for (int cycle = 0; cycle < 12; ++cycle) {
        SCOPED_TRACE(cycle);
        const qsizetype before = ends->size();
        ASSERT_TRUE(synth->startSpeakingString(manyWords(40)));
        // Stopped before the stream takes data, just after, and a little later.
        ASSERT_TRUE(cycle % 3 == 0 || audio.wait(TestSupport::Patience));
        ASSERT_TRUE(cycle % 3 < 2 || waitFor(words, words->size() + 2));
        if (cycle % 3 != 0)
            buffers << SpeechTesting::outputBufferBytes();
        synth->stopSpeaking();
        ASSERT_TRUE(waitFor(ends, before + 1));
    }
    const qsizetype before = ends->size();
    ASSERT_TRUE(synth->startSpeakingString(u"The quick brown fox jumps over the lazy dog."_s));
    ASSERT_TRUE(audio.wait(TestSupport::Patience));
    buffers << SpeechTesting::outputBufferBytes();
    ASSERT_TRUE(waitFor(ends, before + 1));
    EXPECT_TRUE(endResults().back());
    if (buffers.constFirst() == 0)
        GTEST_SKIP() << "no audio output here: the silent clock has no buffer";
    EXPECT_EQ(buffers, QList<qsizetype>(buffers.size(), buffers.constFirst()));
    // Then flite's 8 kHz voice, on an output opened anew at its rate.
    ASSERT_TRUE(synth->setVoice(u"flite:kal"_s));
    ASSERT_TRUE(synth->startSpeakingString(u"The lazy dog."_s));
    ASSERT_TRUE(audio.wait(TestSupport::Patience));
    EXPECT_EQ(SpeechTesting::outputSampleRate(), 8000);
    ASSERT_TRUE(waitFor(ends, before + 2));
    EXPECT_TRUE(endResults().back());
}
