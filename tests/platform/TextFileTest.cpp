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

TEST(TextFile, ReadsUtf8WholeAndRefusesAnythingElseWithAReasonWithoutBlocking)
{
    QTemporaryDir dir;
    const QByteArray utf8 = "caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80\nline two\tend";
    EXPECT_EQ(TextFile::read(writeFile(dir, u"a.txt"_s, utf8)).text, QString::fromUtf8(utf8));
    EXPECT_EQ(TextFile::read(writeFile(dir, u"c.txt"_s, QByteArray())).text, QString());
    EXPECT_FALSE(TextFile::decodeUtf8("\xc0\xaf").has_value()) << "an overlong \"/\"";

    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    // What is read, and what the reason names.
    const std::pair<QString, QString> refused[] = {
        {writeFile(dir, u"latin1.txt"_s, "caf\xe9"), u"UTF-8"_s},
        {writeFile(dir, u"cut.txt"_s, "ok \xe4\xb8"), u"UTF-8"_s},
        {dir.path(), u"folder"_s},
        {dir.filePath(u"missing.txt"_s), QString()},
        {fifo, u"regular"_s},
        {u"/dev/zero"_s, QString()},
    };
    for (const auto &[path, reason] : refused) {
        const auto result = TextFile::read(path);
        EXPECT_FALSE(result.text.has_value()) << path.toStdString();
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(result.error.contains(reason)) << result.error.toStdString();
    }
}
