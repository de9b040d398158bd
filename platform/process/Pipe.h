#pragma once

#include "platform/process/FileHandle.h"

#include <memory>

// A one-way channel between this program and a child: both ends are opened
// close-on-exec, so that no other child inherits them.
class Pipe
{
public:
    Pipe();
    Pipe(const Pipe &) = delete;
    Pipe &operator=(const Pipe &) = delete;

    // False when the system refused the pipe; both ends are then closed handles.
    bool isValid() const;
    std::shared_ptr<FileHandle> fileHandleForReading() const;
    std::shared_ptr<FileHandle> fileHandleForWriting() const;

private:
    bool m_valid = false;
    std::shared_ptr<FileHandle> m_reading;
    std::shared_ptr<FileHandle> m_writing;
};
