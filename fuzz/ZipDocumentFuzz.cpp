// Zip documents come from any file a user opens or drops. Any bytes read as
// one outcome: a text within the limit, or no text and a reason (perhaps a
// password to ask for); never a crash, a hang or memory past the limits.

#include "fuzz/FuzzInput.h"
#include "platform/documents/ZipDocuments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Documents::Options options;
    options.limits.maximumUnpacked = 8 * 1024 * 1024;
    options.limits.maximumText = 1024 * 1024;
    options.limits.maximumEntries = 1000;
    const Documents::Result result = Documents::readZipDocument(bytes, options);
    if (result.text.has_value() == !result.error.isEmpty())
        fuzzFailure("a text or a reason, not both", result.error);
    if (result.text && result.text->size() > options.limits.maximumText)
        fuzzFailure("the text keeps to the limit");
    if (result.cancelled)
        fuzzFailure("nothing cancels", result.error);
    if (result.needsPassword && result.text)
        fuzzFailure("a password is asked for in place of a text");
    if (result.text)
        checkOutline(result.outline, result.text->size());
    return 0;
}
