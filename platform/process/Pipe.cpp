#include "platform/process/Pipe.h"

#include <fcntl.h>
#include <unistd.h>

Pipe::Pipe()
{
    int fds[2] = {-1, -1};
    m_valid = ::pipe2(fds, O_CLOEXEC) == 0;
    if (!m_valid)
        fds[0] = fds[1] = -1;
    m_reading = std::make_shared<FileHandle>(fds[0]);
    m_writing = std::make_shared<FileHandle>(fds[1]);
}

bool Pipe::isValid() const
{
    return m_valid;
}

std::shared_ptr<FileHandle> Pipe::fileHandleForReading() const
{
    return m_reading;
}

std::shared_ptr<FileHandle> Pipe::fileHandleForWriting() const
{
    return m_writing;
}
