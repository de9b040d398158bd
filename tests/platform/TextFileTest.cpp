#include "platform/TextFile.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Which bytes are text is the text-file fuzz target's; here, what is not a
// readable regular file is refused with a reason, without blocking.
TEST(TextFile, ReadsUtf8WholeAndRefusesAnythingElseWithAReasonWithoutBlocking)
{
    QTemporaryDir dir;
    const auto file = [&](const QString &name, const QByteArray &bytes) {
        return TestSupport::writeFile(dir.filePath(name), bytes);
    };
    const QByteArray utf8 = "caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80\nline two\tend";
    EXPECT_EQ(TextFile::read(file(u"a.txt"_s, utf8)).text, QString::fromUtf8(utf8));
    EXPECT_EQ(TextFile::read(file(u"c.txt"_s, QByteArray())).text, QString());

    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    // What is read, and what the reason names.
    const std::pair<QString, QString> refused[] = {
        {file(u"latin1.txt"_s, "caf\xe9"), u"UTF-8"_s},
        {file(u"cut.txt"_s, "ok \xe4\xb8"), u"UTF-8"_s},
        {dir.path(), u"folder"_s},
        {dir.filePath(u"missing.txt"_s), QString()},
        {fifo, u"regular"_s},
        {u"/dev/zero"_s, QString()},
    };
    for (const auto &[path, reason] : refused) {
        SCOPED_TRACE(path.toStdString());
        const auto result = TextFile::read(path);
        EXPECT_FALSE(result.text.has_value());
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(result.error.contains(reason)) << result.error.toStdString();
    }
}
