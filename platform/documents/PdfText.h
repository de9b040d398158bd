#pragma once

#include "platform/documents/Documents.h"

#include <QByteArray>
#include <QString>

namespace Documents {

// The text layer of a PDF document as plain text in reading order: the lines
// of a paragraph joined with spaces, a word hyphenated at a line end joined
// again, paragraphs apart by a blank line, running headers, footers and page
// numbers left out. An encrypted document opens with Options::password; one
// without a text layer gives no text with the reason. With a worker program
// set, the pages are read in a process of its own within Limits: a page past
// them refuses the document with the reason. Safe on any thread, one
// document a call.
Result readPdf(const QByteArray &bytes, const Options &options);

// The longest password the format takes, in bytes (UTF-8); a longer one is
// refused before the document is opened.
inline constexpr qsizetype maximumPasswordSize = 127;

// The option that starts a program as the worker that reads PDFs; not
// offered in --help.
inline constexpr char pdfWorkerOption[] = "--pdf-worker";
// The program that readPdf() starts with pdfWorkerOption: this program. Empty
// (the default) reads in the calling process.
void setPdfWorkerProgram(const QString &program);
// The worker's main, on standard input and output; its exit status.
int runPdfWorker();

} // namespace Documents
