#include "platform/RecentDocuments.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <glib.h>

#include <cstdlib>

using namespace Qt::StringLiterals;

// GLib reads XDG_DATA_HOME once per process, so the whole suite shares one
// temporary data folder set before the first use.
class RecentDocumentsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_home = new QTemporaryDir;
        qputenv("XDG_DATA_HOME", s_home->path().toLocal8Bit());
        g_reload_user_special_dirs_cache();
    }
    static void TearDownTestSuite()
    {
        delete s_home;
        s_home = nullptr;
    }

    static QTemporaryDir *s_home;
};

QTemporaryDir *RecentDocumentsTest::s_home = nullptr;

TEST_F(RecentDocumentsTest, RecordsTheFileWithTypeAndApplication)
{
    if (!RecentDocuments::listPath().startsWith(s_home->path()))
        GTEST_SKIP() << "GLib had read the data folder before this test";
    QTemporaryDir dir;
    const QString path = dir.filePath(u"notes with space.txt"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xff not utf-8");
    file.close();

    ASSERT_TRUE(RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(path)));
    ASSERT_TRUE(RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(path)));

    GBookmarkFile *bookmarks = g_bookmark_file_new();
    ASSERT_TRUE(g_bookmark_file_load_from_file(
        bookmarks, RecentDocuments::listPath().toUtf8().constData(), nullptr));
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    EXPECT_TRUE(g_bookmark_file_has_item(bookmarks, uri.constData()));
    gchar *mime = g_bookmark_file_get_mime_type(bookmarks, uri.constData(), nullptr);
    EXPECT_STREQ(mime, "text/plain");
    g_free(mime);
    EXPECT_EQ(g_bookmark_file_get_size(bookmarks), 1);
    g_bookmark_file_free(bookmarks);
}

TEST_F(RecentDocumentsTest, LeavesADamagedListAlone)
{
    const QString listPath = RecentDocuments::listPath();
    QFile list(listPath);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("<xbel this is not xml");
    list.close();
    EXPECT_FALSE(RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(u"/tmp/x.txt"_s)));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), QByteArray("<xbel this is not xml"));
    list.remove();
}
