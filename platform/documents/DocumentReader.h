#pragma once

#include "platform/documents/Documents.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>

namespace Documents {

// Which reader a file goes to.
enum class Kind {
    Text,        // plain text in some encoding, or bytes that are not text at all
    Html,        // HTML or XHTML
    Markdown,    // known by its name alone: it has no mark of its own
    Pdf,         // %PDF-
    Zip,         // EPUB, OpenDocument, Word and zipped FictionBook files
    FictionBook, // FictionBook XML
};

// The kind of a file from its first bytes (a few KiB are plenty) and, where
// the bytes do not tell, its name. A misleading name never sends a PDF or a
// zip file to the text reader.
Kind detect(QByteArrayView head, const QString &fileName);

// The plain text of the document at `path`: only a regular file is read,
// and none larger than the limits allow. Blocking: call it off the main
// thread.
Result read(const QString &path, const Options &options);

// As read(), but a plain text goes to `piece` as it is read or decoded, in
// order, so that a large one is never held whole twice over; `piece`
// returns false to stop. A result without text and without an error means
// the text went to `piece`. When a text that began as UTF-8 turns out to be
// in another encoding, `restart` is called: the pieces handed over before
// are not its text, and it comes again. A result with text is the whole
// document, of a kind that is not read in pieces.
Result read(const QString &path, const Options &options,
            const std::function<bool(QStringView)> &piece, const std::function<void()> &restart);

// The plain text of a document already in memory, such as standard input;
// the name, which may be empty, helps only where the bytes do not tell.
Result read(const QByteArray &bytes, const QString &fileName, const Options &options);

} // namespace Documents
