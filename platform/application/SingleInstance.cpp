#include "platform/application/SingleInstance.h"

#include "platform/system/Log.h"
#include "platform/system/SystemError.h"
#include "platform/system/UniqueFd.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Another launch holds the lock only between asking and listening.
constexpr milliseconds lockWait{5000};
// An instance busy loading a large file answers once it is done.
constexpr milliseconds answerWait{15000};
// A request is one line, and each connection has one deadline for the whole
// of it, so that connections that send nothing, or a byte now and then,
// cannot hold every place for long. A request is small, but for a text to
// speak, which has as much more time as it takes at the slowest rate a
// launch sends it.
constexpr qint64 requestDeadlineMs = 3000;
constexpr qint64 minimumBytesPerMs = 1024;
constexpr int maximumConnections = 32;
// How soon to accept again after the system refused a connection (out of
// descriptors, for one).
constexpr int acceptRetryMs = 200;
// Room for the file names and the longest text to speak, even if every
// character of it is written as a six-character escape.
constexpr qsizetype maximumMessage = 6 * SingleInstance::maximumSpeech + 1024 * 1024;

// The request is one line of JSON: {"files": [names]}, and {"speak": text}
// from launches that hand over a text. Keys an instance does not know are
// left alone, so that it still serves newer launches as far as it can; the
// answer tells the launch what was done:
const QByteArray tookFiles = "ok\n";      // brought the window back, opened the files
const QByteArray speaking = "ok speak\n"; // and speaks the text
const QByteArray cannotSpeak = "busy\n";  // took nothing: the text cannot be spoken now
const QByteArray refused = "refused\n";   // took nothing: not a request it understands

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

void waitBriefly()
{
    ::poll(nullptr, 0, 50);
}

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

enum class Sent {
    Whole,
    Closed,   // the other end closed the connection first
    TimedOut, // or failed otherwise
};

Sent writeAll(int fd, const QByteArray &bytes, Clock::time_point deadline)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::send(fd, bytes.constData() + written, size_t(bytes.size() - written), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN) {
            pollfd waiting{fd, POLLOUT, 0};
            if (::poll(&waiting, 1, remainingMs(deadline)) == 0)
                return Sent::TimedOut;
            continue;
        }
        if (count < 0 && (errno == EPIPE || errno == ECONNRESET))
            return Sent::Closed;
        if (count <= 0)
            return Sent::TimedOut;
        written += count;
    }
    return Sent::Whole;
}

enum class Answer {
    Confirmed,    // the instance took the request
    NoChannel,    // nothing at the channel's place
    StaleChannel, // a channel that refuses connections: nobody listens
    Unusable,     // the channel cannot be reached at all
    NoAnswer,     // a live instance did not answer in time
};

