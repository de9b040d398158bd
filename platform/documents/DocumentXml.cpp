#include "platform/documents/DocumentXml.h"

#include "platform/documents/HtmlWalk.h"
#include "platform/documents/OutlineBounds.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace Documents::Xml {

namespace {

// A message about the document itself, or about one part of its container
// (the part's name is the first argument of the second form).
template<typename... Arguments>
QString about(const QString &part, const char *whole, const char *inPart,
              const Arguments &...arguments)
{
    if constexpr (sizeof...(arguments) == 0)
        return part.isEmpty() ? QCoreApplication::translate("Documents", whole)
                              : QCoreApplication::translate("Documents", inPart).arg(part);
    else
        return part.isEmpty()
                   ? QCoreApplication::translate("Documents", whole).arg(arguments...)
                   : QCoreApplication::translate("Documents", inPart).arg(part, arguments...);
}

// The HTML entities that books use without declaring them (XHTML names them
// in a DTD that is never read): Latin-1, typography, arrows and Greek.
class HtmlEntities : public QXmlStreamEntityResolver
{
public:
    QString resolveUndeclaredEntity(const QString &name) override
    {
        static const QHash<QString, char32_t> table = build();
        const auto found = table.constFind(name);
        return found == table.cend() ? QString() : QString::fromUcs4(&*found, 1);
    }

private:
    static QHash<QString, char32_t> build()
    {
        QHash<QString, char32_t> table;
        const auto run = [&table](char32_t first, QLatin1StringView names) {
            for (const auto name : names.tokenize(u' '))
                table.insert(name.toString(), first++);
        };
        run(0xA0,
            "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg "
            "macr deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 "
            "frac12 frac34 iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave "
            "Eacute Ecirc Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde "
            "Ouml times Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute "
            "acirc atilde auml aring aelig ccedil egrave eacute ecirc euml igrave iacute "
            "icirc iuml eth ntilde ograve oacute ocirc otilde ouml divide oslash ugrave "
            "uacute ucirc uuml yacute thorn yuml"_L1);
        run(0x391, "Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota Kappa Lambda Mu Nu Xi "
                   "Omicron Pi Rho"_L1);
        run(0x3A3, "Sigma Tau Upsilon Phi Chi Psi Omega"_L1);
        run(0x3B1, "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi "
                   "omicron pi rho sigmaf sigma tau upsilon phi chi psi omega"_L1);
        run(0x2002, "ensp emsp"_L1);
        run(0x2009, "thinsp"_L1);
        run(0x200C, "zwnj zwj lrm rlm"_L1);
        run(0x2013, "ndash mdash"_L1);
        run(0x2018, "lsquo rsquo sbquo"_L1);
        run(0x201C, "ldquo rdquo bdquo"_L1);
        run(0x2020, "dagger Dagger bull"_L1);
        run(0x2026, "hellip"_L1);
        run(0x2030, "permil"_L1);
        run(0x2032, "prime Prime"_L1);
        run(0x2039, "lsaquo rsaquo"_L1);
        run(0x2190, "larr uarr rarr darr harr"_L1);
        table.insert(u"OElig"_s, 0x152);
        table.insert(u"oelig"_s, 0x153);
        table.insert(u"Scaron"_s, 0x160);
        table.insert(u"scaron"_s, 0x161);
        table.insert(u"Yuml"_s, 0x178);
        table.insert(u"fnof"_s, 0x192);
        table.insert(u"circ"_s, 0x2C6);
        table.insert(u"tilde"_s, 0x2DC);
        table.insert(u"oline"_s, 0x203E);
        table.insert(u"frasl"_s, 0x2044);
        table.insert(u"euro"_s, 0x20AC);
        table.insert(u"trade"_s, 0x2122);
        table.insert(u"minus"_s, 0x2212);
        return table;
    }
};

// Gathers a document's text: words joined by single spaces, paragraphs
// on lines of their own, sections apart by one blank line. Spaces never
// begin or end a line and the text never begins or ends with a line break,
// whatever the markup's own whitespace.
class TextWriter
{
public:
    explicit TextWriter(qsizetype limit)
        : m_limit(limit)
    {}

