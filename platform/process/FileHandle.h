#pragma once

#include <QByteArray>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

// One open descriptor, closed when the handle goes away. Handlers are served
// by a thread of their own per handler; that thread never outlives the
// handle's last owner, so a handle that uses them must be held in a
// std::shared_ptr.
class FileHandle : public std::enable_shared_from_this<FileHandle>
{
public:
    using Handler = std::function<void(FileHandle &handle)>;

    // Takes ownership of fd; a negative fd makes a closed handle.
    explicit FileHandle(int fd);
    ~FileHandle();
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    int fileDescriptor() const;

    // Blocks until the writer has closed its end; empty on a closed handle.
    QByteArray readDataToEndOfFile();
    // Blocks until something can be read; empty only at end of stream.
    QByteArray availableData();
    // Blocks until `length` bytes have been read; fewer only at end of stream.
    QByteArray readData(qsizetype length);
    // True once a read has seen end of stream.
    bool isAtEndOfFile() const;
    // False when the reader has gone away or the handle is closed. Never
    // raises SIGPIPE.
    bool writeData(const QByteArray &data);
    // Stops the handlers first, so that none of them sees a reused descriptor.
    void closeFile();

    // Called each time data can be read, until end of stream has been read or
    // the handler is replaced; an empty handler removes it. Removing waits for
    // a running call to return unless it is made from within that call.
    void setReadabilityHandler(Handler handler);
    // Called each time data can be written without blocking, until the reader
    // has gone away or the handler is replaced; an empty handler removes it.
    void setWriteabilityHandler(Handler handler);

    // Reads two handles to their ends at the same time, so that a writer that
    // fills one pipe while the other is being read cannot stall.
    static std::pair<QByteArray, QByteArray> readDataToEndOfFile(FileHandle &first,
                                                                 FileHandle &second);

    class Watcher;

private:
    void replaceWatcher(std::shared_ptr<Watcher> &slot, Handler handler, short events);

    mutable std::mutex m_mutex;
    int m_fd;
    bool m_atEnd = false;
    std::shared_ptr<Watcher> m_readWatcher;
    std::shared_ptr<Watcher> m_writeWatcher;
};
