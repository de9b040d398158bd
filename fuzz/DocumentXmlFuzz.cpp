// The XML inside documents (XHTML chapters, OpenDocument and Word content,
// FictionBook) is read as it comes out of the container, and HTML pages as
// XHTML is. Any markup gives a text within the limit or a reason, and a text
// is laid out the one way the editor gets it: no spaces at a line's ends, no
// more than one blank line, no line break at either end. Its chapters lie
// within it, in order.

#include "fuzz/FuzzInput.h"
#include "platform/documents/DocumentXml.h"

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using Documents::Xml::Format;
    FuzzInput input(data, size);
    const unsigned kind = input.number(5);
    Documents::Options options;
    options.limits.maximumText = 64 * 1024;
    options.limits.maximumDepth = 64;
    const Documents::Result result =
        kind == 4
            ? Documents::Xml::readHtmlText(QString::fromUtf8(input.rest()), options)
            : Documents::Xml::readText(std::array{Format::Xhtml, Format::OpenDocumentText,
                                                  Format::WordDocument, Format::FictionBook}[kind],
                                       input.rest(), options, u"part.xml"_s);
    if (result.text.has_value() == !result.error.isEmpty() || result.cancelled)
        fuzzFailure("a text or a reason, not both", result.error);
    if (!result.text)
        return 0;
    const QString &text = *result.text;
    checkOutline(result.outline, text.size());
    if (text.size() > options.limits.maximumText)
        fuzzFailure("the text keeps to the limit");
    if (text.startsWith(u'\n') || text.endsWith(u'\n') || text.contains(u"\n\n\n"_s))
        fuzzFailure("line breaks only between lines, one blank line at most", text);
    for (const QStringView line : QStringTokenizer(text, u'\n')) {
        const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
        if (!line.isEmpty() && (blank(line.front()) || blank(line.back())))
            fuzzFailure("no spaces at a line's ends", line.toString());
    }
    return 0;
}
