#include "platform/documents/ZipDocuments.h"

#include "support/TestSupport.h"
#include "support/ZipDocumentMakers.h"

namespace {

namespace Make = ZipDocumentMakers;

const QByteArray firstChapter = Make::xhtml(
    "One", "<h1>Chapter One</h1>\n<p>It was a  dark\n   night.</p>\n"
           "<p>Rain&nbsp;fell &mdash; hard.<br/>Then it stopped.</p><script>var x = 1;</script>");
const QByteArray secondChapter = Make::xhtml("Two", "<div><h2>Two</h2><pre>a  b\nc</pre></div>");
const QString bookText = u"Chapter One\nIt was a dark night.\nRain\u00A0fell \u2014 hard.\n"
                         u"Then it stopped.\n\nTwo\na  b\nc"_s;

const QByteArray fictionBook = Make::fb2(
    "<body><title><p>Book</p></title><epigraph><p>Words.</p><text-author>Someone</text-author>"
    "</epigraph><section><title><p>Chapter 1</p></title><p>First <emphasis>para</emphasis>.</p>"
    "<empty-line/><p>Second.</p><poem><stanza><v>Line one</v><v>Line two</v></stanza>"
    "<stanza><v>Line three</v></stanza></poem></section></body>"
    "<body name=\"notes\"><section id=\"n1\"><title><p>1</p></title><p>A note.</p></section>"
    "</body>");
const QString fictionText = u"Book\n\nWords.\nSomeone\n\nChapter 1\n\nFirst para.\n\nSecond.\n\n"
                            u"Line one\nLine two\n\nLine three\n\n1\n\nA note."_s;

struct Case
{
    const char *name;
    QByteArray bytes;
    QString expected; // the text, or a part of the reason when there is none
    bool zip = true;
};

Documents::Result read(const Case &item, const Documents::Options &options = {})
{
    return item.zip ? Documents::readZipDocument(item.bytes, options)
                    : Documents::readFictionBook(item.bytes, options);
}

TEST(ZipDocuments, EachKindReadsAsItsPlainTextInReadingOrder)
{
    const QList<std::pair<QByteArray, QByteArray>> chapters = {
        {"Text/chapter one.xhtml", firstChapter}, {"Text/zwei \xC3\xA4.xhtml", secondChapter}};
    const Case cases[] = {
        {"EPUB 2 with an NCX", Make::epub(chapters, 2), bookText},
        {"EPUB 3 with its navigation in the spine", Make::epub(chapters, 3), bookText},
        {"OpenDocument text",
         Make::odt("<text:h text:outline-level=\"1\">Title</text:h>"
                   "<text:p>One<text:s text:c=\"2\"/>two<text:tab/>three<text:line-break/>four"
                   "<text:note text:note-class=\"footnote\"><text:note-citation>1"
                   "</text:note-citation><text:note-body><text:p>A note.</text:p></text:note-body>"
                   "</text:note></text:p>\n  <text:list><text:list-item><text:p>Item</text:p>"
                   "</text:list-item></text:list><table:table><table:table-row><table:table-cell>"
                   "<text:p>A1</text:p></table:table-cell><table:table-cell><text:p>B1</text:p>"
                   "</table:table-cell></table:table-row></table:table><text:p/><text:p>"
                   "<office:annotation><dc:creator>X</dc:creator><text:p>Comment</text:p>"
                   "</office:annotation>Last <text:tracked-changes><text:changed-region>"
                   "<text:deletion><text:p>Gone</text:p></text:deletion></text:changed-region>"
                   "</text:tracked-changes>one</text:p>"),
         u"Title\nOne  two\tthree\nfour\nItem\nA1\nB1\nLast one"_s},
        {"Word document",
         Make::docx("<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                    "<w:r><w:t>Hello</w:t></w:r><w:r><w:t xml:space=\"preserve\"> world</w:t>"
                    "</w:r><w:r><w:tab/><w:t>tab</w:t><w:br/><w:t>line</w:t></w:r></w:p>"
                    "<w:p><w:del><w:r><w:delText>gone</w:delText></w:r></w:del><w:ins><w:r>"
                    "<w:t>new</w:t></w:r></w:ins></w:p><w:tbl><w:tr><w:tc><w:p><w:r><w:t>A1"
                    "</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>B1</w:t></w:r></w:p></w:tc>"
                    "</w:tr></w:tbl><w:p><w:r><w:instrText>PAGE</w:instrText></w:r><w:r>"
                    "<mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wps:txbx>"
                    "<w:txbxContent><w:p><w:r><w:t>Box</w:t></w:r></w:p></w:txbxContent>"
                    "</wps:txbx></w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent>"
                    "<w:p><w:r><w:t>Box</w:t></w:r></w:p></w:txbxContent></w:pict></mc:Fallback>"
                    "</mc:AlternateContent></w:r></w:p>"),
         u"Hello world\ttab\nline\nnew\nA1\nB1\nBox"_s},
        {"FictionBook", fictionBook, fictionText, false},
        {"zipped FictionBook", Make::zip({{"folder/", {}}, {"Book.FB2", fictionBook}}),
         fictionText},
    };
    for (const Case &item : cases) {
        SCOPED_TRACE(item.name);
        const Documents::Result result = read(item);
        EXPECT_EQ(result.error, QString());
        EXPECT_EQ(result.text.value_or(u"(none)"_s), item.expected);
    }
}

TEST(ZipDocuments, DamagedOrUnknownContainersFailWithTheReason)
{
    const QByteArray document = Make::odt("<text:p>Text</text:p>");
    QByteArray nested;
    for (int i = 0; i < 300; ++i)
        nested += "<section>";
    Documents::Options small;
    small.limits.maximumUnpacked = 1024 * 1024;
    const Case cases[] = {
        {"truncated", document.left(document.size() * 2 / 3), u"damaged"_s},
        {"unpacking past the limit",
         Make::odt("<text:p>" + QByteArray(3 * 1024 * 1024, ' ') + "</text:p>"),
         u"more than 1 MiB"_s},
        {"a book without its package document",
         Make::zip({{"mimetype", "application/epub+zip", true},
                    {"META-INF/container.xml",
                     "<container><rootfiles><rootfile full-path=\"content.opf\"/></rootfiles>"
                     "</container>"}}),
         u"content.opf is missing"_s},
        {"an external entity",
         Make::zip({{"[Content_Types].xml", "<Types/>"},
                    {"word/document.xml", "<!DOCTYPE d [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
                                          "<d>&e;</d>"}}),
         u"word/document.xml declares XML entities"_s},
        {"too deep", Make::fb2("<body>" + nested + "</body>"), u"nest more than 256 deep"_s, false},
        {"malformed chapter", Make::epub({{"a.xhtml", Make::xhtml("A", "<p>Open")}}),
         u"OEBPS/a.xhtml is damaged"_s},
        {"a password-protected OpenDocument",
         Make::zip(
             {{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"content.xml", "\x8F\x01"},
              {"META-INF/manifest.xml", "<m:file-entry><m:encryption-data/></m:file-entry>"}}),
         u"encrypted"_s},
        {"a copy-protected book",
         Make::zip(
             {{"mimetype", "application/epub+zip"},
              {"META-INF/container.xml",
               "<container><rootfiles><rootfile full-path=\"b.opf\"/></rootfiles></container>"},
              {"META-INF/encryption.xml", "<CipherReference URI=\"c%201.xhtml\"/>"},
              {"b.opf", "<package><manifest><item id=\"c\" href=\"c%201.xhtml\" "
                        "media-type=\"application/xhtml+xml\"/></manifest><spine>"
                        "<itemref idref=\"c\"/></spine></package>"},
              {"c 1.xhtml", "\x8F\x01"}}),
         u"encrypted"_s},
        {"another kind of zip", Make::zip({{"notes.txt", "Hello"}}), u"not a book"_s},
        {"another OpenDocument",
         Make::zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", true}}),
         u"not a book"_s},
    };
    for (const Case &item : cases) {
        SCOPED_TRACE(item.name);
        const Documents::Result result = read(item, small);
        EXPECT_FALSE(result.text.has_value());
        EXPECT_TRUE(result.error.contains(item.expected)) << result.error.toStdString();
        EXPECT_FALSE(result.cancelled);
    }
}

TEST(ZipDocuments, PasswordProtectedEntriesAskForThePassword)
{
    const QByteArray locked = Make::zip({{"book.fb2", fictionBook}}, "secret");
    for (const QByteArray password : {"", "wrong", "secret"}) {
        SCOPED_TRACE(password.constData());
        Documents::Options options;
        options.password = password;
        const Documents::Result result = Documents::readZipDocument(locked, options);
        EXPECT_EQ(result.needsPassword, password != "secret") << result.error.toStdString();
        EXPECT_EQ(result.text.value_or(u"(none)"_s),
                  password == "secret" ? fictionText : u"(none)"_s);
    }
}

TEST(ZipDocuments, CancelStopsTheRead)
{
    QList<std::pair<QByteArray, QByteArray>> chapters;
    for (int i = 0; i < 50; ++i)
        chapters.append(
            {"c" + QByteArray::number(i) + ".xhtml",
             Make::xhtml("C", QByteArray("<p>Words and more words.</p>").repeated(500))});
    std::atomic_bool cancel = false;
    int reports = 0;
    Documents::Options options;
    options.cancel = &cancel;
    options.progress = [&](double share) {
        EXPECT_GE(share, 0.0);
        EXPECT_LE(share, 1.0);
        if (++reports == 2)
            cancel = true;
    };
    const Documents::Result result = Documents::readZipDocument(Make::epub(chapters), options);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.text.has_value());
    EXPECT_LT(reports, 5);
}

} // namespace
