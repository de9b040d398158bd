#include "platform/documents/DocumentReader.h"
#include "platform/documents/PdfText.h"

#include "support/PdfMakers.h"
#include "support/TestSupport.h"
#include "support/ZipDocumentMakers.h"

namespace {

namespace Make = ZipDocumentMakers;

// A chapter as the test expects it: its title, its depth and the words the
// text has at its offset.
struct Expected
{
    QString title;
    int depth;
    QString starts;
};

const QByteArray bookChapterOne = Make::xhtml(
    "One", "<h1>Beginning</h1><p>Once upon a time.</p><h2 id=\"s2\">A part</h2><p>It rained.</p>");
const QByteArray bookChapterTwo = Make::xhtml("Two", "<p>The end came.</p>");

// A book of two chapter files whose contents nest and also lead nowhere: to
// a file the book lacks, a place a chapter lacks, outside the book.
QByteArray book(bool ncx)
{
    const QByteArray package =
        "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title> Die\n Reise </dc:title>"
        "<dc:creator>Anna Autorin</dc:creator><dc:creator>Other</dc:creator>"
        "<dc:language>de</dc:language></metadata><manifest>"
        "<item id=\"nav\" href=\"nav/toc.xhtml\" media-type=\"application/xhtml+xml\"" +
        QByteArray(ncx ? "" : " properties=\"nav\"") +
        "/><item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>"
        "<item id=\"a\" href=\"Text/one.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "<item id=\"b\" href=\"Text/two.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "</manifest><spine toc=\"ncx\"><itemref idref=\"a\"/><itemref idref=\"b\"/></spine>"
        "</package>";
    const QByteArray nav = Make::xhtml(
        "Contents", "<nav xmlns:epub=\"http://www.idpf.org/2007/ops\" epub:type=\"landmarks\">"
                    "<ol><li><a href=\"../Text/two.xhtml\">Landmark</a></li></ol></nav>"
                    "<nav xmlns:epub=\"http://www.idpf.org/2007/ops\" epub:type=\"toc\"><ol>"
                    "<li><a href=\"../Text/one.xhtml\">Beginning</a><ol><li><span>Unlinked"
                    "</span></li><li><a href=\"../Text/one.xhtml#s2\">A <b>part</b></a></li>"
                    "<li><a href=\"../Text/one.xhtml#gone\">Lost</a></li></ol></li>"
                    "<li><a href=\"../Text/missing.xhtml\">Missing</a></li>"
                    "<li><a href=\"http://example.com/x\">Away</a></li>"
                    "<li><a href=\"../Text/two.xhtml\">The end</a></li></ol></nav>");
    const auto point = [](const QByteArray &title, const QByteArray &src,
                          const QByteArray &inner = {}) -> QByteArray {
        return "<navPoint><navLabel><text>" + title + "</text></navLabel><content src=\"" + src +
               "\"/>" + inner + "</navPoint>";
    };
    const QByteArray toc =
        "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\"><navMap>" +
        point("Beginning", "Text/one.xhtml",
              point("A part", "Text/one.xhtml#s2") + point("Lost", "Text/one.xhtml#gone")) +
        point("Missing", "Text/missing.xhtml") + point("The end", "Text/two.xhtml") +
        "</navMap><pageList><pageTarget><navLabel><text>1</text></navLabel>"
        "<content src=\"Text/two.xhtml\"/></pageTarget></pageList></ncx>";
    return Make::zip({{"mimetype", "application/epub+zip", true},
                      {"META-INF/container.xml",
                       "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/>"
                       "</rootfiles></container>"},
                      {"OEBPS/content.opf", package},
                      {"OEBPS/nav/toc.xhtml", nav},
                      {"OEBPS/toc.ncx", toc},
                      {"OEBPS/Text/two.xhtml", bookChapterTwo},
                      {"OEBPS/Text/one.xhtml", bookChapterOne}});
}

const QList<Expected> bookChapters = {{u"Beginning"_s, 0, u"Beginning\nOnce upon"_s},
                                      {u"A part"_s, 1, u"A part\nIt rained."_s},
                                      {u"The end"_s, 0, u"The end came."_s}};

QByteArray wordParagraph(const QByteArray &properties, const QByteArray &text)
{
    return "<w:p><w:pPr>" + properties + "</w:pPr><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

const QByteArray wordNamespace =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

// Styles as a German Word names them: a heading is known by its built-in
// name or its outline level, through the styles it is based on as well.
const QByteArray wordStyles =
    "<w:styles " + wordNamespace +
    "><w:style w:type=\"paragraph\" w:styleId=\"berschrift1\"><w:name w:val=\"heading 1\"/>"
    "</w:style><w:style w:type=\"paragraph\" w:styleId=\"Kapitel\"><w:basedOn "
    "w:val=\"berschrift1\"/></w:style><w:style w:type=\"paragraph\" w:styleId=\"Teil\"><w:pPr>"
    "<w:outlineLvl w:val=\"1\"/></w:pPr></w:style><w:style w:type=\"paragraph\" "
    "w:styleId=\"Loop\"><w:basedOn w:val=\"Loop\"/></w:style><w:style w:type=\"character\" "
    "w:styleId=\"Zeichen\"><w:name w:val=\"heading 1\"/></w:style></w:styles>";

const QByteArray dublinCore = "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"";

QByteArray pdfBook()
{
    using PdfMakers::Text;
    return PdfMakers::withOutline(
        PdfMakers::textPdf({{{72, 100, u"A preface before anything."_s}},
                            {{72, 100, u"First chapter"_s, 20}, {72, 140, u"Its words."_s}},
                            {{72, 100, u"A section"_s, 20}, {72, 140, u"More words."_s}}}),
        {{"First chapter", 1}, {"A section", 2, 1}, {"Nowhere", 7, 1}, {"Preface", 0}}, "Ein Buch",
        "Anna Autorin");
}

struct Row
{
    const char *name;
    QByteArray bytes;
    QString fileName;
    QList<Expected> chapters;
    TextMetadata metadata;
};

TEST(DocumentOutline, EachKindGivesItsChaptersAtTheirPlaceInTheTextAndItsMetadata)
{
    const TextMetadata german{u"Die Reise"_s, u"Anna Autorin"_s, u"de"_s};
    const Row rows[] = {
        {"EPUB 3 navigation", book(false), u"b.epub"_s, bookChapters, german},
        {"EPUB 2 NCX", book(true), u"b.epub"_s, bookChapters, german},
        {"Word",
         Make::docx(wordParagraph("<w:pStyle w:val=\"Kapitel\"/>", "Erstes Kapitel") +
                        wordParagraph({}, "Text.") +
                        wordParagraph("<w:pStyle w:val=\"Teil\"/>", "Ein Teil") +
                        wordParagraph("<w:outlineLvl w:val=\"2\"/>", "Tiefer") +
                        wordParagraph("<w:outlineLvl w:val=\"9\"/>", "Body text") +
                        wordParagraph("<w:pStyle w:val=\"Loop\"/>", "Looped") +
                        wordParagraph("<w:pStyle w:val=\"berschrift1\"/>", {}) +
                        wordParagraph("<w:pStyle w:val=\"Zeichen\"/>", "Zweites"),
                    {{"word/styles.xml", wordStyles},
                     {"docProps/core.xml",
                      "<cp:coreProperties xmlns:cp=\"x\" " + dublinCore +
                          "><dc:title>Die Reise</dc:title><dc:creator>Anna Autorin"
                          "</dc:creator><dc:language>de</dc:language></cp:coreProperties>"}}),
         u"d.docx"_s,
         {{u"Erstes Kapitel"_s, 0, u"Erstes Kapitel\nText."_s},
          {u"Ein Teil"_s, 1, u"Ein Teil"_s},
          {u"Tiefer"_s, 2, u"Tiefer\nBody text"_s}},
         german},
        {"OpenDocument",
         Make::odt("<text:p>Before.</text:p><text:h text:outline-level=\"1\">Erstes "
                   "<text:span>Kapitel</text:span></text:h><text:p>Text.</text:p><text:h "
                   "text:outline-level=\"3\">Tiefer</text:h><text:h>Ohne Stufe</text:h>",
                   {{"meta.xml",
                     "<office:document-meta xmlns:office=\"x\" " + dublinCore +
                         " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\">"
                         "<office:meta><dc:creator>Last Saver</dc:creator><meta:initial-creator>"
                         "Anna Autorin</meta:initial-creator><dc:title>Die Reise</dc:title>"
                         "<dc:language>de</dc:language></office:meta></office:document-meta>"}}),
         u"o.odt"_s,
         {{u"Erstes Kapitel"_s, 0, u"Erstes Kapitel\nText."_s},
          {u"Tiefer"_s, 2, u"Tiefer"_s},
          {u"Ohne Stufe"_s, 0, u"Ohne Stufe"_s}},
         german},
        {"HTML",
         "<html lang=\"fr-CA\"><head><title>Le  voyage &amp; la suite</title></head><body>"
         "<p>Intro</p><h1>Un</h1><p>a</p><h3>Trois <i>bis</i></h3><p>b</p><h4>Quatre</h4>"
         "<h2>Deux</h2><h2> </h2><p>c",
         u"p.html"_s,
         {{u"Un"_s, 0, u"Un\na"_s},
          {u"Trois bis"_s, 2, u"Trois bis\nb"_s},
          {u"Deux"_s, 1, u"Deux"_s}},
         {u"Le voyage & la suite"_s, {}, u"fr-CA"_s}},
        {"Markdown",
         "Intro ![a picture](x.png) text.\n\n# One\n\nSome ![p](y.png) text.\n\n"
         "#### Four\n\n### Three\n\n## Two\n\nEnd.\n",
         u"m.md"_s,
         {{u"One"_s, 0, u"One\nSome"_s},
          {u"Three"_s, 2, u"Three\nTwo"_s},
          {u"Two"_s, 1, u"Two\nEnd."_s}},
         {}},
        {"FictionBook",
         "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\"><description>"
         "<title-info><author><first-name>Anna</first-name><last-name>Autorin</last-name>"
         "</author><author><first-name>Zweite</first-name></author><book-title>Die Reise"
         "</book-title><lang>de</lang></title-info><document-info><book-title>Not this"
         "</book-title></document-info></description><body><title><p>Die Reise</p></title>"
         "<section><title><p>Erstes</p><p>Kapitel</p></title><p>Text.</p><section><title><p>"
         "Tiefer</p></title><p>More.</p></section></section><section><p>Untitled.</p></section>"
         "</body></FictionBook>",
         u"f.fb2"_s,
         {{u"Erstes Kapitel"_s, 0, u"Erstes\nKapitel\n\nText."_s},
          {u"Tiefer"_s, 1, u"Tiefer\n\nMore."_s}},
         german},
        {"PDF outline",
         pdfBook(),
         u"p.pdf"_s,
         {{u"Preface"_s, 0, u"A preface"_s},
          {u"First chapter"_s, 0, u"First chapter"_s},
          {u"A section"_s, 1, u"A section"_s}},
         {u"Ein Buch"_s, u"Anna Autorin"_s, {}}},
        {"plain text", "Chapter 1\n\n# Not a heading\n\n<h1>Nor this</h1>\n", u"t.txt"_s, {}, {}},
    };
    for (const bool inWorker : {false, true}) {
        Documents::setPdfWorkerProgram(inWorker ? QStringLiteral(PDF_WORKER_HELPER) : QString());
        for (const Row &row : rows) {
            SCOPED_TRACE(std::string(row.name) + (inWorker ? " (PDF worker)" : ""));
            const Documents::Result result = Documents::read(row.bytes, row.fileName, {});
            ASSERT_TRUE(result.text) << result.error.toStdString();
            const QString &text = *result.text;
            const QList<TextChapter> &chapters = result.outline.chapters;
            ASSERT_EQ(chapters.size(), row.chapters.size());
            for (qsizetype i = 0; i < chapters.size(); ++i) {
                EXPECT_EQ(chapters[i].title, row.chapters[i].title);
                EXPECT_EQ(chapters[i].depth, row.chapters[i].depth);
                EXPECT_EQ(text.mid(chapters[i].offset, row.chapters[i].starts.size()).toStdString(),
                          row.chapters[i].starts.toStdString());
            }
            EXPECT_EQ(result.outline.metadata, row.metadata);
        }
    }
    Documents::setPdfWorkerProgram(QString());
}

TEST(DocumentOutline, HostileOutlinesStayBounded)
{
    // More entries than are kept, one with a title of megabytes, all
    // leading to the one chapter; headings just as many and as long.
    const QByteArray longTitle = QByteArray("long\t title ").repeated(200000);
    QByteArray links = "<li><a href=\"c.xhtml\">" + longTitle + "</a></li>";
    for (int i = 0; i < 12000; ++i)
        links += "<li><a href=\"c.xhtml\">" + QByteArray::number(i) + "</a></li>";
    const QByteArray epub = Make::zip(
        {{"mimetype", "application/epub+zip", true},
         {"META-INF/container.xml", "<container><rootfiles><rootfile full-path=\"content.opf\"/>"
                                    "</rootfiles></container>"},
         {"content.opf",
          "<package><manifest><item id=\"n\" href=\"nav.xhtml\" properties=\"nav\" "
          "media-type=\"application/xhtml+xml\"/><item id=\"c\" href=\"c.xhtml\" "
          "media-type=\"application/xhtml+xml\"/></manifest><spine><itemref idref=\"c\"/>"
          "</spine></package>"},
         {"nav.xhtml", Make::xhtml("n", "<nav xmlns:epub=\"http://www.idpf.org/2007/ops\" "
                                        "epub:type=\"toc\"><ol>" +
                                            links + "</ol></nav>")},
         {"c.xhtml", Make::xhtml("c", "<p>Text.</p>")}});
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString fileName;
    } rows[] = {
        {"headings", "<h1>" + longTitle + "</h1>" + QByteArray("<h2>x</h2>").repeated(12000),
         u"h.html"_s},
        {"contents", epub, u"b.epub"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Documents::Result result = Documents::read(row.bytes, row.fileName, {});
        ASSERT_TRUE(result.text) << result.error.toStdString();
        const QList<TextChapter> &chapters = result.outline.chapters;
        ASSERT_EQ(chapters.size(), 10000);
        EXPECT_TRUE(chapters.constFirst().title.startsWith(u"long title long title"_s));
        for (const TextChapter &chapter : chapters) {
            ASSERT_LE(chapter.title.size(), 500);
            ASSERT_LT(chapter.offset, result.text->size());
        }
    }
}

} // namespace
