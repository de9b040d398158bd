#include "platform/application/RecentDocuments.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include <glib.h>

#include <memory>
#include <utility>

#include <sys/stat.h>

// GLib reads XDG_DATA_HOME once per process, so the whole suite shares one
// temporary data folder set before the first use.
class RecentDocumentsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        TestSupport::usePrivateDataHome();
        g_reload_user_special_dirs_cache();
    }
};

// That an opened file is recorded is seen through the window.
TEST_F(RecentDocumentsTest, KeepsTheListPrivateAndLeavesAloneWhatItMustNotReplace)
{
    const QString listPath = RecentDocuments::listPath();
    const QByteArray native = QFile::encodeName(listPath);
    const QUrl url = QUrl::fromLocalFile(u"/tmp/x.txt"_s);
    const auto write = [&](const QByteArray &contents, mode_t mode) {
        QFile::remove(listPath);
        TestSupport::writeFile(listPath, contents);
        ASSERT_EQ(::chmod(native.constData(), mode), 0);
    };
    const auto contents = [&] { return TestSupport::contents(listPath); };
    // The list as GLib reads it.
    const auto list = [&] {
        std::unique_ptr<GBookmarkFile, decltype(&g_bookmark_file_free)> bookmarks(
            g_bookmark_file_new(), g_bookmark_file_free);
        g_bookmark_file_load_from_file(bookmarks.get(), native.constData(), nullptr);
        return bookmarks;
    };
    struct stat info = {};

    // A new list is private, in a data folder made if a fresh home has none;
    // an existing list keeps its mode.
    ASSERT_TRUE(QDir(QFileInfo(listPath).path()).removeRecursively());
    EXPECT_TRUE(RecentDocuments::noteNewRecentDocumentURL(url));
    ASSERT_EQ(::stat(native.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    EXPECT_TRUE(RecentDocuments::noteNewRecentDocumentURL(url));
    ASSERT_EQ(::stat(native.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // An empty file is an empty list.
    write({}, 0600);
    EXPECT_TRUE(RecentDocuments::noteNewRecentDocumentURL(url));
    EXPECT_EQ(g_bookmark_file_get_size(list().get()), 1);

    // A damaged list and a read-only one are never replaced.
    for (const auto &[kept, mode] :
         {std::pair{QByteArray("<xbel this is not xml"), 0600}, std::pair{contents(), 0400}}) {
        write(kept, mode_t(mode));
        EXPECT_FALSE(RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(u"/y"_s)));
        EXPECT_EQ(contents(), kept);
    }

    // The list is the whole desktop's: past its cap only Tavorin's own
    // entries go, the oldest first, and one another application shares
    // stays theirs.
    const QByteArray own = QCoreApplication::applicationName().toUtf8();
    GBookmarkFile *large = g_bookmark_file_new();
    const auto add = [large](const QByteArray &uri, const char *application, int used) {
        g_bookmark_file_set_mime_type(large, uri.constData(), "text/plain");
        GDateTime *stamp = g_date_time_new_from_unix_utc(1000000 + used);
        g_bookmark_file_set_application_info(large, uri.constData(), application, "x %u", 1, stamp,
                                             nullptr);
        g_date_time_unref(stamp);
    };
    for (int i = 0; i < 1500; ++i)
        add("file:///other/" + QByteArray::number(i), "other", i);
    for (int i = 0; i < 1005; ++i)
        add("file:///own/" + QByteArray::number(i), own.constData(), i);
    add("file:///own/0", "other", 0);
    QFile::remove(listPath);
    ASSERT_TRUE(g_bookmark_file_to_file(large, native.constData(), nullptr));
    g_bookmark_file_free(large);
    EXPECT_TRUE(RecentDocuments::noteNewRecentDocumentURL(url));
    const auto capped = list();
    EXPECT_EQ(g_bookmark_file_get_size(capped.get()), 1500 + 1000 + 1);
    EXPECT_TRUE(g_bookmark_file_has_item(capped.get(), "file:///other/0"));
    EXPECT_TRUE(g_bookmark_file_has_application(capped.get(), "file:///own/0", "other", nullptr));
    EXPECT_FALSE(
        g_bookmark_file_has_application(capped.get(), "file:///own/0", own.constData(), nullptr));
    EXPECT_FALSE(g_bookmark_file_has_item(capped.get(), "file:///own/5"));
    EXPECT_TRUE(g_bookmark_file_has_item(capped.get(), "file:///own/6"));
    EXPECT_TRUE(g_bookmark_file_has_item(capped.get(), url.toEncoded().constData()));
    QFile::remove(listPath);
}
