#include "platform/system/AtomicFile.h"

#include "platform/system/FileName.h"
#include "platform/system/SystemError.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int MaximumLinks = 40; // as the kernel follows them

// Temporary files that have a name are called
// ".tavorin.PID.RANDOM.HOST.tmp", so that a later export in the same folder
// can tell a leftover of a killed process from the file of a running one.
constexpr QByteArrayView LeftoverPrefix = ".tavorin.";
constexpr QByteArrayView LeftoverSuffix = ".tmp";

QByteArray hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return QByteArrayLiteral("localhost");
    QByteArray host(name);
    host.replace('/', '_');
    return host;
}

QByteArray temporaryName()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray random(6, 'x');
    for (char &letter : random)
        letter = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return LeftoverPrefix.toByteArray() + QByteArray::number(qint64(::getpid())) + '.' + random +
           '.' + hostName() + LeftoverSuffix.toByteArray();
}

// Seconds since the epoch when process `pid` started, or -1.
qint64 processStart(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    QFile system(u"/proc/stat"_s);
    if (!stat.open(QIODevice::ReadOnly) || !system.open(QIODevice::ReadOnly))
        return -1;
    // The name in parentheses may hold spaces; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    qint64 bootTime = -1;
    for (const QByteArray &entry : system.readAll().split('\n'))
        if (entry.startsWith("btime "))
            bootTime = entry.mid(6).trimmed().toLongLong();
    // starttime is the 22nd field, the 20th after the name.
    if (fields.size() < 20 || bootTime < 0)
        return -1;
    return bootTime + fields.at(19).toLongLong() / ::sysconf(_SC_CLK_TCK);
}

