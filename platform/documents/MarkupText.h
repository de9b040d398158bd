#pragma once

#include "platform/documents/Documents.h"

#include <QByteArray>

namespace Documents {

// The text of an HTML or XHTML page as it reads, without markup, scripts or
// styles; nothing the page refers to is loaded.
Result readHtml(const QByteArray &bytes, const Options &options);

// The text of a Markdown document without its markup.
Result readMarkdown(const QByteArray &bytes, const Options &options);

} // namespace Documents
