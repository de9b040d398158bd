#include "platform/speech/AiffWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::vector<qint16> tone(qsizetype count)
{
    std::vector<qint16> samples(static_cast<size_t>(count));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qint16((i * 97) % 2000 - 1000);
    return samples;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

TEST(AiffWriter, CommittedFileIsPcm16MonoAiffHoldingEverySample)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.aiff"_s);
    writeFile(path, "old");
    const auto samples = tone(30000);
    {
        AiffWriter writer(path, 22050);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write(samples.data(), 10000));
        ASSERT_TRUE(writer.write(samples.data() + 10000, 20000));
        EXPECT_EQ(contents(path), QByteArray("old")) << "replaced before completion";
        ASSERT_TRUE(writer.commit());
        EXPECT_EQ(writer.framesWritten(), 30000);
    }
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.samplerate, 22050);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.frames, 30000);
    std::vector<qint16> back(30000);
    EXPECT_EQ(sf_read_short(file, back.data(), 30000), 30000);
    EXPECT_EQ(back, samples);
    sf_close(file);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.aiff"_s});
}

TEST(AiffWriter, FailuresLeaveTheExistingFileAndNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.aiff"_s);
    writeFile(path, "old");
    const auto samples = tone(1000);

    // Past the size limit (32-bit in real files; small here).
    {
        AiffWriter writer(path, 22050, 1500);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(samples.data(), 500));
        EXPECT_FALSE(writer.write(samples.data(), 500));
        EXPECT_FALSE(writer.errorString().isEmpty());
    }
    // Abandoned without commit.
    {
        AiffWriter writer(path, 22050);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(samples.data(), 1000));
        writer.discard();
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_EQ(contents(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.aiff"_s});

    // A folder that does not exist, and a folder in place of the file.
    AiffWriter missing(dir.filePath(u"no/such/folder/out.aiff"_s), 22050);
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.errorString().isEmpty());
    AiffWriter folder(dir.path(), 22050);
    EXPECT_FALSE(folder.open());
}
