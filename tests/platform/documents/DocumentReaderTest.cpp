#include "platform/documents/DocumentReader.h"

#include "support/TestSupport.h"

#include <atomic>

namespace {

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

// The kernel's files say they are empty until they are read.
TEST(DocumentReader, FilesThatDoNotTellTheirSizeAreReadAsFarAsTheLimit)
{
    const Documents::Result result = Documents::read(u"/proc/sys/kernel/ostype"_s, {});
    EXPECT_EQ(result.text.value_or(result.error), u"Linux\n"_s);
}

} // namespace
