#pragma once

#include "platform/documents/PdfPages.h"

// Poppler's appetite for memory and time is the file's to decide: a page of
// a few kilobytes can ask for gigabytes, or for hours. Reading the pages in a
// process of its own, with an address-space limit and a processor-time
// budget per page, keeps the window and the command line out of reach of it.
// The worker is this program started with pdfWorkerOption (PdfText.h); it
// reads a request on standard input and hands each page over on standard
// output, framed (a type byte, the payload's size as a quint32, the payload)
// in the machine's own byte order, as both ends are the same program.
namespace Documents::Pdf {

// Reads the pages of `bytes` in a worker started as `program`, under
// Options::limits; Options::cancel ends the worker at once. The worker is
// ended and reaped before this returns, whatever happened.
std::optional<Failure> readPagesInWorker(const QString &program, const QByteArray &bytes,
                                         const Options &options, const PageSink &sink);

// The worker's main, on standard input and output; its exit status.
int runWorker();

} // namespace Documents::Pdf