    // Whitespace runs count as one space (XML and HTML text).
    void appendCollapsed(QStringView text)
    {
        append(text, [this](QChar) {
            if (m_space.isEmpty())
                m_space = u" "_s;
        });
    }
    // Spaces and tabs are kept between words; line ends become spaces.
    void appendLiteral(QStringView text)
    {
        append(text, [this](QChar c) { addSpace(c == u'\t' ? c : QChar(u' ')); });
    }
    // Line ends are kept too (preformatted text).
    void appendPreformatted(QStringView text)
    {
        append(text, [this](QChar c) {
            if (c == u'\n')
                lineBreak();
            else if (c != u'\r')
                addSpace(c);
        });
    }
    void lineBreak()
    {
        m_breaks = std::min(m_breaks + 1, 2);
        m_space.clear();
    }
    void paragraphBreak()
    {
        m_breaks = std::max(m_breaks, 1);
        m_space.clear();
    }
    void sectionBreak()
    {
        m_breaks = 2;
        m_space.clear();
    }

    // A heading: its words go to the text as any others, and to the title
    // of a chapter that begins where its first word does. A heading without
    // words marks nothing.
    void beginHeading(int depth)
    {
        if (!m_heading)
            m_heading = TextChapter{{}, -1, depth};
    }
    void endHeading()
    {
        if (m_heading && m_heading->offset >= 0 && m_chapters.size() < Outline::maximumChapters)
            m_chapters.append(std::move(*m_heading));
        m_heading.reset();
    }
    // The element named `id` begins here: where the next word will.
    void anchor(const QString &id) { m_anchorsHere.append(id); }

    bool overflowed() const { return m_text.size() > m_limit; }
    // The text, its chapters and where its anchors are (an anchor without
    // words after it is at the end).
    QString take() { return std::move(m_text); }
    QList<TextChapter> takeChapters() { return std::move(m_chapters); }
    QHash<QString, qsizetype> takeAnchors()
    {
        placeAnchors();
        return std::move(m_anchors);
    }

    TextMetadata metadata;

private:
    static bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }
    void addSpace(QChar c)
    {
        // Runs of spaces in the markup (text:s c="1000000") stay small.
        if (m_space.size() < 64)
            m_space.append(c);
    }
    // The words of `text` go in whole; `space` takes each whitespace
    // character between them.
    template<typename Space>
    void append(QStringView text, Space space)
    {
        const QChar *const end = text.cend();
        for (const QChar *at = text.cbegin(); at != end;) {
            if (isSpace(*at)) {
                space(*at++);
                continue;
            }
            const QChar *word = at;
            while (at != end && !isSpace(*at))
                ++at;
            put(QStringView(word, at));
        }
    }
    void put(QStringView word)
    {
        if (overflowed())
            return;
        if (!m_text.isEmpty()) {
            if (m_breaks > 0)
                m_text.append(QStringView(u"\n\n").left(m_breaks));
            else
                m_text.append(m_space);
        }
        m_breaks = 0;
        m_space.clear();
        if (m_heading) {
            if (m_heading->offset < 0)
                m_heading->offset = m_text.size();
            if (m_heading->title.size() < Outline::maximumTitle)
                m_heading->title += (m_heading->title.isEmpty() ? u""_s : u" "_s) + word;
        }
        placeAnchors();
        m_text.append(word);
    }
    // The anchors met since the last word are where the text ends now.
    void placeAnchors()
    {
        for (const QString &id : std::as_const(m_anchorsHere)) {
            if (!m_anchors.contains(id))
                m_anchors.insert(id, m_text.size());
        }
        m_anchorsHere.clear();
    }

    qsizetype m_limit;
    QString m_text;
    QString m_space;
    int m_breaks = 0;
    std::optional<TextChapter> m_heading;
    QList<TextChapter> m_chapters;
    QStringList m_anchorsHere;
    QHash<QString, qsizetype> m_anchors;
};

// The level of an HTML heading that marks a chapter, from 0 for h1; -1 for
// any other element.
int headingLevel(QStringView name)
{
    return name.size() == 2 && name.at(0) == u'h' && name.at(1) >= u'1' && name.at(1) <= u'3'
               ? name.at(1).unicode() - u'1'
               : -1;
}

