#include "platform/documents/HtmlWalk.h"

#include "platform/documents/DocumentXml.h"

#include <QSet>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace Documents::Xml {

namespace {

// Distinct element names a walk tells apart: enough for any page, few
// enough that made-up names cannot fill the memory.
constexpr int maximumNames = 1024;

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Elements that never have content.
bool isEmptyElement(QStringView name)
{
    static const QSet<QStringView> names = {
        u"area",  u"base",   u"basefont", u"bgsound", u"br",    u"col",    u"embed", u"hr", u"img",
        u"input", u"keygen", u"link",     u"meta",    u"param", u"source", u"track", u"wbr"};
    return names.contains(name);
}

// Elements whose content is no markup, and not shown as the page's text:
// it goes to their end tag, which is the only one that ends them.
bool isRawText(QStringView name)
{
    static const QSet<QStringView> names = {u"script", u"style",   u"title",    u"noscript",
                                            u"iframe", u"noembed", u"noframes", u"xmp"};
    return names.contains(name);
}

// Elements of a head; any other ends it.
bool belongsInHead(QStringView name)
{
    static const QSet<QStringView> names = {u"base",     u"basefont", u"bgsound", u"link",
                                            u"meta",     u"noscript", u"script",  u"style",
                                            u"template", u"title"};
    return names.contains(name);
}

// The open elements that an element of this name ends when it starts
// right after them: a paragraph the next one, a cell the next cell or row.
QList<QStringView> endedBy(QStringView name)
{
    if (name == u"p" || name == u"li" || name == u"option")
        return {name};
    if (name == u"dt" || name == u"dd")
        return {u"dt", u"dd"};
    if (name == u"rt" || name == u"rp")
        return {u"rt", u"rp"};
    if (name == u"td" || name == u"th")
        return {u"td", u"th"};
    if (name == u"tr")
        return {u"td", u"th", u"tr"};
    return {};
}

// What a character reference stands for; empty for none.
QString resolveReference(QStringView reference)
{
    if (reference.startsWith(u'#')) {
        const bool hex = reference.size() > 1 && (reference[1] == u'x' || reference[1] == u'X');
        bool ok = false;
        const uint code = reference.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok)
            return {};
        const char32_t character =
            code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? 0xFFFD : code;
        return QString::fromUcs4(&character, 1);
    }
    static const QHash<QStringView, QChar> basic = {
        {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}};
    if (const auto found = basic.constFind(reference); found != basic.cend())
        return QString(*found);
    return htmlEntity(reference.toString());
}

} // namespace

HtmlWalk::HtmlWalk(QStringView markup, const Options &options)
    : m_markup(markup)
    , m_options(options)
    , m_names{QString()}
    , m_openCount{0}
{}

int HtmlWalk::idOf(QStringView name)
{
    const QString key = name.toString();
    const auto found = m_ids.constFind(key);
    if (found != m_ids.cend())
        return *found;
    if (m_names.size() >= maximumNames)
        return 0;
    const int id = int(m_names.size());
    m_ids.insert(key, id);
    m_names.append(key);
    m_openCount.append(0);
    return id;
}

bool HtmlWalk::isOpen(const char *name) const
{
    const int id = m_ids.value(QString::fromLatin1(name), -1);
    return id >= 0 && m_openCount.at(id) > 0;
}

void HtmlWalk::closeThrough(int id)
{
    qsizetype at = m_open.size() - 1;
    while (at > 0 && m_open.at(at) != id)
        --at;
    m_closeTo = at;
}

// Past the rest of a tag from `from`: its attributes, whose quoted values
// may hold ">", up to its ">". The end of the markup for a tag left open.
qsizetype HtmlWalk::skipTag(qsizetype from)
{
    m_empty = false;
    for (qsizetype at = from; at < m_markup.size(); ++at) {
        const QChar c = m_markup.at(at);
        if (c == u'>')
            return at + 1;
        if (c == u'/' && at + 1 < m_markup.size() && m_markup.at(at + 1) == u'>') {
            m_empty = true;
            return at + 2;
        }
        if (c != u'=')
            continue;
        qsizetype value = at + 1;
        while (value < m_markup.size() && isSpace(m_markup.at(value)))
            ++value;
        if (value < m_markup.size() &&
            (m_markup.at(value) == u'"' || m_markup.at(value) == u'\'')) {
            at = m_markup.indexOf(m_markup.at(value), value + 1);
            if (at < 0)
                return m_markup.size();
        }
    }
    return m_markup.size();
}

// Past the content of an element that holds no markup, and its end tag.
// Without an end tag only the start tag is left out. Each search goes on
// from where the last one for the same name stopped, so that many such
// elements left open cost no more than one.
void HtmlWalk::skipRawText(const QString &name)
{
    const QString closing = u"</"_s + name;
    qsizetype &found = m_rawTextEnds[name];
    if (found >= 0 && found < m_at)
        found = m_at;
    while (found >= 0) {
        found = m_markup.indexOf(closing, found, Qt::CaseInsensitive);
        if (found < 0)
            return;
        const qsizetype after = found + closing.size();
        if (after >= m_markup.size() || isSpace(m_markup.at(after)) || m_markup.at(after) == u'/' ||
            m_markup.at(after) == u'>') {
            m_at = skipTag(after);
            return;
        }
        ++found;
    }
}

