#pragma once

#include "platform/documents/Documents.h"

#include <QByteArray>

namespace Documents {

// The text layer of a PDF document as plain text in reading order: the lines
// of a paragraph joined with spaces, a word hyphenated at a line end joined
// again, paragraphs apart by a blank line, running headers, footers and page
// numbers left out. An encrypted document opens with Options::password; one
// without a text layer gives no text with the reason. Safe on any thread, one
// document a call.
Result readPdf(const QByteArray &bytes, const Options &options);

} // namespace Documents
