#include "platform/SingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int replyTimeoutMs = 5000;
constexpr qsizetype maximumMessage = 1024 * 1024;

// A folder that only this user can reach: owned by us, mode 0700, not a link.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 0077) == 0;
}

bool makePrivateFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isPrivateFolder(path);
}

struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::send(fd, bytes.constData() + written, size_t(bytes.size() - written), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += count;
    }
    return true;
}

// Connects to a channel and sends one request; true when the instance
// behind it confirms. Plain sockets: no application object exists yet.
bool sendRequest(const QString &channel, const QByteArray &request)
{
    const QByteArray path = QFile::encodeName(channel);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));

    Descriptor socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (socket.fd < 0)
        return false;
    if (::connect(socket.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        return false;
    if (!writeAll(socket.fd, request))
        return false;

    QByteArray reply;
    pollfd waiting{socket.fd, POLLIN, 0};
    while (!reply.contains('\n')) {
        const int ready = ::poll(&waiting, 1, replyTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[64];
        const ssize_t count = ::read(socket.fd, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        reply.append(buffer, count);
    }
    return reply.startsWith("ok\n");
}

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
{
    if (m_folder.isEmpty()) {
        const QString runtime = runtimeFolder();
        if (!runtime.isEmpty())
            m_folder = runtime + u"/tavorin"_s;
    }
}

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->close();
        QLocalServer::removeServer(channelPath());
    }
    releaseLock();
}

QString SingleInstance::runtimeFolder()
{
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && isPrivateFolder(xdg))
        return QFile::decodeName(xdg);
    const QByteArray fallback = "/tmp/tavorin-runtime-" + QByteArray::number(::getuid());
    return makePrivateFolder(fallback) ? QFile::decodeName(fallback) : QString();
}

SingleInstance::Outcome SingleInstance::handOver(const QStringList &files)
{
    if (m_folder.isEmpty() || !makePrivateFolder(QFile::encodeName(m_folder)))
        return Outcome::Standalone;

    const QByteArray lockPath = QFile::encodeName(m_folder + u"/instance.lock"_s);
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0)
        return Outcome::Standalone;
    // Waits while another launch is between asking and listening.
    while (::flock(m_lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            releaseLock();
            return Outcome::Standalone;
        }
    }

    QJsonObject request{{u"files"_s, QJsonArray::fromStringList(files)}};
    if (sendRequest(channelPath(), QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n')) {
        releaseLock();
        return Outcome::HandedOver;
    }
    return Outcome::Primary;
}

bool SingleInstance::listen()
{
    if (m_folder.isEmpty())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered while we held the lock: whatever is at the channel's
    // place was left by a crash.
    QLocalServer::removeServer(channelPath());
    const bool listening = m_server->listen(channelPath());
    if (!listening)
        Log::write(u"Cannot open the instance channel %1: %2"_s.arg(channelPath(),
                                                                    m_server->errorString()));
    else
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    releaseLock();
    return listening;
}

void SingleInstance::serveConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maximumMessage)
                    socket->abort();
                return;
            }
            const QJsonDocument request = QJsonDocument::fromJson(socket->readLine().trimmed());
            QStringList files;
            const QJsonArray list = request.object().value(u"files"_s).toArray();
            for (const QJsonValue &file : list)
                if (file.isString())
                    files << file.toString();
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            Q_EMIT activationRequested(files);
        });
    }
}

void SingleInstance::releaseLock()
{
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}
