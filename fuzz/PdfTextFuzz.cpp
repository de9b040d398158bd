// PDF files come from anywhere. Whatever the bytes, reading them ends with
// either a text within the limit and no reason, or a reason and no text; the
// text is lines and paragraphs, without control characters.

#include "fuzz/FuzzInput.h"
#include "platform/documents/PdfText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    Documents::Options options;
    options.limits.maximumText = 1 + input.byte() * 64;
    options.password = input.bytes(8);
    // Reading a page from its picture takes seconds, where the layout of a
    // text layer, which this looks at, takes milliseconds.
    options.limits.maximumOcrPageSeconds = 0;
    const Documents::Result result = Documents::readPdf(input.rest(), options);

    if (result.text.has_value() == !result.error.isEmpty())
        fuzzFailure("a text comes without a reason, no text with one", result.error);
    if (result.needsPassword && result.text)
        fuzzFailure("a locked document gives no text");
    if (result.text && result.text->size() > options.limits.maximumText)
        fuzzFailure("the text is within the limit");
    if (result.text && (result.text->contains(u"\n\n\n") || result.text->startsWith(u'\n')))
        fuzzFailure("paragraphs are apart by one blank line", *result.text);
    for (const QChar c : result.text.value_or(QString())) {
        if (c.category() == QChar::Other_Control && c != u'\n')
            fuzzFailure("the text holds no control characters", *result.text);
    }
    if (result.text)
        checkOutline(result.outline, result.text->size());
    return 0;
}