// The name of a tag that starts at `from`, in lower case, and the rest of
// the tag skipped.
QString HtmlWalk::tagName(qsizetype from)
{
    qsizetype end = from;
    while (end < m_markup.size() && !isSpace(m_markup.at(end)) && m_markup.at(end) != u'/' &&
           m_markup.at(end) != u'>')
        ++end;
    const QString name = m_markup.sliced(from, end - from).toString().toLower();
    m_at = skipTag(end);
    return name;
}

void HtmlWalk::startTag()
{
    const QString name = tagName(m_at + 1);
    if (isRawText(name)) {
        if (!m_empty)
            skipRawText(name);
        return;
    }
    const int id = idOf(name);
    // A second <html> or <body> adds to the first.
    if ((name == u"html" || name == u"body") && m_openCount.at(id) > 0)
        return;
    if (isOpen("head") && !belongsInHead(name)) {
        closeThrough(m_ids.value(u"head"_s));
    } else {
        const QList<QStringView> ended = endedBy(name);
        qsizetype at = m_open.size();
        while (at > 0 && ended.contains(QStringView(m_names.at(m_open.at(at - 1)))))
            --at;
        if (at < m_open.size())
            m_closeTo = at;
    }
    m_starting = id;
    m_empty = m_empty || isEmptyElement(name);
}

void HtmlWalk::endTag()
{
    const QString name = tagName(m_at + 2);
    // A name not told apart is the empty one; an end tag of an element that
    // is not open ends nothing.
    const int id = m_ids.value(name, m_names.size() >= maximumNames ? 0 : -1);
    if (id >= 0 && m_openCount.at(id) > 0)
        closeThrough(id);
}

void HtmlWalk::readText()
{
    qsizetype end = m_markup.indexOf(u'<', m_at + 1);
    if (end < 0)
        end = m_markup.size();
    const QStringView text = m_markup.sliced(m_at, end - m_at);
    m_text.clear();
    bool blank = true;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype ampersand = text.indexOf(u'&', at);
        if (ampersand < 0)
            ampersand = text.size();
        const QStringView plain = text.sliced(at, ampersand - at);
        blank = blank && std::all_of(plain.cbegin(), plain.cend(), isSpace);
        m_text += plain;
        if (ampersand == text.size())
            break;
        // References are short; a ";" far away belongs to something else.
        const QStringView after =
            text.sliced(ampersand + 1).first(std::min<qsizetype>(text.size() - ampersand - 1, 32));
        const qsizetype semicolon = after.indexOf(u';');
        const QString resolved =
            semicolon > 0 ? resolveReference(after.first(semicolon)) : QString();
        blank = false;
        m_text += resolved.isEmpty() ? u"&"_s : resolved;
        at = ampersand + 1 + (resolved.isEmpty() ? 0 : semicolon + 1);
    }
    m_at = end;
    m_hasText = true;
    // Text in the head is the start of the body.
    if (!blank && isOpen("head"))
        closeThrough(m_ids.value(u"head"_s));
}

bool HtmlWalk::scan()
{
    if (m_at >= m_markup.size())
        return false;
    const QStringView rest = m_markup.sliced(m_at);
    if (rest.startsWith(u"<!--")) {
        const qsizetype end = m_markup.indexOf(u"-->", m_at + 4);
        m_at = end < 0 ? m_markup.size() : end + 3;
    } else if (rest.size() > 1 && rest[0] == u'<' && isLetter(rest[1])) {
        startTag();
    } else if (rest.size() > 2 && rest.startsWith(u"</") && isLetter(rest[2])) {
        endTag();
    } else if (rest.size() > 1 && rest[0] == u'<' &&
               (rest[1] == u'!' || rest[1] == u'?' || rest[1] == u'/')) {
        // A document type, a processing instruction, an end tag without a name.
        const qsizetype end = m_markup.indexOf(u'>', m_at);
        m_at = end < 0 ? m_markup.size() : end + 1;
    } else {
        readText();
    }
    return true;
}

bool HtmlWalk::next()
{
    if (m_outcome)
        return false;
    for (;;) {
        if (++m_tokens % 1024 == 0) {
            if (m_options.cancelled()) {
                m_outcome = Result::stopped();
                return false;
            }
            m_options.report(
                std::min(1.0, double(m_at) / double(std::max<qsizetype>(m_markup.size(), 1))));
        }
        if (m_closeTo >= 0 && m_open.size() > m_closeTo) {
            m_name = m_open.takeLast();
            --m_openCount[m_name];
            m_token = QXmlStreamReader::EndElement;
            return true;
        }
        m_closeTo = -1;
        if (m_starting >= 0) {
            m_name = std::exchange(m_starting, -1);
            m_open.append(m_name);
            ++m_openCount[m_name];
            if (m_empty)
                m_closeTo = m_open.size() - 1;
            m_token = QXmlStreamReader::StartElement;
            return true;
        }
        if (std::exchange(m_hasText, false)) {
            m_token = QXmlStreamReader::Characters;
            return true;
        }
        if (!scan()) {
            if (m_open.isEmpty()) {
                m_token = QXmlStreamReader::EndDocument;
                return false;
            }
            m_closeTo = 0;
        }
    }
}

void HtmlWalk::skipElement()
{
    const qsizetype outside = m_open.size() - 1;
    while (m_open.size() > outside && next()) {
    }
}

} // namespace Documents::Xml