// XHTML, and HTML through the walk that reads it as XHTML: block elements are
// paragraphs, <br> a line break, the head, scripts, styles and ruby
// annotations are left out; h1-h3 are chapters.
template<typename Walk>
void readXhtml(Walk &walk, TextWriter &out, Context *context)
{
    static const QSet<QStringView> blocks = {
        u"address", u"article", u"aside",  u"blockquote", u"body",    u"caption",  u"dd",
        u"details", u"dialog",  u"div",    u"dl",         u"dt",      u"fieldset", u"figcaption",
        u"figure",  u"footer",  u"form",   u"h1",         u"h2",      u"h3",       u"h4",
        u"h5",      u"h6",      u"header", u"hgroup",     u"hr",      u"li",       u"main",
        u"nav",     u"ol",      u"p",      u"pre",        u"section", u"summary",  u"table",
        u"td",      u"th",      u"tr",     u"ul",         u"option",  u"legend",   u"center"};
    static const QSet<QStringView> leftOut = {u"head",   u"script", u"style",    u"title",
                                              u"rt",     u"rp",     u"template", u"noscript",
                                              u"object", u"iframe"};
    const auto isHtml = [](QStringView ns) {
        return ns.isEmpty() || ns == u"http://www.w3.org/1999/xhtml";
    };
    int preformatted = 0;
    auto &xml = walk.reader();
    while (walk.next()) {
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement:
            if constexpr (std::is_same_v<Walk, XmlWalk>) {
                if (context && !context->wantedAnchors.isEmpty()) {
                    const QString id = xml.attributes().value("id"_L1).toString();
                    if (context->wantedAnchors.contains(id))
                        out.anchor(id);
                }
            }
            if (!isHtml(xml.namespaceUri()))
                break;
            if (leftOut.contains(xml.name())) {
                walk.skipElement();
            } else if (xml.name() == u"br") {
                out.lineBreak();
            } else if (blocks.contains(xml.name())) {
                out.paragraphBreak();
                preformatted += xml.name() == u"pre";
                if (const int level = headingLevel(xml.name()); level >= 0)
                    out.beginHeading(level);
            }
            break;
        case QXmlStreamReader::EndElement:
            if (isHtml(xml.namespaceUri()) && blocks.contains(xml.name())) {
                out.paragraphBreak();
                preformatted -= xml.name() == u"pre";
                if (headingLevel(xml.name()) >= 0)
                    out.endHeading();
            }
            break;
        case QXmlStreamReader::Characters:
            if (preformatted > 0)
                out.appendPreformatted(xml.text());
            else
                out.appendCollapsed(xml.text());
            break;
        default:
            break;
        }
        if (out.overflowed())
            return;
    }
}

// The text of the element just started, as a title: every word within it,
// bounded.
QString elementText(XmlWalk &walk)
{
    QString text;
    int depth = 1;
    QXmlStreamReader &xml = walk.reader();
    while (depth > 0 && walk.next()) {
        if (xml.isStartElement())
            ++depth;
        else if (xml.isEndElement())
            --depth;
        else if (xml.isCharacters() && text.size() < 4 * Outline::maximumTitle)
            text += xml.text().left(4 * Outline::maximumTitle);
    }
    return Outline::boundedTitle(text);
}

// An attribute by its local name, whatever its namespace (Word writes its
// own in two).
QString attributeNamed(const QXmlStreamReader &xml, QStringView name)
{
    for (const QXmlStreamAttribute &attribute : xml.attributes()) {
        if (attribute.name() == name)
            return attribute.value().toString();
    }
    return {};
}

