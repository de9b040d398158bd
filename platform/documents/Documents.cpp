#include "platform/documents/Documents.h"

namespace Documents {

bool Options::cancelled() const
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

void Options::report(double share) const
{
    if (progress)
        progress(share);
}

} // namespace Documents
