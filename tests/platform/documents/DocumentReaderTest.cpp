#include "platform/documents/DocumentReader.h"

#include "support/TestSupport.h"

#include <atomic>

namespace {

// The kernel's files say they are empty until they are read.
TEST(DocumentReader, FilesThatDoNotTellTheirSizeAreReadAsFarAsTheLimit)
{
    const Documents::Result result = Documents::read(u"/proc/sys/kernel/ostype"_s, {});
    EXPECT_EQ(result.text.value_or(result.error), u"Linux\n"_s);
}

} // namespace
