#include "platform/RecentDocuments.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QMimeDatabase>

#include <glib.h>

#include <memory>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

struct BookmarkFileFree
{
    void operator()(GBookmarkFile *file) const { g_bookmark_file_free(file); }
};

struct GErrorFree
{
    void operator()(GError *error) const { g_error_free(error); }
};

struct GFree
{
    void operator()(gchar *text) const { g_free(text); }
};

QString errorText(GError *error)
{
    return error ? QString::fromUtf8(error->message) : u"unknown error"_s;
}

} // namespace

QString RecentDocuments::listPath()
{
    std::unique_ptr<gchar, GFree> path(
        g_build_filename(g_get_user_data_dir(), "recently-used.xbel", nullptr));
    return QString::fromUtf8(path.get());
}

bool RecentDocuments::noteNewRecentDocumentURL(const QUrl &url)
{
    if (!url.isLocalFile())
        return false;
    // Other desktop applications write the same file; within this process one
    // writer at a time keeps the read-modify-write whole.
    static std::mutex mutex;
    std::lock_guard lock(mutex);

    const QByteArray path = listPath().toUtf8();
    const QByteArray uri = url.toEncoded();
    const QByteArray mime = QMimeDatabase()
                                .mimeTypeForFile(url.toLocalFile(), QMimeDatabase::MatchExtension)
                                .name()
                                .toUtf8();
    const QByteArray appName = QCoreApplication::applicationName().isEmpty()
                                   ? QByteArrayLiteral("Tavorin")
                                   : QCoreApplication::applicationName().toUtf8();

    std::unique_ptr<GBookmarkFile, BookmarkFileFree> bookmarks(g_bookmark_file_new());
    GError *rawError = nullptr;
    if (!g_bookmark_file_load_from_file(bookmarks.get(), path.constData(), &rawError)) {
        std::unique_ptr<GError, GErrorFree> error(rawError);
        // A missing list is simply started; a damaged one is not overwritten.
        if (!g_error_matches(rawError, G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
            Log::write(u"Cannot read the recent files list %1: %2"_s.arg(QString::fromUtf8(path),
                                                                         errorText(rawError)));
            return false;
        }
        rawError = nullptr;
    }

    g_bookmark_file_set_mime_type(bookmarks.get(), uri.constData(), mime.constData());
    g_bookmark_file_set_is_private(bookmarks.get(), uri.constData(), FALSE);
    g_bookmark_file_add_application(bookmarks.get(), uri.constData(), appName.constData(),
                                    "tavorin %u");

    if (!g_bookmark_file_to_file(bookmarks.get(), path.constData(), &rawError)) {
        std::unique_ptr<GError, GErrorFree> error(rawError);
        Log::write(u"Cannot write the recent files list %1: %2"_s.arg(QString::fromUtf8(path),
                                                                      errorText(rawError)));
        return false;
    }
    return true;
}
