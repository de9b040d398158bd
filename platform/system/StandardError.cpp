#include "platform/system/StandardError.h"

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace {

thread_local int silences = 0;

ssize_t writeOut(void *, const char *data, size_t size)
{
    if (silences > 0)
        return ssize_t(size);
    size_t written = 0;
    while (written < size) {
        const ssize_t count = ::write(STDERR_FILENO, data + written, size - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return written > 0 ? ssize_t(written) : -1;
        written += size_t(count);
    }
    return ssize_t(size);
}

} // namespace

void StandardError::takeOver()
{
    static FILE *const stream = [] {
        FILE *opened = ::fopencookie(nullptr, "w", {nullptr, writeOut, nullptr, nullptr});
        // Each line goes out as it is written, as stderr's do.
        if (opened)
            std::setvbuf(opened, nullptr, _IONBF, 0);
        return opened;
    }();
    if (!stream || stderr == stream)
        return;
    std::fflush(stderr);
    // glibc lets a program put another stream in stderr's place; libraries
    // read it anew with every line they print.
    stderr = stream;
}

StandardError::Silence::Silence()
{
    ++silences;
}

StandardError::Silence::~Silence()
{
    --silences;
}
