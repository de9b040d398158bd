#include "platform/speech/SoundFileWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <vector>

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
