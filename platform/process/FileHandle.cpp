#include "platform/process/FileHandle.h"

#include "platform/system/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <thread>

#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr qsizetype ChunkSize = 64 * 1024;

// Reads once; 0 at end of stream, -1 on error.
qsizetype readOnce(int fd, QByteArray &into)
{
    const qsizetype oldSize = into.size();
    into.resize(oldSize + ChunkSize);
    ssize_t count;
    do {
        count = ::read(fd, into.data() + oldSize, size_t(ChunkSize));
    } while (count < 0 && errno == EINTR);
    into.resize(oldSize + (count > 0 ? qsizetype(count) : 0));
    return count;
}

int pollRetrying(pollfd *fds, nfds_t count)
{
    int ready;
    do {
        ready = ::poll(fds, count, -1);
    } while (ready < 0 && errno == EINTR);
    return ready;
}

} // namespace

// The thread that serves one handler. Shared between the handle and the
// thread, so that stopping it from within its own handler is safe.
class FileHandle::Watcher
{
public:
    Watcher()
        : m_wakeFd(::eventfd(0, EFD_CLOEXEC))
    {}

    ~Watcher()
    {
        if (m_thread.joinable()) {
            // The last reference can be dropped by the thread itself, after
            // which it only unwinds its own stack.
            if (m_thread.get_id() == std::this_thread::get_id())
                m_thread.detach();
            else
                m_thread.join();
        }
    }

    Watcher(const Watcher &) = delete;
    Watcher &operator=(const Watcher &) = delete;

    static void start(const std::shared_ptr<Watcher> &watcher, std::weak_ptr<FileHandle> handle,
                      int fd, short events, Handler handler)
    {
        watcher->m_thread = std::thread(
            [watcher, handle = std::move(handle), fd, events, handler = std::move(handler)] {
                watcher->run(handle, fd, events, handler);
            });
    }

    void stop()
    {
        m_stopped = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd.get(), &one, sizeof one);
    }

    // Stops the thread and waits for it, unless called from the thread itself.
    void stopAndWait()
    {
        stop();
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

private:
    void run(const std::weak_ptr<FileHandle> &weakHandle, int fd, short events,
             const Handler &handler)
    {
        for (;;) {
            pollfd fds[2] = {{fd, events, 0}, {m_wakeFd.get(), POLLIN, 0}};
            if (pollRetrying(fds, 2) < 0 || m_stopped)
                return;
            const short revents = fds[0].revents;
            if (revents == 0)
                continue;
            if (revents & POLLNVAL)
                return;
            bool finished;
            {
                std::shared_ptr<FileHandle> handle = weakHandle.lock();
                if (!handle)
                    return;
                handler(*handle);
                finished = (events & POLLIN) ? handle->isAtEndOfFile()
                                             : (revents & (POLLERR | POLLHUP)) != 0;
                // Dropping the handle here may destroy it, which stops us.
            }
            if (finished || m_stopped)
                return;
        }
    }

    UniqueFd m_wakeFd;
    std::atomic<bool> m_stopped = false;
    std::thread m_thread;
};

FileHandle::FileHandle(int fd)
    : m_fd(fd)
{}

FileHandle::~FileHandle()
{
    closeFile();
}

int FileHandle::fileDescriptor() const
{
    std::lock_guard lock(m_mutex);
    return m_fd;
}

QByteArray FileHandle::readDataToEndOfFile()
{
    const int fd = fileDescriptor();
    QByteArray data;
    if (fd < 0)
        return data;
    while (readOnce(fd, data) > 0) {
    }
    std::lock_guard lock(m_mutex);
    m_atEnd = true;
    return data;
}

QByteArray FileHandle::availableData()
{
    const int fd = fileDescriptor();
    QByteArray data;
    if (fd < 0)
        return data;
    if (readOnce(fd, data) <= 0) {
        std::lock_guard lock(m_mutex);
        m_atEnd = true;
    }
    return data;
}

QByteArray FileHandle::readData(qsizetype length)
{
    const int fd = fileDescriptor();
    QByteArray data(std::max<qsizetype>(length, 0), Qt::Uninitialized);
    qsizetype done = 0;
    while (fd >= 0 && done < data.size()) {
        const ssize_t count = ::read(fd, data.data() + done, size_t(data.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            std::lock_guard lock(m_mutex);
            m_atEnd = true;
            break;
        }
        done += qsizetype(count);
    }
    data.truncate(done);
    return data;
}

bool FileHandle::isAtEndOfFile() const
{
    std::lock_guard lock(m_mutex);
    return m_atEnd;
}

bool FileHandle::writeData(const QByteArray &data)
{
    const int fd = fileDescriptor();
    if (fd < 0)
        return false;

    // A reader that has gone away must fail this write, not end the program:
    // hold SIGPIPE back on this thread and swallow the one the write raised.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t oldMask;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &oldMask);
    sigset_t pending;
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

    bool ok = true;
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t count = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EPIPE && !alreadyPending) {
                const timespec noWait{};
                while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
                }
            }
            ok = false;
            break;
        }
        done += qsizetype(count);
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    return ok;
}

void FileHandle::closeFile()
{
    std::shared_ptr<Watcher> reader;
    std::shared_ptr<Watcher> writer;
    int fd;
    {
        std::lock_guard lock(m_mutex);
        reader = std::move(m_readWatcher);
        writer = std::move(m_writeWatcher);
        fd = std::exchange(m_fd, -1);
    }
    if (reader)
        reader->stopAndWait();
    if (writer)
        writer->stopAndWait();
    if (fd >= 0)
        ::close(fd);
}

void FileHandle::setReadabilityHandler(Handler handler)
{
    replaceWatcher(m_readWatcher, std::move(handler), POLLIN);
}

void FileHandle::setWriteabilityHandler(Handler handler)
{
    replaceWatcher(m_writeWatcher, std::move(handler), POLLOUT);
}

void FileHandle::replaceWatcher(std::shared_ptr<Watcher> &slot, Handler handler, short events)
{
    std::shared_ptr<Watcher> old;
    {
        std::lock_guard lock(m_mutex);
        old = std::move(slot);
        if (handler && m_fd >= 0) {
            auto watcher = std::make_shared<Watcher>();
            Watcher::start(watcher, weak_from_this(), m_fd, events, std::move(handler));
            slot = std::move(watcher);
        }
    }
    if (old)
        old->stopAndWait();
}

std::pair<QByteArray, QByteArray> FileHandle::readDataToEndOfFile(FileHandle &first,
                                                                  FileHandle &second)
{
    std::pair<QByteArray, QByteArray> result;
    pollfd fds[2] = {{first.fileDescriptor(), POLLIN, 0}, {second.fileDescriptor(), POLLIN, 0}};
    QByteArray *buffers[2] = {&result.first, &result.second};
    // poll skips negative descriptors: a stream is done by turning it negative.
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (pollRetrying(fds, 2) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0 &&
                ((fds[i].revents & POLLNVAL) || readOnce(fds[i].fd, *buffers[i]) <= 0))
                fds[i].fd = -1;
        }
    }
    for (FileHandle *handle : {&first, &second}) {
        std::lock_guard lock(handle->m_mutex);
        handle->m_atEnd = true;
    }
    return result;
}
