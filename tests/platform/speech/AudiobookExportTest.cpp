#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SpeechTesting.h"
#include "support/AudioReadBack.h"
#include "support/TestSupport.h"

#include <QScopeGuard>

#include <algorithm>

namespace {

constexpr float FastRate = 450.0f;

class AudiobookExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        synth.setRate(FastRate);
        // A preamble before the first chapter; the third chapter's offset
        // falls on the blank line before its heading, where no word is.
        text = u"A short preamble. "_s;
        outline.chapters.append({u"Der Anfang – Über / alles"_s, text.size(), 0});
        text += u"Der Anfang. The first chapter speaks of many things at length.\n\n"_s;
        outline.chapters.append({u"Second"_s, text.size(), 0});
        text += u"Second. It goes on for a while longer than the first one did.\n\n"_s;
        outline.chapters.append({u"Third"_s, text.size() - 1, 1});
        text += u"Third. And here the book ends."_s;
        outline.metadata = {u"Das Buch"_s, u"Ada Autorin"_s, u"de"_s};
    }

    SpeechSynthesizer::ExportOptions options() const
    {
        SpeechSynthesizer::ExportOptions result;
        result.outline = outline;
        return result;
    }
    // False when the export reported a failure.
    bool exportTo(const QString &path, const SpeechSynthesizer::ExportOptions &exportOptions)
    {
        QSignalSpy ends(&synth, &SpeechSynthesizer::didFinishSpeaking);
        if (!synth.startSpeakingString(text, QUrl::fromLocalFile(path), exportOptions))
            return false;
        return ends.wait(TestSupport::Patience) && ends.at(0).at(0).toBool();
    }
    // Where each chapter's first word is spoken, by the engine's own marks.
    QList<qint64> expectedStarts() const
    {
        const QHash<quint64, double> times =
            SpeechSynthesizer::wordTimes(text, synth.voice(), FastRate);
        QList<quint64> locations = times.keys();
        std::sort(locations.begin(), locations.end());
        QList<qint64> starts;
        for (const TextChapter &chapter : outline.chapters) {
            const auto first =
                std::lower_bound(locations.begin(), locations.end(), quint64(chapter.offset));
            starts << (first == locations.end() ? -1 : qint64(times.value(*first)));
        }
        return starts;
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    SpeechSynthesizer synth;
    QString text;
    TextOutline outline;
    QTemporaryDir dir;
};

} // namespace

// Every format that holds chapters has the three, where their first words
// are spoken, with their titles and the book's tags, as another program
// reads them.
TEST_F(AudiobookExportTest, ChaptersAndTagsInEveryFormatThatHoldsThem)
{
    const QList<qint64> starts = expectedStarts();
    ASSERT_EQ(starts.size(), 3);
    ASSERT_LT(starts[0], starts[1]);
    ASSERT_LT(starts[1], starts[2]);
    for (const char *extension : {"opus", "ogg", "mp3", "flac", "m4b"}) {
        SCOPED_TRACE(extension);
        const QString path = dir.filePath(u"book."_s + QLatin1StringView(extension));
        ASSERT_TRUE(exportTo(path, options())) << synth.errorString().toStdString();
        EXPECT_TRUE(synth.exportNotice().isEmpty());
        const ReadBack file = readBack(path);
        ASSERT_TRUE(file.valid);
        ASSERT_EQ(file.chapters.size(), 3);
        for (qsizetype i = 0; i < 3; ++i) {
            // Within an MP3 frame (1152 samples) of the word's mark (the engine's
            // timing varies by a few samples between renders). MP4's
            // chapter track covers the file from its start.
            const bool fromStart = i == 0 && QByteArrayView(extension) == "m4b";
            EXPECT_NEAR(file.chapters[i].startMs, fromStart ? 0 : starts[i], 53) << i;
            EXPECT_EQ(file.chapters[i].title, outline.chapters[i].title);
        }
        EXPECT_EQ(file.chapters[0].endMs, file.chapters[1].startMs);
        EXPECT_EQ(file.tags.value(u"title"_s), u"Das Buch"_s);
        EXPECT_EQ(file.tags.value(u"album"_s), u"Das Buch"_s);
        EXPECT_EQ(file.tags.value(u"artist"_s), u"Ada Autorin"_s);
        EXPECT_TRUE(file.tags.value(u"language"_s).startsWith(u"de"_s) ||
                    file.tags.value(u"language"_s) == u"ger"_s)
            << file.tags.value(u"language"_s).toStdString();
    }
    EXPECT_EQ(files().size(), 5);

    // AIFF and WAV say that they lost the chapters, unless a list of them
    // was asked for.
    ASSERT_TRUE(exportTo(dir.filePath(u"book.aiff"_s), options()));
    EXPECT_TRUE(synth.exportNotice().startsWith(u"AIFF files hold no chapters: "_s))
        << synth.exportNotice().toStdString();
    // What tags libsndfile keeps there.
    const ReadBack aiff = readBack(dir.filePath(u"book.aiff"_s));
    EXPECT_EQ(aiff.tags.value(u"title"_s) + aiff.tags.value(u"author"_s), u"Das BuchAda Autorin"_s);
    auto withList = options();
    withList.chapterListPath = dir.filePath(u"book.ffmetadata"_s);
    ASSERT_TRUE(exportTo(dir.filePath(u"book.wav"_s), withList));
    EXPECT_TRUE(synth.exportNotice().isEmpty());
    EXPECT_EQ(readBack(dir.filePath(u"book.wav"_s)).tags.value(u"artist"_s), u"Ada Autorin"_s);
    const ReadBack list = readBack(withList.chapterListPath);
    ASSERT_EQ(list.chapters.size(), 3);
    EXPECT_EQ(list.chapters[2].title, u"Third"_s);
    EXPECT_NEAR(list.chapters[2].startMs, starts[2], 53);
    EXPECT_EQ(list.tags.value(u"artist"_s), u"Ada Autorin"_s);

    withList.chapterListPath = dir.filePath(u"book.txt"_s);
    ASSERT_TRUE(exportTo(dir.filePath(u"book.wav"_s), withList));
    QFile lines(withList.chapterListPath);
    ASSERT_TRUE(lines.open(QIODevice::ReadOnly));
    const QStringList written = QString::fromUtf8(lines.readAll()).split(u'\n');
    ASSERT_EQ(written.size(), 4);
    for (qsizetype i = 0; i < 3; ++i) {
        const QTime time = QTime::fromString(written[i].left(12), u"HH:mm:ss.zzz"_s);
        EXPECT_NEAR(time.msecsSinceStartOfDay(), starts[i], 53) << written[i].toStdString();
        EXPECT_EQ(written[i].mid(13), outline.chapters[i].title);
    }

    // The list never takes the place of the audio.
    withList.chapterListPath = dir.filePath(u"book.wav"_s);
    EXPECT_FALSE(exportTo(withList.chapterListPath, withList));
}

