#pragma once

#include "platform/documents/Documents.h"

namespace Documents {

// A zip container read from memory: an EPUB book (the spine's documents in
// reading order, chapters apart by a blank line, the navigation left out),
// an OpenDocument text, a Word document or a zipped FictionBook. What the
// container is comes from its entries, never from the file's name. Nothing
// is unpacked to disk: every entry is read into memory and counted against
// Options::limits as it is decompressed.
Result readZipDocument(const QByteArray &bytes, const Options &options);

// A FictionBook (FB2) XML document: the bodies' sections in order, titles,
// epigraphs and poems included, the embedded pictures left out.
Result readFictionBook(const QByteArray &bytes, const Options &options);

} // namespace Documents
