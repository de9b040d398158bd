#include "platform/speech/AiffWriter.h"
#include "support/TestSupport.h"

TEST(AiffWriter, CommitReplacesTheFileWithEverySampleAndFailuresLeaveIt)
{
    QTemporaryDir dir;
    const QString path = TestSupport::writeFile(dir.filePath(u"out.aiff"_s), "old");
    const auto files = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
    std::vector<qint16> samples(30000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qint16((i * 97) % 2000 - 1000);

    // Past the size limit (32-bit in real files; small here), and abandoned.
    {
        AiffWriter writer(path, 22050, 1500);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(samples.data(), 500));
        EXPECT_FALSE(writer.write(samples.data(), 500));
        EXPECT_FALSE(writer.errorString().isEmpty());
    }
    {
        AiffWriter writer(path, 22050);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(samples.data(), 1000));
        writer.discard();
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_EQ(TestSupport::contents(path), QByteArray("old"));
    EXPECT_EQ(files(), QStringList{u"out.aiff"_s});

    // A folder in place of the file (a missing folder is seen through the
    // program's export).
    EXPECT_FALSE(AiffWriter(dir.path(), 22050).open());

    {
        AiffWriter writer(path, 22050);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write(samples.data(), 10000));
        ASSERT_TRUE(writer.write(samples.data() + 10000, 20000));
        EXPECT_EQ(TestSupport::contents(path), QByteArray("old")) << "replaced before completion";
        ASSERT_TRUE(writer.commit());
    }
    const TestSupport::SoundFile written = TestSupport::readSoundFile(path);
    EXPECT_EQ(written.info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(written.info.samplerate, 22050);
    EXPECT_EQ(written.info.channels, 1);
    EXPECT_EQ(written.info.frames, 30000);
    EXPECT_EQ(written.samples, samples);
    EXPECT_EQ(files(), QStringList{u"out.aiff"_s});
}
