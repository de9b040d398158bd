#pragma once

#include "platform/documents/Documents.h"

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

// The pages of a PDF document as Poppler finds their text, one page after
// the other: what PdfText makes paragraphs of, whether the pages are read in
// this process or in a worker process (PdfWorker) that hands them over.
namespace Documents::Pdf {

struct Line
{
    QString text;
    QRectF box;
    int page = 0;
};

struct Page
{
    QList<Line> lines;
    qreal height = 0;
};

// Why the pages stopped short. The words for the person are made where the
// read was asked for, in that process's language.
struct Failure
{
    enum class Kind : qint32 {
        Damaged,   // with Poppler's first complaint, if any
        Locked,    // the password is missing or wrong
        Stopped,   // Options::cancel
        Memory,    // a page, or the opening, needs more memory than allowed
        Time,      // a page, or the opening, takes longer than allowed
        Crashed,   // the worker ended otherwise; `detail` says how
        Unstarted, // the worker could not be started; `detail` says why
    };
    Kind kind = Kind::Damaged;
    QString detail;
    // The page being read, from 0; -1 while the document opens.
    int page = -1;
    // The page was being read from its picture (OCR), under that page's
    // time allowance.
    bool recognising = false;
};

// Where the pages go. `opened` learns the page count; `starting` is told
// before each page is read, and `recognising` before a page without a text
// layer is read from its picture; `read` takes each page in turn; `note`
// takes a line for the log. Returning false stops the read, and whoever
// stopped it knows why. `described`, if set, is given the document's
// outline and information after `opened`, before the pages: each chapter's
// offset there is the page it leads to, from 0.
struct PageSink
{
    std::function<bool(int count)> opened;
    std::function<void(int index)> starting;
    std::function<bool(Page page)> read;
    std::function<void(TextOutline outline)> described = {};
    std::function<void(int index)> recognising = {};
    std::function<void(const QString &line)> note = {};
};

// Reads the document's pages with Poppler in this process, opened with
// Options::password; nothing when every page went to the sink or the sink
// stopped the read.
std::optional<Failure> readPages(const QByteArray &bytes, const Options &options,
                                 const PageSink &sink);

} // namespace Documents::Pdf