// A leftover is ours when it names this host and a process that is gone, or
// one that started after the file was last written (its number was reused).
bool isStaleLeftover(int folderFd, const char *name)
{
    const QByteArrayView entry(name);
    if (!entry.startsWith(LeftoverPrefix) || !entry.endsWith(LeftoverSuffix))
        return false;
    const QList<QByteArray> parts =
        entry.sliced(LeftoverPrefix.size()).chopped(LeftoverSuffix.size()).toByteArray().split('.');
    if (parts.size() < 3 || parts.mid(2).join('.') != hostName())
        return false;
    bool ok = false;
    const qint64 pid = parts.at(0).toLongLong(&ok);
    if (!ok || pid <= 0 || pid > INT_MAX)
        return false;
    struct stat info = {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    const qint64 started = processStart(pid);
    return started > 0 && info.st_mtim.tv_sec < started;
}

void removeStaleLeftovers(int folderFd)
{
    UniqueFd listFd{::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (!listFd)
        return;
    DIR *folder = ::fdopendir(listFd.get());
    if (!folder)
        return;
    listFd.release(); // closedir() closes it
    while (const dirent *entry = ::readdir(folder)) {
        if (isStaleLeftover(folderFd, entry->d_name))
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(folder);
}

struct Target
{
    QByteArray folder;
    QByteArray name;
    QString error;
};

// Follows symbolic links to the file that is really to be replaced, and
// refuses what is not a regular file: a FIFO, a socket or a device must never
// be swapped for a file, and a folder cannot be.
Target resolve(const QString &path)
{
    QByteArray current = FileName::encode(path);
    for (int links = 0;; ++links) {
        if (links > MaximumLinks)
            return {{}, {}, systemError(ELOOP)};
        struct stat info = {};
        if (::lstat(current.constData(), &info) != 0) {
            if (errno != ENOENT && errno != ENOTDIR)
                return {{}, {}, systemError()};
            break; // a new file
        }
        if (S_ISDIR(info.st_mode))
            return {{}, {}, QCoreApplication::translate("AtomicFile", "it is a folder")};
        if (S_ISREG(info.st_mode))
            break;
        if (!S_ISLNK(info.st_mode))
            return {{}, {}, QCoreApplication::translate("AtomicFile", "it is not a regular file")};
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(current.constData(), link.data(), size_t(link.size()));
        if (length < 0)
            return {{}, {}, systemError()};
        link.truncate(length);
        const qsizetype slash = current.lastIndexOf('/');
        current = link.startsWith('/') || slash < 0 ? link : current.first(slash + 1) + link;
    }
    const qsizetype slash = current.lastIndexOf('/');
    Target target;
    target.folder = slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? "/" : current.first(slash);
    target.name = current.sliced(slash + 1);
    if (target.name.isEmpty())
        target.error = QCoreApplication::translate("AtomicFile", "it is a folder");
    return target;
}

// Checks the folder and the name that open() will need, before anything is
// rendered.
QString checkFolder(const Target &target, int folderFd)
{
    long maximumName = ::fpathconf(folderFd, _PC_NAME_MAX);
    if (maximumName <= 0)
        maximumName = NAME_MAX;
    if (target.name.size() > maximumName)
        return QCoreApplication::translate("AtomicFile", "the name is too long for its folder (%1)")
            .arg(systemError(ENAMETOOLONG));
    if (::faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return QCoreApplication::translate("AtomicFile", "cannot create files in its folder (%1)")
            .arg(systemError());
    return QString();
}

UniqueFd openFolder(const QByteArray &folder, QString &error)
{
    UniqueFd fd{::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (!fd)
        error = QCoreApplication::translate("AtomicFile", "cannot open its folder (%1)")
                    .arg(systemError());
    return fd;
}

// The new file gets the old one's permission bits (never its set-id or
// sticky bits), or what a new file would get.
mode_t targetMode(int folderFd, const QByteArray &name)
{
    struct stat existing = {};
    if (::fstatat(folderFd, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode))
        return existing.st_mode & 0777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(const QString &path)
    : m_path(path)
{}

AtomicFile::~AtomicFile()
{
    discard();
}

QString AtomicFile::checkTarget(const QString &path)
{
    const Target target = resolve(path);
    if (!target.error.isEmpty())
        return target.error;
    QString error;
    const UniqueFd folderFd = openFolder(target.folder, error);
    if (!folderFd)
        return error;
    return checkFolder(target, folderFd.get());
}

QString AtomicFile::resolvedTarget(const QString &path, QString &error)
{
    const Target target = resolve(path);
    error = target.error;
    if (!error.isEmpty())
        return QString();
    char *real = ::realpath(target.folder.constData(), nullptr);
    QByteArray file = real ? QByteArray(real) : target.folder;
    std::free(real);
    if (!file.endsWith('/'))
        file += '/';
    file += target.name;
    return FileName::decode(file);
}

bool AtomicFile::open()
{
    discard();
    m_error.clear();
    Target target = resolve(m_path);
    if (!target.error.isEmpty()) {
        m_error = target.error;
        return false;
    }
    m_folder = std::move(target.folder);
    m_name = std::move(target.name);
    m_folderFd = openFolder(m_folder, m_error);
    if (!m_folderFd)
        return false;
    m_error = checkFolder({m_folder, m_name, {}}, m_folderFd.get());
    if (!m_error.isEmpty() || !createTemporary()) {
        closeFiles();
        return false;
    }
    return true;
}

bool AtomicFile::createTemporary()
{
    removeStaleLeftovers(m_folderFd.get());
    // A file without a name disappears with the process, however it ends.
    m_fd.reset(::openat(m_folderFd.get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (m_fd)
        return true;
    // Not every file system has them (vfat, NFS, CIFS, many FUSE mounts).
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryName();
        m_fd.reset(::openat(m_folderFd.get(), name.constData(),
                            O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600));
        if (m_fd) {
            m_temporaryName = name;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    m_error =
        QCoreApplication::translate("AtomicFile", "cannot create the file (%1)").arg(systemError());
    return false;
}

void AtomicFile::startWriteback()
{
    // Only a hint: a file system without it writes the data at the commit.
    if (m_fd)
        ::sync_file_range(m_fd.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool AtomicFile::targetExists() const
{
    struct stat existing = {};
    return m_folderFd && ::fstatat(m_folderFd.get(), m_name.constData(), &existing, 0) == 0;
}

bool AtomicFile::commit()
{
    if (!m_fd) {
        discard();
        return false;
    }
    // The data reaches the disk before the name does: after a power cut the
    // target holds the old file or the new one, never an empty one.
    if (::fchmod(m_fd.get(), targetMode(m_folderFd.get(), m_name)) != 0 ||
        ::fsync(m_fd.get()) != 0) {
        m_error = QCoreApplication::translate("AtomicFile", "cannot complete the file (%1)")
                      .arg(systemError());
        discard();
        return false;
    }
    // A file without a name gets one beside the target first: rename() is
    // what replaces a file atomically.
    for (int attempt = 0; m_temporaryName.isEmpty() && attempt < 100; ++attempt) {
        const QByteArray name = temporaryName();
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd.get());
        if (::linkat(AT_FDCWD, self.constData(), m_folderFd.get(), name.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            m_temporaryName = name;
        else if (errno != EEXIST)
            break;
    }
    if (m_temporaryName.isEmpty() || ::renameat(m_folderFd.get(), m_temporaryName.constData(),
                                                m_folderFd.get(), m_name.constData()) != 0) {
        m_error = QCoreApplication::translate("AtomicFile", "cannot complete the file (%1)")
                      .arg(systemError());
        discard();
        return false;
    }
    m_temporaryName.clear();
    const bool durable = ::fsync(m_folderFd.get()) == 0 || errno == EINVAL;
    if (!durable)
        m_error =
            QCoreApplication::translate("AtomicFile", "the file may not have reached the disk (%1)")
                .arg(systemError());
    closeFiles();
    return durable;
}

void AtomicFile::discard()
{
    if (!m_temporaryName.isEmpty())
        ::unlinkat(m_folderFd.get(), m_temporaryName.constData(), 0);
    m_temporaryName.clear();
    closeFiles();
}

void AtomicFile::closeFiles()
{
    m_fd.reset();
    m_folderFd.reset();
}

bool AtomicFile::write(const QString &path, QByteArrayView contents, QString &error)
{
    AtomicFile file(path);
    if (!file.open()) {
        error = file.errorString();
        return false;
    }
    const char *data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(file.fd(), data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = QCoreApplication::translate("AtomicFile", "cannot write the file (%1)")
                        .arg(systemError());
            file.discard();
            return false;
        }
        data += written;
        left -= written;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
