#pragma once

#include "platform/documents/Documents.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QXmlStreamReader>

#include <optional>

namespace Documents::Xml {

// A walk through an HTML page that hands over its elements as the walk
// through XHTML does: every element started is ended, those the page leaves
// open (a paragraph, a list item, the head) where a browser ends them, so
// that one reader takes the text of both. It reads leniently (unquoted and
// unclosed markup, stray end tags) and in one pass: its time grows with the
// page's size, never with how deep its elements nest. Scripts, styles and
// other content that a browser does not show as text are left out here.
// Stops at Options::cancel.
class HtmlWalk
{
public:
    HtmlWalk(QStringView markup, const Options &options);

    // Moves to the next token; false at the end of the page or when the
    // walk was cancelled, which outcome() then tells.
    bool next();
    // Leaves out the rest of the element just started, its children included.
    void skipElement();

    // The token, in the terms of QXmlStreamReader, whose reader() the XHTML
    // walk hands over: the walk is its own.
    HtmlWalk &reader() { return *this; }
    QXmlStreamReader::TokenType tokenType() const { return m_token; }
    QStringView namespaceUri() const { return {}; }
    // An element's name in lower case.
    QStringView name() const { return m_names.at(m_name); }
    QStringView text() const { return m_text; }

    const std::optional<Result> &outcome() const { return m_outcome; }

private:
    int idOf(QStringView name);
    bool isOpen(const char *name) const;
    void closeThrough(int id);
    qsizetype skipTag(qsizetype from);
    QString tagName(qsizetype from);
    void skipRawText(const QString &name);
    void startTag();
    void endTag();
    void readText();
    bool scan();

    QStringView m_markup;
    const Options &m_options;
    qsizetype m_at = 0;
    unsigned m_tokens = 0;
    // Element names as numbers, the first ones a page uses; the rest share
    // the empty name, which matches nothing the readers look for.
    QHash<QString, int> m_ids;
    QList<QString> m_names;
    QList<int> m_open;
    QList<int> m_openCount;
    // Where the last search for the end tag of elements without markup
    // stopped, by their name: -1 when there is none further on.
    QHash<QString, qsizetype> m_rawTextEnds;
    // What the markup read last still has to say: the open elements it ends
    // (down to this many), then an element it starts (and at once ends, for
    // an empty one) or its text.
    qsizetype m_closeTo = -1;
    int m_starting = -1;
    bool m_empty = false;
    bool m_hasText = false;
    QXmlStreamReader::TokenType m_token = QXmlStreamReader::NoToken;
    int m_name = 0;
    QString m_text;
    std::optional<Result> m_outcome;
};

} // namespace Documents::Xml
