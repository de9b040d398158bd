#include "platform/system/TextFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Which bytes are text is the text-file fuzz target's, and folders, FIFOs and
// missing files the document tests'; here, files that never end or never
// start are refused with a reason instead of blocking.
TEST(TextFile, DevicesAndFifosAreRefusedWithAReasonWithoutBlocking)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString &path : {fifo, u"/dev/zero"_s, u"/dev/urandom"_s}) {
        SCOPED_TRACE(path.toStdString());
        const auto result = TextFile::read(path);
        EXPECT_FALSE(result.text.has_value());
        EXPECT_TRUE(result.error.contains(u"regular"_s)) << result.error.toStdString();
    }
}
