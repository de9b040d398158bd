#pragma once

// Helpers that the test programs share: files written and read back, audio
// files read with libsndfile, menus reduced to their titles, pixels of
// painted images, and the descriptors, threads and children of this process.
// It brings the headers nearly every test uses, so that a test includes only
// what is particular to it.

#include <QAction>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <vector>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

// Every test writes its strings as u"..."_s.
using namespace Qt::StringLiterals;

namespace TestSupport {

// How long a test waits for anything to happen: generous, so that only a
// fault fails a test, never a machine busy with other builds.
inline constexpr int Patience = 60000;

// Creates or replaces the file at `path` with `bytes` and returns the path;
// the test fails when the file cannot be written.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
    return path;
}

// The bytes of a file; empty when it cannot be read.
inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Points the user data folder (XDG_DATA_HOME) at a folder of its own for the
// rest of this test program; a program that uses GLib must then have it read
// its user folders again (g_reload_user_special_dirs_cache). The folder is
// inside the program's private configuration folder (tests/main.cpp), which
// goes with the program: the program ends with _exit, where no static
// object's destructor runs.
inline void usePrivateDataHome()
{
    const QString folder = QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) + u"/data-home"_s;
    QDir().mkpath(folder);
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder));
}

// An audio file as libsndfile reads it back; `valid` is false when it does
// not open as audio.
struct SoundFile
{
    bool valid = false;
    SF_INFO info{};
    std::vector<qint16> samples;
};

inline SoundFile readSoundFile(const QString &path)
{
    SoundFile result;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &result.info);
    if (!file)
        return result;
    result.samples.resize(size_t(result.info.frames * result.info.channels));
    result.samples.resize(
        size_t(sf_read_short(file, result.samples.data(), sf_count_t(result.samples.size()))));
    sf_close(file);
    result.valid = true;
    return result;
}

// The titles of a menu's items, a separator as "--".
inline QStringList titles(const QMenu *menu)
{
    QStringList result;
    if (menu) {
        const QList<QAction *> items = menu->actions();
        for (const QAction *item : items)
            result << (item->isSeparator() ? QStringLiteral("--") : item->text());
    }
    return result;
}

// An image to paint into: fully transparent, without premultiplied alpha so
// that a pixel's colour reads back as drawn.
inline QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

inline bool isNear(QColor a, QColor b, int tolerance = 2)
{
    a = a.toRgb();
    b = b.toRgb();
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// Entries of a folder of /proc, such as /proc/self/fd or /proc/self/task.
inline int entryCount(const char *folder)
{
    int count = 0;
    if (DIR *dir = opendir(folder)) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

inline int openDescriptorCount()
{
    return entryCount("/proc/self/fd");
}

inline int threadCount()
{
    return entryCount("/proc/self/task");
}

// True when a child has exited and nobody reaped it; reaps nothing.
inline bool hasZombieChild()
{
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

// The processes that a process (this one by default) has started and not
// yet reaped.
inline QList<qint64> children(qint64 pid = 0)
{
    const qint64 parent = pid ? pid : qint64(::getpid());
    QList<qint64> result;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // "pid (name) state ppid ...": the name may hold anything but ends
        // at the last parenthesis.
        const QByteArray stat = contents(u"/proc/"_s + entry + u"/stat"_s);
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == parent)
            result << entry.toLongLong();
    }
    return result;
}

} // namespace TestSupport
