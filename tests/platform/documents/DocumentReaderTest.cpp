#include "platform/documents/DocumentReader.h"
#include "platform/documents/TextEncoding.h"

#include "support/TestSupport.h"

#include <QStringEncoder>

#include <atomic>

namespace {

TEST(DocumentReader, HtmlReadsAsItsTextHoweverItIsNestedOrLeftOpen)
{
    const QByteArray deep = QByteArray("<div>").repeated(10000) + "deep" +
                            QByteArray("</div>").repeated(10000) +
                            QByteArray("<b>").repeated(10000) + "bold";
    const struct
    {
        const char *name;
        QByteArray page;
        QString text;
    } pages[] = {
        {"left open",
         "<html><head><title>Not said</title><meta charset=utf-8>Text starts<p>One<p>Two</span>"
         "</div><ul><li>a<li>b</ul><table><tr><td>A1<td>B1<tr><td>A2</table><p>End",
         u"Text starts\nOne\nTwo\na\nb\nA1\nB1\nA2\nEnd"_s},
        {"markup that is not markup",
         "<p title=\"a > b\" class=x>Before<script>if (a < b) x('<p>not said</p>')</script> "
         "after</p><style>p > b { }</style><!-- <p>not said</p> --><pre>a  b\nc</pre>"
         "x &lt; y &#x41;&#66; &unknown; a < b &amp",
         u"Before after\na  b\nc\nx < y AB &unknown; a < b &amp"_s},
        {"ruby", "<p><ruby>\u6f22<rt>kan</rt>\u5b57<rt>ji</ruby></p>", u"\u6f22\u5b57"_s},
        {"deep", deep, u"deep\nbold"_s},
    };
    for (const auto &page : pages) {
        SCOPED_TRACE(page.name);
        const Documents::Result result = Documents::read(page.page, u"page.html"_s, {});
        EXPECT_EQ(result.text.value_or(result.error), page.text);
    }

    std::atomic_bool cancel = false;
    int reports = 0;
    Documents::Options options;
    options.cancel = &cancel;
    options.progress = [&](double) {
        ++reports;
        cancel = true;
    };
    const Documents::Result result =
        Documents::read("<html><body>" + QByteArray("<p>A paragraph.</p>").repeated(20000),
                        u"page.html"_s, options);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(reports, 1);
}

// A book whose document type declares entities, even one longer than the
// part of the file its kind is told from, is a book and refused as such.
TEST(DocumentReader, FictionBookBehindADocumentTypeIsKnownAndItsEntitiesRefused)
{
    QByteArray entities = "<!-- the reader's own -->\n";
    for (int i = 0; i < 20; ++i)
        entities += "<!ENTITY e" + QByteArray::number(i) + " \"a > b\">\n";
    const QByteArray body = "<FictionBook><body><p>Hello &e1;</p></body></FictionBook>";
    const QByteArray declaration = "<?xml version=\"1.0\"?>\n<!DOCTYPE FictionBook ";
    for (const auto &[book, name] :
         {std::pair{QByteArray(declaration + "[\n" + entities + "]>\n" + body), QString()},
          std::pair{QByteArray(declaration + "[\n" + entities.repeated(100) + "]>\n" + body),
                    u"book.fb2"_s}}) {
        const Documents::Result result = Documents::read(book, name, {});
        EXPECT_FALSE(result.text.has_value());
        EXPECT_TRUE(result.error.contains(u"declares XML entities"_s))
            << result.error.toStdString();
    }
    const Documents::Result plain =
        Documents::read(declaration + "SYSTEM \"fb.dtd\" [<!ELEMENT p ANY>]>" +
                            "<FictionBook><body><p>Hello</p></body></FictionBook>",
                        {}, {});
    EXPECT_EQ(plain.text.value_or(plain.error), u"Hello"_s);
}

// A text in another encoding than UTF-8 comes a part at a time, characters
// cut in two by the parts' ends whole.
TEST(DocumentReader, TextsInOtherEncodingsComeInPartsWithNoCharacterCut)
{
    const QString japanese = u"x"_s + QString(u"灯台守は夕方に階段を上った。"_s).repeated(20000);
    const QString music = u"x"_s + QString(u"\U0001D11Ea"_s).repeated(100000);
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray(QStringEncoder("Shift_JIS").encode(japanese)), japanese},
        {"\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(music)), music},
    };
    for (const auto &[bytes, expected] : cases) {
        QString text;
        int parts = 0;
        EXPECT_EQ(Documents::decodeText(bytes,
                                        [&](QStringView part) {
                                            text += part;
                                            return ++parts > 0;
                                        }),
                  Documents::Decoding::Text);
        EXPECT_GT(parts, 1);
        EXPECT_TRUE(text == expected) << text.left(20).toStdString();
    }
}

// The kernel's files say they are empty until they are read.
TEST(DocumentReader, FilesThatDoNotTellTheirSizeAreReadAsFarAsTheLimit)
{
    const Documents::Result result = Documents::read(u"/proc/sys/kernel/ostype"_s, {});
    EXPECT_EQ(result.text.value_or(result.error), u"Linux\n"_s);
}

} // namespace
