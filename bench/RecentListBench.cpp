// Prints what one open costs with a large recent files list, the desktop's
// own (131,072 entries by default, about 50 MB, or as many as the first
// argument says): the time and peak memory of the update, the entries before
// and after, and how long the writer holds the way out when the program quits
// right after the open. Then the same with a list that is all Tavorin's own.
// A scratch data folder stands in for the person's. Figures only; nothing
// here asserts.
#include "platform/application/RecentDocuments.h"

#include "ProcessMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A list as the desktop writes it, the first `own` entries Tavorin's, the
// rest spread over other applications.
QByteArray list(int entries, int own)
{
    const char *const others[] = {"org.gnome.Nautilus", "eog", "org.gnome.TextEditor", "firefox"};
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\"\n"
                      "      xmlns:bookmark=\"http://www.freedesktop.org/standards/"
                      "desktop-bookmarks\"\n      xmlns:mime=\"http://www.freedesktop.org/"
                      "standards/shared-mime-info\"\n>\n";
    for (int i = 0; i < entries; ++i) {
        const QByteArray application = i < own ? "tavorin" : others[i % 4];
        const QByteArray when =
            QByteArray("2023-%1-%2T%3:%4:00Z")
                .replace("%1", QByteArray::number(1 + i % 12).rightJustified(2, '0'))
                .replace("%2", QByteArray::number(1 + i % 28).rightJustified(2, '0'))
                .replace("%3", QByteArray::number(i % 24).rightJustified(2, '0'))
                .replace("%4", QByteArray::number(i % 60).rightJustified(2, '0'));
        text += "  <bookmark href=\"file:///home/someone/Documents/f" + QByteArray::number(i % 97) +
                "/notes%20" + QByteArray::number(i) + ".txt\" added=\"" + when + "\" modified=\"" +
                when + "\" visited=\"" + when +
                "\">\n    <info>\n      <metadata owner=\"http://freedesktop.org\">\n"
                "        <mime:mime-type type=\"text/plain\"/>\n"
                "        <bookmark:applications>\n          <bookmark:application name=\"" +
                application + "\" exec=\"&apos;" + application + " %u&apos;\" modified=\"" + when +
                "\" count=\"1\"/>\n        </bookmark:applications>\n      </metadata>\n"
                "    </info>\n  </bookmark>\n";
    }
    return text + "</xbel>\n";
}

// The entries of the list, and those of them that are Tavorin's.
std::pair<int, int> count()
{
    GBookmarkFile *bookmarks = g_bookmark_file_new();
    g_bookmark_file_load_from_file(
        bookmarks, QFile::encodeName(RecentDocuments::listPath()).constData(), nullptr);
    gsize size = 0;
    gchar **uris = g_bookmark_file_get_uris(bookmarks, &size);
    int own = 0;
    for (gsize i = 0; i < size; ++i)
        own += g_bookmark_file_has_application(bookmarks, uris[i], "tavorin", nullptr);
    g_strfreev(uris);
    g_bookmark_file_free(bookmarks);
    return {int(size), own};
}

void run(int entries, int own)
{
    const QByteArray made = list(entries, own);
    QFile file(RecentDocuments::listPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(made) != made.size())
        std::exit(1);
    file.close();
    const auto [before, ownBefore] = count();
    std::printf("a list of %d entries, %d of them Tavorin's (%.1f MB)\n", before, ownBefore,
                double(made.size()) / 1e6);

    ProcessMemory::resetPeak();
    const qint64 startKb = ProcessMemory::statusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(u"/tmp/opened.txt"_s));
    const qint64 ms = timer.elapsed();
    const auto [after, ownAfter] = count();
    std::printf("  one open: %lld ms, %lld MB more at the peak; afterwards %d entries, %d of them "
                "Tavorin's\n",
                ms, (ProcessMemory::statusKb("VmHWM") - startKb) / 1024, after, ownAfter);

    // Quit at once after an open: the writer is destroyed as the window's
    // controller is.
    std::optional<RecentDocuments::Writer> writer(std::in_place);
    writer->note(QUrl::fromLocalFile(u"/tmp/opened-before-quit.txt"_s));
    QThread::msleep(50);
    timer.restart();
    writer.reset();
    std::printf("  quit just after an open: held for %lld ms\n", timer.elapsed());
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tavorin"_s);
    const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 131072;
    run(entries, 0);
    run(entries, entries);
    // A detached update of the list may still run: end without waiting.
    std::fflush(stdout);
    std::_Exit(0);
}
