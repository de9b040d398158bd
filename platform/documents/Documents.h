#pragma once

#include "platform/system/TextOutline.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

// Turning the documents people have into the plain text the editor speaks.
// Every reader takes the file's bytes, trusts nothing in them and is bounded:
// a damaged or hostile file ends in an error naming the reason, never in a
// crash, a hang or unbounded memory. Readers do blocking work: call them off
// the main thread.
namespace Documents {

// What a reader may take from a file.
struct Limits
{
    // The text given to the editor, in UTF-16 code units.
    qsizetype maximumText = 10 * 1024 * 1024;
    // A container's entries, decompressed, all together.
    qint64 maximumUnpacked = 256 * 1024 * 1024;
    // A container's entries.
    int maximumEntries = 10000;
    // Elements within elements in a document's XML.
    int maximumDepth = 256;
    // A PDF's pages; and what reading one page may take in the worker
    // process (PdfText.h): processor time, and memory beyond the worker's
    // own with the document in it.
    int maximumPages = 20000;
    int maximumPageSeconds = 10;
    // A page without a text layer is read from its picture (OCR), which takes
    // two to three seconds for a dense page at 300 dpi; 0 reads no page so.
    int maximumOcrPageSeconds = 60;
    qint64 maximumPageMemory = 512 * 1024 * 1024;
};

struct Options
{
    Limits limits;
    // For an encrypted document; empty when none was given.
    QByteArray password;
    // Called on the reading thread with the share read so far, 0 to 1.
    std::function<void(double)> progress;
    // Set from another thread to stop the read; readers look at it often.
    const std::atomic_bool *cancel = nullptr;
    // The languages a scanned page is read in, by Tesseract's names ("deu",
    // "deu+eng"); empty: the document's, else the window's, else English.
    QString ocrLanguage;
    // Called on the reading thread as page `page` (from 0) of `count` is
    // read from its picture.
    std::function<void(int page, int count)> recognising;

    bool cancelled() const;
    void report(double share) const;
};

struct Result
{
    // The document's plain text in reading order; none after an error.
    std::optional<QString> text;
    // Why there is no text, in words for the person who opened the file
    // (translated), without the file's name.
    QString error;
    // An encrypted document whose password is missing or wrong.
    bool needsPassword = false;
    // The read was stopped through Options::cancel.
    bool cancelled = false;
    // The chapters and what the document says of itself, where its kind
    // holds them; offsets are into `text` (or the pieces handed over).
    TextOutline outline;

    static Result success(QString text) { return {std::move(text), {}, false, false, {}}; }
    static Result failure(QString error)
    {
        return {std::nullopt, std::move(error), false, false, {}};
    }
    static Result stopped() { return {std::nullopt, {}, false, true, {}}; }
};

} // namespace Documents
