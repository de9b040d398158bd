#include "platform/speech/SoundFileWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <vector>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

TEST(SoundFileWriter, CommitReplacesTheFileWithEverySampleAndFailuresLeaveIt)
{
    std::vector<qint16> samples(30000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qint16((i * 97) % 2000 - 1000);

    // Each format's samples are checked through the program's export.
    const SoundFormat *format = SoundFormats::named(u"aiff"_s);
    ASSERT_TRUE(format);
    QTemporaryDir dir;
    const QString path = TestSupport::writeFile(dir.filePath(u"out.aiff"_s), "old");
    const auto files = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };

    // Past the size limit (32-bit in real AIFF files; small here), and abandoned.
    {
        SoundFileWriter writer(path, 22050, *format, 1500);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(samples.data(), 500));
        EXPECT_FALSE(writer.write(samples.data(), 500));
        EXPECT_FALSE(writer.errorString().isEmpty());
    }
    {
        SoundFileWriter writer(path, 22050, *format);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(samples.data(), 1000));
        writer.discard();
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_EQ(TestSupport::contents(path), QByteArray("old"));
    EXPECT_EQ(files(), QStringList{u"out.aiff"_s});

    // A folder that does not exist, and a folder in place of the file.
    SoundFileWriter missing(dir.filePath(u"no/such/folder/out.aiff"_s), 22050, *format);
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.errorString().isEmpty());
    EXPECT_FALSE(SoundFileWriter(dir.path(), 22050, *format).open());

    {
        SoundFileWriter writer(path, 22050, *format);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write(samples.data(), 10000));
        ASSERT_TRUE(writer.write(samples.data() + 10000, 20000));
        EXPECT_EQ(TestSupport::contents(path), QByteArray("old")) << "replaced before completion";
        ASSERT_TRUE(writer.commit());
    }
    const TestSupport::SoundFile written = TestSupport::readSoundFile(path);
    EXPECT_EQ(written.info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(written.samples, samples);
    EXPECT_EQ(files(), QStringList{u"out.aiff"_s});
}

// Opus keeps the speech's own rate (espeak-ng's, or another engine's) in
// its header: what is read back lasts as long and sounds the same; a file
// that cannot grow (the size limit stands in for a full disk) is refused.
TEST(SoundFileWriter, OpusReadsBackAsLongAndAsLoudAtEachRateAndAFullDiskFails)
{
    const SoundFormat *format = SoundFormats::named(u"opus"_s);
    ASSERT_TRUE(format);
    QTemporaryDir dir;
    const QString path = TestSupport::writeFile(dir.filePath(u"out.opus"_s), "old");
    const auto tone = [](int rate, int seconds) {
        std::vector<qint16> samples(size_t(rate * seconds));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = qint16(8000 * std::sin(2 * M_PI * 440 * double(i) / rate));
        return samples;
    };
    for (const int rate : {22050, 16000}) {
        SCOPED_TRACE(rate);
        const std::vector<qint16> samples = tone(rate, 2);
        SoundFileWriter writer(path, rate, *format);
        ASSERT_TRUE(writer.open());
        for (size_t at = 0; at < samples.size(); at += 1000)
            ASSERT_TRUE(writer.write(samples.data() + at,
                                     qsizetype(std::min<size_t>(1000, samples.size() - at))));
        ASSERT_TRUE(writer.commit()) << writer.errorString().toStdString();
        const TestSupport::SoundFile written = TestSupport::readSoundFile(path);
        ASSERT_TRUE(written.valid);
        EXPECT_EQ(written.info.channels, 1);
        EXPECT_NEAR(double(written.info.frames) / written.info.samplerate, 2.0, 0.01);
        // The tone's loudness and pitch: its mean square and its crossings of zero.
        double square = 0;
        int crossings = 0;
        for (size_t i = 1; i < written.samples.size(); ++i) {
            square += double(written.samples[i]) * written.samples[i];
            crossings += (written.samples[i - 1] < 0) != (written.samples[i] < 0);
        }
        EXPECT_NEAR(std::sqrt(square / double(written.samples.size())), 8000 / M_SQRT2, 300);
        EXPECT_NEAR(crossings / 2.0 / 2.0, 440, 5);
    }

    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{4096, limit.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QByteArray before = TestSupport::contents(path);
    bool failed;
    {
        const std::vector<qint16> samples = tone(22050, 10);
        SoundFileWriter writer(path, 22050, *format);
        failed = writer.open() &&
                 (!writer.write(samples.data(), qsizetype(samples.size())) || !writer.commit());
        EXPECT_FALSE(writer.errorString().isEmpty());
    }
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    EXPECT_TRUE(failed);
    EXPECT_EQ(TestSupport::contents(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.opus"_s});
}
