#pragma once

// Sole owner of a POSIX file descriptor: closed when the owner goes, handed on
// only by moving. Keeps errno as it was, so that a failure can still be
// reported after the descriptor that saw it has been closed.
class UniqueFd
{
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept
        : m_fd(fd)
    {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd &&other) noexcept
        : m_fd(other.release())
    {}
    UniqueFd &operator=(UniqueFd &&other) noexcept;
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const noexcept { return m_fd; }
    bool isValid() const noexcept { return m_fd >= 0; }
    explicit operator bool() const noexcept { return isValid(); }

    // Gives the descriptor up without closing it.
    int release() noexcept;
    // Closes the descriptor held and takes fd instead.
    void reset(int fd = -1) noexcept;

private:
    int m_fd = -1;
};
