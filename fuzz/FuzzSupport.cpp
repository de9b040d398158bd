#include "fuzz/FuzzInput.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

void fuzzFailure(const char *what, const QString &detail)
{
    std::fprintf(stderr, "Invariant broken: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::abort();
}