// Connects to a channel, sends one request and keeps the instance's answer
// in `reply`. Plain sockets: no application object exists yet.
Answer sendRequest(const QString &channel, const QByteArray &request, QByteArray &reply)
{
    const QByteArray path = QFile::encodeName(channel);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return Answer::Unusable;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));

    const Clock::time_point deadline = Clock::now() + answerWait;
    for (;;) {
        const UniqueFd socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
        if (!socket)
            return Answer::Unusable;
        if (::connect(socket.get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) !=
            0) {
            if (errno == ENOENT)
                return Answer::NoChannel;
            if (errno == ECONNREFUSED)
                return Answer::StaleChannel;
            if (errno != EAGAIN && errno != EINTR)
                return Answer::Unusable;
            // The instance has more connections waiting than it takes.
            if (remainingMs(deadline) == 0)
                return Answer::NoAnswer;
            waitBriefly();
            continue;
        }
        const Sent sent = writeAll(socket.get(), request, deadline);
        if (sent == Sent::TimedOut)
            return Answer::NoAnswer;

        reply.clear();
        bool closed = sent == Sent::Closed;
        pollfd waiting{socket.get(), POLLIN, 0};
        while (!closed && !reply.contains('\n')) {
            const int ready = ::poll(&waiting, 1, remainingMs(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return Answer::NoAnswer;
            char buffer[64];
            const ssize_t count = ::read(socket.get(), buffer, sizeof buffer);
            if (count < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (count <= 0) {
                closed = true;
                break;
            }
            reply.append(buffer, count);
        }
        if (!closed) {
            reply.truncate(reply.indexOf('\n') + 1);
            return Answer::Confirmed;
        }
        // Closed unanswered, or before the request was in: the instance had
        // too many connections open, or has just ended. Asking again tells
        // which.
        if (remainingMs(deadline) == 0)
            return Answer::NoAnswer;
        waitBriefly();
    }
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
    if (m_listenFd) {
        delete m_notifier;
        m_listenFd.reset();
        // Only our own channel: a later instance may have put its own there.
        const QByteArray path = QFile::encodeName(channelPath());
        struct stat info = {};
        if (::lstat(path.constData(), &info) == 0 && info.st_dev == m_channelDevice &&
            info.st_ino == m_channelInode)
            ::unlink(path.constData());
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

bool SingleInstance::takeLock()
{
    const QByteArray lockPath = QFile::encodeName(m_folder + u"/instance.lock"_s);
    m_lockFd.reset(::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!m_lockFd)
        return false;
    // Waits while another launch is between asking and listening, but not
    // for ever: one that froze there must not hang every later launch.
    const Clock::time_point deadline = Clock::now() + lockWait;
    while (::flock(m_lockFd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR && errno != EWOULDBLOCK)
            return false;
        if (remainingMs(deadline) == 0) {
            releaseLock();
            m_errorString = tr("Another launch of Tavorin is starting and does not finish; "
                               "try again, or end the other Tavorin first");
            return false;
        }
        waitBriefly();
    }
    return true;
}

SingleInstance::Outcome SingleInstance::handOver(const QStringList &files, const QString &speech)
{
    if (m_folder.isEmpty() || !makePrivateFolder(QFile::encodeName(m_folder))) {
        m_errorString = u"no private runtime folder"_s;
        return Outcome::Standalone;
    }
    if (!takeLock()) {
        if (!m_errorString.isEmpty())
            return Outcome::Failed;
        releaseLock();
        m_errorString = u"the start-up lock cannot be taken"_s;
        return Outcome::Standalone;
    }

    QJsonObject request{{u"files"_s, QJsonArray::fromStringList(files)}};
    if (!speech.isEmpty())
        request.insert(u"speak"_s, speech);
    QByteArray reply;
    switch (sendRequest(channelPath(), QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n',
                        reply)) {
    case Answer::Confirmed:
        releaseLock();
        if (reply == (speech.isEmpty() ? tookFiles : speaking))
            return Outcome::HandedOver;
        if (reply == cannotSpeak)
            m_errorString = tr("The running Tavorin cannot speak the text now: it is exporting; "
                               "try again when it is done");
        else if (reply == tookFiles)
            // An instance from before texts could be handed over: it only
            // brought its window back.
            m_errorString = tr("The running Tavorin cannot speak a text handed to it; "
                               "quit it and try again");
        else
            m_errorString = tr("The running Tavorin refused the request");
        return Outcome::Failed;
    case Answer::NoAnswer:
        releaseLock();
        m_errorString = tr("Tavorin is already running but does not answer; "
                           "try again once it responds, or end it first");
        return Outcome::Failed;
    case Answer::Unusable:
        releaseLock();
        m_errorString = u"the instance channel cannot be reached"_s;
        return Outcome::Standalone;
    case Answer::StaleChannel:
        m_staleChannel = true;
        break;
    case Answer::NoChannel:
        break;
    }
    m_primary = true;
    return Outcome::Primary;
}

bool SingleInstance::listen()
{
    if (!m_primary || m_listenFd)
        return false;
    const QByteArray path = QFile::encodeName(channelPath());
    // Refused while we held the lock: left by an instance that ended
    // without removing it.
    if (m_staleChannel)
        ::unlink(path.constData());

    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    UniqueFd socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    struct stat info = {};
    const bool listening =
        socket &&
        ::bind(socket.get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        ::chmod(path.constData(), 0600) == 0 && ::listen(socket.get(), SOMAXCONN) == 0 &&
        ::lstat(path.constData(), &info) == 0;
    if (!listening) {
        Log::write(u"Cannot open the instance channel %1: %2"_s.arg(channelPath(), systemError()));
        releaseLock();
        return false;
    }
    m_listenFd = std::move(socket);
    m_channelDevice = info.st_dev;
    m_channelInode = info.st_ino;
    m_notifier = new QSocketNotifier(m_listenFd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    releaseLock();
    return true;
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        UniqueFd connection{
            ::accept4(m_listenFd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)};
        if (!connection) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            // Out of descriptors or memory for now: the connection waits in
            // the queue, and the channel stays, until there is room again.
            if (!std::exchange(m_acceptFailing, true))
                Log::write(
                    u"The instance channel cannot take a connection now: %1"_s.arg(systemError()));
            m_notifier->setEnabled(false);
            QTimer::singleShot(acceptRetryMs, m_notifier,
                               [notifier = m_notifier] { notifier->setEnabled(true); });
            return;
        }
        m_acceptFailing = false;
        if (m_openConnections >= maximumConnections) {
            // The launch behind it asks again.
            continue;
        }
        auto *socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(connection.get())) {
            delete socket;
            continue;
        }
        connection.release();
        ++m_openConnections;
        connect(socket, &QObject::destroyed, this, [this] { --m_openConnections; });
        serveConnection(socket);
    }
}

void SingleInstance::serveConnection(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    deadline->start(int(requestDeadlineMs));
    // A request with a long text comes in many pieces: each is searched for
    // the line's end once, not the whole request again with every piece.
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this,
            [this, socket, request, deadline, accepted = Clock::now()] {
                const qsizetype searched = request->size();
                request->append(socket->readAll());
                const qsizetype end = request->indexOf('\n', searched);
                if (end < 0) {
                    if (request->size() > maximumMessage) {
                        socket->abort();
                        return;
                    }
                    const auto allowed =
                        milliseconds(requestDeadlineMs + request->size() / minimumBytesPerMs);
                    deadline->start(remainingMs(accepted + allowed));
                    return;
                }
                request->truncate(end);
                disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
                // The answer has its own while to go out.
                deadline->start(int(requestDeadlineMs));
                std::optional<QStringList> activation;
                socket->write(answer(*request, activation));
                socket->flush();
                socket->disconnectFromServer();
                // The launch is answered before the files are opened, which may
                // take a while.
                if (activation)
                    Q_EMIT activationRequested(*activation);
            });
}

QByteArray SingleInstance::answer(const QByteArray &line, std::optional<QStringList> &activation)
{
    // JSON is UTF-8; bytes that are not would reach the text as
    // replacement characters.
    if (!line.isValidUtf8())
        return refused;
    const QJsonDocument request = QJsonDocument::fromJson(line.trimmed());
    if (!request.isObject())
        return refused;
    const QJsonObject fields = request.object();
    QStringList files;
    const QJsonValue list = fields.value(u"files"_s);
    if (!list.isUndefined() && !list.isArray())
        return refused;
    for (const QJsonValue &file : list.toArray()) {
        if (!file.isString())
            return refused;
        files << file.toString();
    }
    const QJsonValue speech = fields.value(u"speak"_s);
    if (speech.isUndefined()) {
        activation = files;
        return tookFiles;
    }
    // A text to speak stands alone; JSON's escapes can make unpaired
    // surrogates, which are no text.
    const QString text = speech.toString();
    if (!speech.isString() || text.isEmpty() || !files.isEmpty() || !text.isValidUtf16() ||
        text.size() > maximumSpeech || text.toUtf8().size() > maximumSpeech)
        return refused;
    if (!m_speechHandler || !m_speechHandler(text))
        return cannotSpeak;
    return speaking;
}

void SingleInstance::releaseLock()
{
    m_lockFd.reset();
}
