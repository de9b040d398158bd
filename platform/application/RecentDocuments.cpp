#include "platform/application/RecentDocuments.h"

#include "platform/system/FileName.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QScopeGuard>

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <tuple>
#include <utility>
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

// Past this many entries of Tavorin's own, the oldest of them go, as GTK's
// recent files do: a list that grows without end makes every open slower.
// The other applications' entries are theirs to keep.
constexpr gsize MaximumEntries = 1000;
// GLib takes time that grows with the list to remove one entry (some 35 ms
// in a list of 131,072): a list that holds far more entries of Tavorin's than
// it keeps (made by hand, or by another program under Tavorin's name) loses
// this many at each update.
constexpr gsize MaximumRemovals = 8;
// A list is read whole, into several times its size in memory.
constexpr qint64 MaximumListSize = 64 * 1024 * 1024;

void keepNewestOwn(GBookmarkFile *bookmarks, const char *appName)
{
    gsize count = 0;
    gchar **uris = g_bookmark_file_get_uris(bookmarks, &count);
    // When Tavorin used each entry last; the later in the list, the newer.
    std::vector<std::tuple<gint64, gsize, gchar *>> own;
    for (gsize i = 0; i < count; ++i) {
        GDateTime *used = nullptr;
        if (g_bookmark_file_get_application_info(bookmarks, uris[i], appName, nullptr, nullptr,
                                                 &used, nullptr))
            own.emplace_back(used ? g_date_time_to_unix(used) : 0, i, uris[i]);
    }
    std::sort(own.begin(), own.end(), std::greater<>());
    for (gsize i = own.size(); i > MaximumEntries && own.size() - i < MaximumRemovals; --i) {
        gchar *uri = std::get<2>(own[i - 1]);
        gsize users = 0;
        g_strfreev(g_bookmark_file_get_applications(bookmarks, uri, &users, nullptr));
        // An entry other applications share stays theirs.
        if (users > 1)
            g_bookmark_file_remove_application(bookmarks, uri, appName, nullptr);
        else
            g_bookmark_file_remove_item(bookmarks, uri, nullptr);
    }
    g_strfreev(uris);
}

} // namespace

namespace RecentDocuments {

// What a Writer and its thread share; the thread may outlive the Writer.
struct WriterState
{
    std::mutex mutex;
    std::condition_variable changed;
    QList<QUrl> waiting;
    // An update is under way, and replacing the list.
    bool updating = false;
    bool writing = false;
    bool closing = false;
};

} // namespace RecentDocuments

namespace {

// Notes `urls` in the list in one update. With a writer's `state`, the
// update is given up when the writer closes before the list is replaced.
bool update(const QList<QUrl> &urls, RecentDocuments::WriterState *state)
{
    // Other desktop applications write the same file; within this process one
    // writer at a time keeps the read-modify-write whole.
    static std::mutex mutex;
    std::lock_guard lock(mutex);

    // The list is replaced atomically by GLib; a link to it is written through.
    QByteArray path = RecentDocuments::listPath().toUtf8();
    if (char *resolved = ::realpath(path.constData(), nullptr)) {
        path = resolved;
        std::free(resolved);
    }
    const QByteArray appName = QCoreApplication::applicationName().isEmpty()
                                   ? QByteArrayLiteral("Tavorin")
                                   : QCoreApplication::applicationName().toUtf8();

    // The list says which files the user opened: it keeps its permissions
    // (private when new), and one the user made read-only stays as it is.
    struct stat existing = {};
    const bool exists = ::stat(path.constData(), &existing) == 0;
    const QString refusal = !exists                             ? QString()
                            : !S_ISREG(existing.st_mode)        ? u"not a regular file"_s
                            : (existing.st_mode & S_IWUSR) == 0 ? u"read-only"_s
                            : existing.st_size > MaximumListSize
                                ? u"larger than %1 MiB"_s.arg(MaximumListSize >> 20)
                                : QString();
    if (!refusal.isEmpty()) {
        Log::write(u"Not changing the recent files list %1: it is %2"_s.arg(QString::fromUtf8(path),
                                                                            refusal));
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

    bool noted = false;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QByteArray localPath = FileName::encode(url.toLocalFile());
        std::unique_ptr<gchar, GFree> uri(
            g_filename_to_uri(localPath.constData(), nullptr, nullptr));
        if (!uri)
            continue;
        const QByteArray mime =
            QMimeDatabase()
                .mimeTypeForFile(url.toLocalFile(), QMimeDatabase::MatchExtension)
                .name()
                .toUtf8();
        g_bookmark_file_set_mime_type(bookmarks.get(), uri.get(), mime.constData());
        g_bookmark_file_set_is_private(bookmarks.get(), uri.get(), FALSE);
        g_bookmark_file_add_application(bookmarks.get(), uri.get(), appName.constData(),
                                        "tavorin %u");
        noted = true;
    }
    if (!noted)
        return false;
    keepNewestOwn(bookmarks.get(), appName.constData());

    // A fresh home may not have its data folder yet (made private, as the
    // desktop's own folders are).
    if (!exists) {
        std::unique_ptr<gchar, GFree> folder(g_path_get_dirname(path.constData()));
        g_mkdir_with_parents(folder.get(), 0700);
    }
    gsize length = 0;
    std::unique_ptr<gchar, GFree> data(
        g_bookmark_file_to_data(bookmarks.get(), &length, &rawError));
    if (state) {
        std::lock_guard stateLock(state->mutex);
        if (state->closing)
            return false;
        state->writing = true;
    }
    const auto written = qScopeGuard([state] {
        if (!state)
            return;
        std::lock_guard stateLock(state->mutex);
        state->writing = false;
        state->changed.notify_all();
    });
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

} // namespace

QString RecentDocuments::listPath()
{
    std::unique_ptr<gchar, GFree> path(
        g_build_filename(g_get_user_data_dir(), "recently-used.xbel", nullptr));
    return QString::fromUtf8(path.get());
}

bool RecentDocuments::noteNewRecentDocumentURL(const QUrl &url)
{
    return url.isLocalFile() && update({url}, nullptr);
}

RecentDocuments::Writer::Writer()
    : m_state(std::make_shared<WriterState>())
{
    m_thread = std::thread([state = m_state] {
        std::unique_lock lock(state->mutex);
        for (;;) {
            state->changed.wait(lock, [&] { return state->closing || !state->waiting.isEmpty(); });
            if (state->closing)
                return;
            // The notes that came meanwhile go in one update.
            const QList<QUrl> urls = std::exchange(state->waiting, {});
            state->updating = true;
            lock.unlock();
            update(urls, state.get());
            lock.lock();
            state->updating = false;
            state->changed.notify_all();
        }
    });
}

RecentDocuments::Writer::~Writer()
{
    std::unique_lock lock(m_state->mutex);
    m_state->changed.wait_for(lock, std::chrono::milliseconds(500),
                              [this] { return m_state->waiting.isEmpty() && !m_state->updating; });
    m_state->closing = true;
    m_state->changed.notify_all();
    m_state->changed.wait(lock, [this] { return !m_state->writing; });
    const bool idle = !m_state->updating;
    lock.unlock();
    // An update still reading the list ends on its own, without writing.
    if (idle)
        m_thread.join();
    else
        m_thread.detach();
}

void RecentDocuments::Writer::note(const QUrl &url)
{
    std::lock_guard lock(m_state->mutex);
    m_state->waiting.append(url);
    m_state->changed.notify_one();
}
