#include "platform/application/RecentDocuments.h"

#include "platform/system/FileName.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QMimeDatabase>

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include <sys/stat.h>

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

// Past this many entries the oldest go, as GTK's recent files do: a list
// that grows without end makes every open slower.
constexpr gsize MaximumEntries = 1000;

void keepNewest(GBookmarkFile *bookmarks)
{
    gsize count = 0;
    gchar **uris = g_bookmark_file_get_uris(bookmarks, &count);
    if (count > MaximumEntries) {
        std::vector<std::pair<gint64, gchar *>> entries;
        entries.reserve(count);
        for (gsize i = 0; i < count; ++i) {
            GDateTime *modified =
                g_bookmark_file_get_modified_date_time(bookmarks, uris[i], nullptr);
            entries.emplace_back(modified ? g_date_time_to_unix(modified) : 0, uris[i]);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto &a, const auto &b) { return a.first > b.first; });
        for (gsize i = MaximumEntries; i < count; ++i)
            g_bookmark_file_remove_item(bookmarks, entries[i].second, nullptr);
    }
    g_strfreev(uris);
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

    // The list is replaced atomically by GLib; a link to it is written through.
    QByteArray path = listPath().toUtf8();
    if (char *resolved = ::realpath(path.constData(), nullptr)) {
        path = resolved;
        std::free(resolved);
    }
    const QByteArray localPath = FileName::encode(url.toLocalFile());
    std::unique_ptr<gchar, GFree> uri(g_filename_to_uri(localPath.constData(), nullptr, nullptr));
    if (!uri)
        return false;
    const QByteArray mime = QMimeDatabase()
                                .mimeTypeForFile(url.toLocalFile(), QMimeDatabase::MatchExtension)
                                .name()
                                .toUtf8();
    const QByteArray appName = QCoreApplication::applicationName().isEmpty()
                                   ? QByteArrayLiteral("Tavorin")
                                   : QCoreApplication::applicationName().toUtf8();

    // The list says which files the user opened: it keeps its permissions
    // (private when new), and one the user made read-only stays as it is.
    struct stat existing = {};
    const bool exists = ::stat(path.constData(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)) {
        Log::write(u"Not changing the recent files list %1: it is %2"_s.arg(
            QString::fromUtf8(path),
            S_ISREG(existing.st_mode) ? u"read-only"_s : u"not a regular file"_s));
        return false;
    }
    const int mode = exists ? int(existing.st_mode & 0777) : 0600;

    std::unique_ptr<GBookmarkFile, BookmarkFileFree> bookmarks(g_bookmark_file_new());
    GError *rawError = nullptr;
    // An empty file is an empty list, as a new one is.
    if (exists && existing.st_size > 0 &&
        !g_bookmark_file_load_from_file(bookmarks.get(), path.constData(), &rawError)) {
        std::unique_ptr<GError, GErrorFree> error(rawError);
        // A damaged list is not overwritten.
        Log::write(u"Cannot read the recent files list %1: %2"_s.arg(QString::fromUtf8(path),
                                                                     errorText(rawError)));
        return false;
    }

    g_bookmark_file_set_mime_type(bookmarks.get(), uri.get(), mime.constData());
    g_bookmark_file_set_is_private(bookmarks.get(), uri.get(), FALSE);
    g_bookmark_file_add_application(bookmarks.get(), uri.get(), appName.constData(), "tavorin %u");
    keepNewest(bookmarks.get());

    // A fresh home may not have its data folder yet (made private, as the
    // desktop's own folders are).
    if (!exists) {
        std::unique_ptr<gchar, GFree> folder(g_path_get_dirname(path.constData()));
        g_mkdir_with_parents(folder.get(), 0700);
    }
    gsize length = 0;
    std::unique_ptr<gchar, GFree> data(
        g_bookmark_file_to_data(bookmarks.get(), &length, &rawError));
    if (!data || !g_file_set_contents_full(path.constData(), data.get(), gssize(length),
                                           G_FILE_SET_CONTENTS_CONSISTENT, mode, &rawError)) {
        std::unique_ptr<GError, GErrorFree> error(rawError);
        Log::write(u"Cannot write the recent files list %1: %2"_s.arg(QString::fromUtf8(path),
                                                                      errorText(rawError)));
        return false;
    }
    // GLib's new file was subject to the umask.
    ::chmod(path.constData(), mode_t(mode));
    return true;
}