// OpenDocument text (content.xml): the paragraphs and headings in order, in
// lists, tables and frames as well; notes, comments, deleted tracked changes
// and the pictures' descriptions are left out.
void readOpenDocument(XmlWalk &walk, TextWriter &out)
{
    const QStringView text = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
    const QStringView office = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
    const QStringView svg = u"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";
    int paragraphs = 0;
    QXmlStreamReader &xml = walk.reader();
    while (walk.next()) {
        const QStringView ns = xml.namespaceUri();
        const QStringView name = xml.name();
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement:
            if (ns == text) {
                if (name == u"p" || name == u"h") {
                    out.paragraphBreak();
                    ++paragraphs;
                    if (name == u"h") {
                        const int level =
                            xml.attributes().value(text.toString(), u"outline-level"_s).toInt();
                        out.beginHeading(std::max(level, 1) - 1);
                    }
                } else if (name == u"s") {
                    const int count = xml.attributes().value(text.toString(), u"c"_s).toInt();
                    out.appendLiteral(QString(std::clamp(count, 1, 64), u' '));
                } else if (name == u"tab") {
                    out.appendLiteral(u"\t");
                } else if (name == u"line-break") {
                    out.lineBreak();
                } else if (name == u"note" || name == u"tracked-changes") {
                    walk.skipElement();
                }
            } else if ((ns == office && name == u"annotation") ||
                       (ns == svg && (name == u"title" || name == u"desc"))) {
                walk.skipElement();
            }
            break;
        case QXmlStreamReader::EndElement:
            if (ns == text && (name == u"p" || name == u"h")) {
                out.paragraphBreak();
                --paragraphs;
                if (name == u"h")
                    out.endHeading();
            }
            break;
        case QXmlStreamReader::Characters:
            if (paragraphs > 0)
                out.appendCollapsed(xml.text());
            break;
        default:
            break;
        }
        if (out.overflowed())
            return;
    }
}

// A Word outline level as a chapter's depth: 0 to 8; 9 is body text.
int wordLevel(const QString &value)
{
    bool number = false;
    const int level = value.toInt(&number);
    return number && level >= 0 && level <= 8 ? level : -1;
}

// The outline level that a Word paragraph's properties (just started) give
// it, directly or through its style; -1 for a paragraph that is no heading.
int outlineLevel(XmlWalk &walk, const QHash<QString, int> &headingStyles)
{
    int direct = -1;
    int styled = -1;
    int depth = 1;
    QXmlStreamReader &xml = walk.reader();
    while (depth > 0 && walk.next()) {
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"pStyle")
                styled = headingStyles.value(attributeNamed(xml, u"val"), -1);
            else if (xml.name() == u"outlineLvl")
                direct = wordLevel(attributeNamed(xml, u"val"));
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return direct >= 0 ? direct : styled;
}

// Word (word/document.xml): paragraphs of runs of text, tabs and breaks, in
// tables and text boxes as well. Deleted and moved-away text, field codes and
// the fallback copies of text boxes are left out.
void readWordDocument(XmlWalk &walk, TextWriter &out, const QHash<QString, int> &headingStyles)
{
    const auto isWord = [](QStringView ns) {
        return ns == u"http://schemas.openxmlformats.org/wordprocessingml/2006/main" ||
               ns == u"http://purl.oclc.org/ooxml/wordprocessingml/main";
    };
    const QStringView compatibility =
        u"http://schemas.openxmlformats.org/markup-compatibility/2006";
    int runs = 0;
    int texts = 0;
    QXmlStreamReader &xml = walk.reader();
    while (walk.next()) {
        const QStringView name = xml.name();
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement:
            if (isWord(xml.namespaceUri())) {
                if (name == u"p") {
                    out.paragraphBreak();
                } else if (name == u"r") {
                    ++runs;
                } else if (name == u"pPr") {
                    if (const int level = outlineLevel(walk, headingStyles); level >= 0)
                        out.beginHeading(level);
                } else if (name == u"rPr" || name == u"moveFrom" || name == u"sectPr") {
                    walk.skipElement();
                } else if (runs > 0) {
                    if (name == u"t")
                        ++texts;
                    else if (name == u"tab" || name == u"ptab")
                        out.appendLiteral(u"\t");
                    else if (name == u"br" || name == u"cr")
                        out.lineBreak();
                    else if (name == u"noBreakHyphen")
                        out.appendLiteral(u"-");
                }
            } else if (xml.namespaceUri() == compatibility && name == u"Fallback") {
                walk.skipElement();
            }
            break;
        case QXmlStreamReader::EndElement:
            if (isWord(xml.namespaceUri())) {
                if (name == u"p") {
                    out.paragraphBreak();
                    out.endHeading();
                } else if (name == u"r")
                    runs = std::max(runs - 1, 0);
                else if (name == u"t")
                    texts = std::max(texts - 1, 0);
            }
            break;
        case QXmlStreamReader::Characters:
            if (texts > 0)
                out.appendLiteral(xml.text());
            break;
        default:
            break;
        }
        if (out.overflowed())
            return;
    }
}

