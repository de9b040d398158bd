#include "platform/system/UniqueFd.h"

#include <cerrno>
#include <utility>

#include <unistd.h>

UniqueFd &UniqueFd::operator=(UniqueFd &&other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

int UniqueFd::release() noexcept
{
    return std::exchange(m_fd, -1);
}

void UniqueFd::reset(int fd) noexcept
{
    const int old = std::exchange(m_fd, fd);
    if (old < 0 || old == fd)
        return;
    // Linux releases the descriptor even when close() fails (EINTR
    // included), so it is never retried.
    const int saved = errno;
    ::close(old);
    errno = saved;
}
