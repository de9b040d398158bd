#pragma once

#include "platform/documents/Documents.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <optional>

// The XML readers behind the zip documents and FictionBook, each turning one
// XML document into plain text, and the bounded walk they share; HTML pages
// are read as XHTML is. Private to the documents library; the fuzz targets
// call them directly.
namespace Documents::Xml {

enum class Format { Xhtml, OpenDocumentText, WordDocument, FictionBook };

// What a reader is told beyond the document, and learns beside its text.
struct Context
{
    // The ids of the elements whose place in the text is wanted (a book's
    // navigation leads to them), and where those found begin.
    QSet<QString> wantedAnchors;
    QHash<QString, qsizetype> anchors;
    // A Word document's paragraph styles that are headings, with their
    // outline level from 0 (wordHeadingStyles()).
    QHash<QString, int> headingStyles;
};

// The plain text of one XML document in `format`, with its headings as
// chapters (XHTML h1-h3, OpenDocument and Word headings, FictionBook
// sections) and, for FictionBook, its metadata. `part` names the document
// inside its container for the messages; empty for a document of its own.
Result readText(Format format, const QByteArray &xml, const Options &options,
                const QString &part = {}, Context *context = nullptr);

// The title, author and language that a document's Dublin Core metadata
// gives: an EPUB package document, an OpenDocument meta.xml or a Word
// docProps/core.xml. Whatever the XML holds, it is never an error.
TextMetadata readMetadata(const QByteArray &xml, const Options &options);

// The paragraph styles of a Word document's styles.xml that are headings.
QHash<QString, int> wordHeadingStyles(const QByteArray &xml, const Options &options);

// One entry of an EPUB book's table of contents.
struct NavigationEntry
{
    QString title;
    QString href;
    int depth = 0;
};

// The table of contents of an EPUB 3 navigation document (its nav of type
// "toc") or of an EPUB 2 NCX, nested entries flattened in order.
QList<NavigationEntry> readNavigation(const QByteArray &xml, bool ncx, const Options &options);

// The plain text of an HTML page, read as an XHTML chapter is (HtmlWalk).
Result readHtmlText(const QString &markup, const Options &options);

// The character of an HTML entity that books use without declaring it;
// empty for another name.
QString htmlEntity(const QString &name);

// Why a document whose text passes Limits::maximumText is refused.
QString textTooLong(const Limits &limits);

// A walk through an XML document that stops at the limits every reader keeps:
// elements nested deeper than Limits::maximumDepth, a DTD that declares
// entities (nothing is ever fetched or expanded from one), malformed XML and
// Options::cancel. Undeclared HTML entities (&nbsp;, &mdash;) are resolved.
class XmlWalk
{
public:
    XmlWalk(const QByteArray &xml, const Options &options, const QString &part);

    // Moves to the next token; false at the end of the document or when the
    // walk stopped early, which outcome() then tells.
    bool next();
    // Leaves out the rest of the element just started, its children included.
    void skipElement();
    QXmlStreamReader &reader() { return m_xml; }

    // Stops the walk with this result.
    void stop(Result result);
    // Why the walk stopped early; none when it reached the end.
    const std::optional<Result> &outcome() const { return m_outcome; }

private:
    QXmlStreamReader m_xml;
    const Options &m_options;
    QString m_part;
    double m_size;
    int m_depth = 0;
    unsigned m_tokens = 0;
    std::optional<Result> m_outcome;
};

} // namespace Documents::Xml