// FictionBook: the bodies in order; titles, epigraphs and sections apart by
// blank lines, a poem's verses on lines of their own and its stanzas apart.
// The description (the catalogue record) and the embedded pictures are left
// out.
// The catalogue record of a FictionBook (its description, just started):
// the title-info's book title, first author and language.
void readFictionBookDescription(XmlWalk &walk, TextMetadata &metadata)
{
    QStringList path;
    QStringList author;
    bool authorDone = false;
    QXmlStreamReader &xml = walk.reader();
    while (walk.next()) {
        if (xml.isEndElement()) {
            if (path.isEmpty())
                return;
            if (path.size() == 2 && path.constLast() == u"author" && !author.isEmpty())
                authorDone = true;
            path.removeLast();
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const bool titleInfo = !path.isEmpty() && path.constFirst() == u"title-info";
        const QString name = xml.name().toString();
        if (titleInfo && path.size() == 1 && name == u"book-title" && metadata.title.isEmpty()) {
            metadata.title = elementText(walk);
        } else if (titleInfo && path.size() == 1 && name == u"lang" &&
                   metadata.language.isEmpty()) {
            metadata.language = elementText(walk);
        } else if (titleInfo && path.size() == 2 && path.constLast() == u"author" && !authorDone &&
                   (name == u"first-name" || name == u"middle-name" || name == u"last-name" ||
                    name == u"nickname")) {
            const QString part = elementText(walk);
            if (!part.isEmpty() && (name != u"nickname" || author.isEmpty()))
                author.append(part);
            metadata.author = Outline::boundedTitle(author.join(u' '));
        } else {
            path.append(name);
        }
    }
}

// FictionBook: the bodies in order; titles, epigraphs and sections apart by
// blank lines, a poem's verses on lines of their own and its stanzas apart.
// A section's title is a chapter, nested sections deeper ones. The
// description gives the metadata; the embedded pictures are left out.
void readFictionBook(XmlWalk &walk, TextWriter &out)
{
    static const QSet<QStringView> sections = {u"body",   u"section",  u"title",     u"poem",
                                               u"stanza", u"epigraph", u"empty-line"};
    static const QSet<QStringView> paragraphs = {u"p",  u"v",          u"subtitle", u"text-author",
                                                 u"td", u"th",         u"date",     u"cite",
                                                 u"tr", u"annotation", u"table"};
    int sectionDepth = 0;
    QXmlStreamReader &xml = walk.reader();
    while (walk.next()) {
        const QStringView name = xml.name();
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement:
            if (name == u"description") {
                readFictionBookDescription(walk, out.metadata);
                break;
            }
            if (name == u"binary") {
                walk.skipElement();
                break;
            }
            sectionDepth += name == u"section";
            if (sections.contains(name))
                out.sectionBreak();
            else if (paragraphs.contains(name))
                out.paragraphBreak();
            if (name == u"title" && sectionDepth > 0)
                out.beginHeading(sectionDepth - 1);
            break;
        case QXmlStreamReader::EndElement:
            sectionDepth -= name == u"section" && sectionDepth > 0;
            if (sections.contains(name))
                out.sectionBreak();
            else if (paragraphs.contains(name))
                out.paragraphBreak();
            if (name == u"title")
                out.endHeading();
            break;
        case QXmlStreamReader::Characters:
            out.appendCollapsed(xml.text());
            break;
        default:
            break;
        }
        if (out.overflowed())
            return;
    }
}

} // namespace

XmlWalk::XmlWalk(const QByteArray &xml, const Options &options, const QString &part)
    : m_xml(xml)
    , m_options(options)
    , m_part(part)
    , m_size(std::max<double>(double(xml.size()), 1))
{
    static thread_local HtmlEntities entities;
    m_xml.setEntityResolver(&entities);
    m_xml.setNamespaceProcessing(true);
}

