#pragma once

#include <QString>
#include <QUrl>

// The desktop's shared list of recently used files (recently-used.xbel in the
// user's data folder), which file choosers and launchers of every desktop
// application read.
namespace RecentDocuments {

// Adds or refreshes the entry of a local file, with its MIME type and this
// application as one that opened it. False, with a log line, when the list
// cannot be written. Does file I/O: call it off the main thread.
bool noteNewRecentDocumentURL(const QUrl &url);

// The list's file.
QString listPath();

} // namespace RecentDocuments
