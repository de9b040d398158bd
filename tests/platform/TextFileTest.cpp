#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(TextFile, ReadsUtf8AndPlainAsciiWhole)
{
    QTemporaryDir dir;
    const QByteArray utf8 = "caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80\nline two\tend";
    const auto result = TextFile::read(writeFile(dir, u"a.txt"_s, utf8));
    ASSERT_TRUE(result.text.has_value()) << result.error.toStdString();
    EXPECT_EQ(*result.text, QString::fromUtf8(utf8));

    const auto ascii = TextFile::read(writeFile(dir, u"b.txt"_s, "plain ascii"));
    EXPECT_EQ(ascii.text.value_or(QString()), u"plain ascii"_s);

    const auto empty = TextFile::read(writeFile(dir, u"c.txt"_s, QByteArray()));
    ASSERT_TRUE(empty.text.has_value());
    EXPECT_TRUE(empty.text->isEmpty());
}

TEST(TextFile, RefusesWhatIsNotUtf8TextWithAReason)
{
    QTemporaryDir dir;
    const auto latin1 = TextFile::read(writeFile(dir, u"latin1.txt"_s, "caf\xe9"));
    EXPECT_FALSE(latin1.text.has_value());
    EXPECT_TRUE(latin1.error.contains(u"UTF-8"_s));

    // A multi-byte sequence cut off at the end of the file.
    EXPECT_FALSE(TextFile::read(writeFile(dir, u"cut.txt"_s, "ok \xe4\xb8")).text.has_value());
    // An overlong encoding of "/" is not valid UTF-8 either.
    EXPECT_FALSE(TextFile::decodeUtf8("\xc0\xaf").has_value());

    const auto folder = TextFile::read(dir.path());
    EXPECT_FALSE(folder.text.has_value());
    EXPECT_TRUE(folder.error.contains(u"folder"_s));

    const auto missing = TextFile::read(dir.filePath(u"missing.txt"_s));
    EXPECT_FALSE(missing.text.has_value());
    EXPECT_FALSE(missing.error.isEmpty());
}

TEST(TextFile, NeverBlocksOnAFifoOrADevice)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const auto fromFifo = TextFile::read(fifo);
    EXPECT_FALSE(fromFifo.text.has_value());
    EXPECT_TRUE(fromFifo.error.contains(u"regular"_s));

    EXPECT_FALSE(TextFile::read(u"/dev/zero"_s).text.has_value());
}