bool XmlWalk::next()
{
    if (m_outcome)
        return false;
    const QXmlStreamReader::TokenType token = m_xml.readNext();
    if (++m_tokens % 1024 == 0) {
        if (m_options.cancelled()) {
            stop(Result::stopped());
            return false;
        }
        m_options.report(std::min(double(m_xml.characterOffset()) / m_size, 1.0));
    }
    switch (token) {
    case QXmlStreamReader::StartElement:
        if (++m_depth > m_options.limits.maximumDepth) {
            stop(Result::failure(
                about(m_part, QT_TRANSLATE_NOOP("Documents", "its elements nest more than %1 deep"),
                      QT_TRANSLATE_NOOP("Documents",
                                        "the elements of its part %1 nest more than %2 deep"),
                      QString::number(m_options.limits.maximumDepth))));
            return false;
        }
        break;
    case QXmlStreamReader::EndElement:
        --m_depth;
        break;
    case QXmlStreamReader::DTD:
        // Entities of the document's own can be made to grow without bound
        // or to name files outside it; no document Tavorin reads needs them.
        if (!m_xml.entityDeclarations().isEmpty()) {
            stop(Result::failure(about(
                m_part,
                QT_TRANSLATE_NOOP(
                    "Documents",
                    "it declares XML entities of its own, which Tavorin does not read"),
                QT_TRANSLATE_NOOP("Documents", "its part %1 declares XML entities of its own, "
                                               "which Tavorin does not read"))));
            return false;
        }
        break;
    case QXmlStreamReader::Invalid:
        stop(Result::failure(
            about(m_part, QT_TRANSLATE_NOOP("Documents", "it is damaged: %1 (line %2)"),
                  QT_TRANSLATE_NOOP("Documents", "its part %1 is damaged: %2 (line %3)"),
                  m_xml.errorString(), QString::number(m_xml.lineNumber()))));
        return false;
    case QXmlStreamReader::EndDocument:
        return false;
    default:
        break;
    }
    return true;
}

void XmlWalk::skipElement()
{
    const int outside = m_depth - 1;
    while (m_depth > outside && next()) {
    }
}

void XmlWalk::stop(Result result)
{
    if (!m_outcome)
        m_outcome = std::move(result);
}

QString textTooLong(const Limits &limits)
{
    return QCoreApplication::translate(
               "Documents", "its text is longer than %1 characters, more than Tavorin reads")
        .arg(limits.maximumText);
}

namespace {

template<typename Walk>
Result resultOf(const Walk &walk, TextWriter &out, const Options &options, Context *context)
{
    if (out.overflowed())
        return Result::failure(textTooLong(options.limits));
    if (walk.outcome())
        return *walk.outcome();
    Result result = Result::success(out.take());
    result.outline.chapters = Outline::bounded(out.takeChapters(), result.text->size());
    result.outline.metadata = out.metadata;
    if (context)
        context->anchors = out.takeAnchors();
    return result;
}

} // namespace

QString htmlEntity(const QString &name)
{
    static HtmlEntities entities;
    return entities.resolveUndeclaredEntity(name);
}

Result readHtmlText(const QString &markup, const Options &options)
{
    HtmlWalk walk(markup, options);
    TextWriter out(options.limits.maximumText);
    readXhtml(walk, out, nullptr);
    return resultOf(walk, out, options, nullptr);
}

Result readText(Format format, const QByteArray &xml, const Options &options, const QString &part,
                Context *context)
{
    XmlWalk walk(xml, options, part);
    TextWriter out(options.limits.maximumText);
    switch (format) {
    case Format::Xhtml:
        readXhtml(walk, out, context);
        break;
    case Format::OpenDocumentText:
        readOpenDocument(walk, out);
        break;
    case Format::WordDocument:
        readWordDocument(walk, out, context ? context->headingStyles : QHash<QString, int>());
        break;
    case Format::FictionBook:
        readFictionBook(walk, out);
        break;
    }
    return resultOf(walk, out, options, context);
}

TextMetadata readMetadata(const QByteArray &xml, const Options &options)
{
    const QStringView dc = u"http://purl.org/dc/elements/1.1/";
    const QStringView meta = u"urn:oasis:names:tc:opendocument:xmlns:meta:1.0";
    TextMetadata metadata;
    QString initialCreator;
    XmlWalk walk(xml, options, {});
    QXmlStreamReader &reader = walk.reader();
    while (walk.next()) {
        if (!reader.isStartElement())
            continue;
        const QStringView ns = reader.namespaceUri();
        const QStringView name = reader.name();
        QString *field = nullptr;
        if (ns == dc && name == u"title")
            field = &metadata.title;
        else if (ns == dc && name == u"creator")
            field = &metadata.author;
        else if (ns == dc && name == u"language")
            field = &metadata.language;
        else if (ns == meta && name == u"initial-creator")
            field = &initialCreator;
        if (field && field->isEmpty())
            *field = elementText(walk);
    }
    // OpenDocument's dc:creator is whoever saved it last.
    if (!initialCreator.isEmpty())
        metadata.author = initialCreator;
    return metadata;
}