// One file per chapter, with the preamble in the first, numbered and named
// by chapter, each as long as its chapter of the same render (the engine's
// timing varies by a few samples from one render to the next); a chapter
// file that cannot be written leaves none of them.
TEST_F(AudiobookExportTest, OneFilePerChapterAddsUpToTheWholeOrLeavesNothing)
{
    auto split = options();
    split.splitChapters = true;
    split.chapterListPath = dir.filePath(u"book.ffmetadata"_s);
    ASSERT_TRUE(exportTo(dir.filePath(u"book.flac"_s), split)) << synth.errorString().toStdString();
    const QStringList names = {u"01 Der Anfang – Über alles.flac"_s, u"02 Second.flac"_s,
                               u"03 Third.flac"_s};
    EXPECT_EQ(files().join(u'|'), (names + QStringList{u"book.ffmetadata"_s}).join(u'|'));
    const QList<ReadChapter> chapters = readBack(split.chapterListPath).chapters;
    ASSERT_EQ(chapters.size(), 3);
    qint64 total = 0;
    int rate = 1;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto sound = TestSupport::readSoundFile(dir.filePath(names[i]));
        total += sound.info.frames;
        rate = sound.info.samplerate;
        const qint64 start = i == 0 ? 0 : chapters[i].startMs;
        EXPECT_NEAR(sound.info.frames * 1000 / sound.info.samplerate, chapters[i].endMs - start, 1);
        const ReadBack file = readBack(dir.filePath(names[i]));
        EXPECT_EQ(file.tags.value(u"title"_s), outline.chapters[i].title);
        EXPECT_EQ(file.tags.value(u"album"_s), u"Das Buch"_s);
        EXPECT_EQ(file.tags.value(u"track"_s).section(u'/', 0, 0), QString::number(i + 1));
    }
    EXPECT_NEAR(total * 1000 / rate, chapters[2].endMs, 1);

    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkdir(u"02 Second.opus"_s));
    EXPECT_FALSE(exportTo(other.filePath(u"book.opus"_s), split));
    EXPECT_TRUE(synth.errorString().startsWith(u"02 Second.opus: "_s))
        << synth.errorString().toStdString();
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Stopped at its last word, most often while the whole waits for the
    // chapters: it ends, and leaves nothing either.
    QSignalSpy ends(&synth, &SpeechSynthesizer::didFinishSpeaking);
    const qsizetype lastWord = text.lastIndexOf(u"ends"_s);
    const auto stopper =
        QObject::connect(&synth, &SpeechSynthesizer::willSpeakWord, [&](CharacterRange word) {
            if (qsizetype(word.location) >= lastWord)
                synth.stopSpeaking();
        });
    ASSERT_TRUE(
        synth.startSpeakingString(text, QUrl::fromLocalFile(other.filePath(u"b.opus"_s)), split));
    ASSERT_TRUE(ends.wait(TestSupport::Patience));
    QObject::disconnect(stopper);
    EXPECT_FALSE(ends.at(0).at(0).toBool());
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// Rendered by worker processes, the chapters fall where one process puts
// them.
TEST_F(AudiobookExportTest, WorkersGiveTheChaptersOfOneProcess)
{
    SpeechSynthesizer::setRenderProgram(QStringLiteral(SPEECH_FAULT_HELPER));
    SpeechTesting::setParallelFrom(1);
    const auto restore = qScopeGuard([] {
        SpeechSynthesizer::setRenderProgram(QString());
        SpeechTesting::setParallelFrom(0);
    });
    // Long enough that the chapters fall in different runs.
    for (TextChapter &chapter : outline.chapters)
        chapter.offset *= 20;
    text = text.repeated(20);
    QList<ReadChapter> chapters[2];
    for (const int jobs : {1, 3}) {
        auto exportOptions = options();
        exportOptions.jobs = jobs;
        exportOptions.chapterListPath = dir.filePath(u"%1.ffmetadata"_s.arg(jobs));
        ASSERT_TRUE(exportTo(dir.filePath(u"%1.opus"_s.arg(jobs)), exportOptions));
        chapters[jobs / 3] = readBack(exportOptions.chapterListPath).chapters;
    }
    ASSERT_EQ(chapters[1].size(), 3);
    ASSERT_EQ(chapters[0].size(), 3);
    // As close as the lengths of the two renders are.
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_NEAR(chapters[1][i].startMs, chapters[0][i].startMs,
                    53 + 0.005 * double(chapters[0][i].startMs))
            << i;
}
