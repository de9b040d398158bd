#include "platform/system/Bundle.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// A program in the build tree reads the source tree's resources; an installed
// one reads its own share/tavorin and never the source tree of the machine
// that built it, even when that tree is still there.
TEST(Bundle, OnlyAProgramInTheBuildTreeLooksIntoTheSourceTree)
{
    QTemporaryDir prefix;
    const QDir root(prefix.path());
    ASSERT_TRUE(root.mkpath(u"bin"_s) && root.mkpath(u"share/tavorin"_s));
    const QString installed =
        TestSupport::writeFile(root.filePath(u"share/tavorin/getpath.sh"_s), "#!/bin/sh\n");
    const QString bin = root.filePath(u"bin"_s);
    const struct
    {
        QString programFolder;
        QString resource;
        QString found; // how the path found ends; empty when nothing is found
    } cases[] = {
        {QCoreApplication::applicationDirPath(), u"MainWindow.ui"_s, u"/resources/MainWindow.ui"_s},
        {bin, u"getpath.sh"_s, installed},
        {bin, u"MainWindow.ui"_s, QString()},
        {QCoreApplication::applicationDirPath(), u"no-such-file.txt"_s, QString()},
        {bin, QString(), QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString(c.programFolder + u" "_s + c.resource).toStdString());
        const QString path =
            Bundle::pathForResource(c.resource, Bundle::resourceDirectoriesFor(c.programFolder));
        if (c.found.isEmpty())
            EXPECT_TRUE(path.isEmpty()) << path.toStdString();
        else
            EXPECT_TRUE(path.endsWith(c.found)) << path.toStdString();
    }
}