QHash<QString, int> wordHeadingStyles(const QByteArray &xml, const Options &options)
{
    struct Style
    {
        int level = -1;
        QString basedOn;
    };
    QHash<QString, Style> styles;
    QString current;
    XmlWalk walk(xml, options, {});
    QXmlStreamReader &reader = walk.reader();
    while (walk.next()) {
        if (reader.isEndElement() && reader.name() == u"style") {
            current.clear();
        } else if (reader.isStartElement() && reader.name() == u"style") {
            current = attributeNamed(reader, u"type") == u"paragraph"
                          ? attributeNamed(reader, u"styleId")
                          : QString();
            if (!current.isEmpty())
                styles.insert(current, {});
        } else if (reader.isStartElement() && !current.isEmpty()) {
            Style &style = styles[current];
            const QString value = attributeNamed(reader, u"val");
            if (reader.name() == u"basedOn") {
                style.basedOn = value;
            } else if (reader.name() == u"outlineLvl") {
                style.level = wordLevel(value);
            } else if (reader.name() == u"name" && style.level < 0 &&
                       value.startsWith(u"heading "_s, Qt::CaseInsensitive)) {
                style.level = wordLevel(QString::number(value.mid(8).toInt() - 1));
            }
        }
    }
    QHash<QString, int> levels;
    for (auto style = styles.cbegin(); style != styles.cend(); ++style) {
        // A style takes its level from those it is based on; a loop ends.
        const Style *at = &*style;
        for (int hops = 0; at->level < 0 && !at->basedOn.isEmpty() && hops < 16; ++hops) {
            const auto base = styles.constFind(at->basedOn);
            if (base == styles.cend())
                break;
            at = &*base;
        }
        if (at->level >= 0)
            levels.insert(style.key(), at->level);
    }
    return levels;
}

QList<NavigationEntry> readNavigation(const QByteArray &xml, bool ncx, const Options &options)
{
    QList<NavigationEntry> entries;
    // EPUB 3: the depth of the lists within the nav of type "toc", 0 outside
    // it. NCX: the navPoints open, each with its entry.
    int lists = 0;
    int elements = 0;
    bool inToc = false;
    bool tocDone = false;
    QList<qsizetype> points;
    XmlWalk walk(xml, options, {});
    QXmlStreamReader &reader = walk.reader();
    while (walk.next() && entries.size() < Outline::maximumChapters) {
        const QStringView name = reader.name();
        if (ncx) {
            if (reader.isStartElement() && name == u"navPoint") {
                points.append(entries.size());
                entries.append({{}, {}, int(points.size()) - 1});
            } else if (reader.isEndElement() && name == u"navPoint" && !points.isEmpty()) {
                points.removeLast();
            } else if (reader.isStartElement() && name == u"text" && !points.isEmpty() &&
                       entries[points.constLast()].title.isEmpty()) {
                entries[points.constLast()].title = elementText(walk);
            } else if (reader.isStartElement() && name == u"content" && !points.isEmpty()) {
                entries[points.constLast()].href = reader.attributes().value("src"_L1).toString();
            } else if (reader.isStartElement() && (name == u"pageList" || name == u"navList")) {
                walk.skipElement();
            }
            continue;
        }
        if (reader.isStartElement()) {
            if (inToc)
                ++elements;
            if (!inToc && !tocDone && name == u"nav") {
                inToc = attributeNamed(reader, u"type").split(u' ').contains(u"toc"_s);
                elements = 0;
            } else if (inToc && name == u"ol") {
                ++lists;
            } else if (inToc && name == u"a") {
                const QString href = reader.attributes().value("href"_L1).toString();
                entries.append({elementText(walk), href, std::max(lists - 1, 0)});
                --elements;
            }
        } else if (reader.isEndElement() && inToc) {
            if (elements-- == 0) {
                inToc = false;
                tocDone = true;
            } else if (name == u"ol") {
                --lists;
            }
        }
    }
    entries.removeIf(
        [](const NavigationEntry &entry) { return entry.href.isEmpty() || entry.title.isEmpty(); });
    return entries;
}

} // namespace Documents::Xml
