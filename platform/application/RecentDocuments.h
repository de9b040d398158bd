#pragma once

#include <QString>
#include <QUrl>

#include <memory>
#include <thread>

// The desktop's shared list of recently used files (recently-used.xbel in the
// user's data folder), which file choosers and launchers of every desktop
// application read. Only Tavorin's own entries are ever trimmed.
namespace RecentDocuments {

// Adds or refreshes the entry of a local file, with its MIME type and this
// application as one that opened it. False, with a log line, when the list
// cannot be written. Does file I/O: call it off the main thread.
bool noteNewRecentDocumentURL(const QUrl &url);

// The list's file.
QString listPath();

struct WriterState;

// Notes files in the list on a thread of its own, one update after the
// other, so that a large list or a slow disk never holds up the window.
class Writer
{
public:
    Writer();
    // Waits a moment for the notes not yet written. An update that is
    // replacing the list by then is finished (the list is replaced whole or
    // not at all); one that has not begun to write is given up, and the list
    // stays as it was.
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    void note(const QUrl &url);

private:
    std::shared_ptr<WriterState> m_state;
    std::thread m_thread;
};

} // namespace RecentDocuments
