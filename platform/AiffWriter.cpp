#include "platform/AiffWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Room for the FORM, COMM and SSND chunk headers of a 16-bit mono file.
constexpr quint64 HeaderSize = 54;
constexpr size_t PendingSamples = 32768;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The new file gets the old one's permissions, or what a new file would get.
mode_t targetMode(const QString &path)
{
    struct stat existing
    {};
    if (::stat(QFile::encodeName(path).constData(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void AiffWriter::SndfileCloser::operator()(sf_private_tag *file) const
{
    sf_close(file);
}

AiffWriter::AiffWriter(const QString &path, int sampleRate, quint64 maximumFileSize)
    : m_path(path)
    , m_sampleRate(sampleRate)
    , m_maximumFileSize(maximumFileSize)
{}

AiffWriter::~AiffWriter()
{
    discard();
}

bool AiffWriter::open()
{
    const QFileInfo target(m_path);
    if (target.isDir()) {
        m_error = u"it is a folder"_s;
        return false;
    }
    m_file = std::make_unique<QTemporaryFile>(target.absolutePath() + u"/."_s + target.fileName() +
                                              u".XXXXXX"_s);
    if (!m_file->open()) {
        m_error = u"cannot create the file (%1)"_s.arg(m_file->errorString());
        m_file.reset();
        return false;
    }
    SF_INFO info{};
    info.samplerate = m_sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    m_sndfile.reset(sf_open_fd(m_file->handle(), SFM_WRITE, &info, SF_FALSE));
    if (!m_sndfile) {
        m_error =
            u"cannot start the sound file (%1)"_s.arg(QString::fromUtf8(sf_strerror(nullptr)));
        discard();
        return false;
    }
    return true;
}

bool AiffWriter::write(const qint16 *samples, qsizetype count)
{
    if (!m_sndfile)
        return false;
    if (count <= 0)
        return true;
    if (HeaderSize + 2 * quint64(framesWritten() + count) > m_maximumFileSize) {
        m_error = u"the audio is too long for an AIFF file"_s;
        return false;
    }
    m_pending.insert(m_pending.end(), samples, samples + count);
    if (m_pending.size() >= PendingSamples)
        return flushPending();
    return true;
}

bool AiffWriter::flushPending()
{
    const auto count = sf_count_t(m_pending.size());
    const sf_count_t written =
        count > 0 ? sf_write_short(m_sndfile.get(), m_pending.data(), count) : 0;
    m_frames += written;
    m_pending.clear();
    if (written != count) {
        m_error =
            u"cannot write the file (%1)"_s.arg(QString::fromUtf8(sf_strerror(m_sndfile.get())));
        return false;
    }
    return true;
}

bool AiffWriter::commit()
{
    if (!m_sndfile || !flushPending()) {
        discard();
        return false;
    }
    // Closing writes the header's final sizes; a failure there (a full disk)
    // must not pass for a complete file.
    const int error = sf_close(m_sndfile.release());
    if (error != SF_ERR_NO_ERROR) {
        m_error = u"cannot write the file (%1)"_s.arg(QString::fromUtf8(sf_error_number(error)));
        discard();
        return false;
    }
    const QByteArray temporary = QFile::encodeName(m_file->fileName());
    const QByteArray target = QFile::encodeName(m_path);
    if (::fchmod(m_file->handle(), targetMode(m_path)) != 0 || !m_file->flush() ||
        ::rename(temporary.constData(), target.constData()) != 0) {
        m_error = u"cannot complete the file (%1)"_s.arg(systemError());
        discard();
        return false;
    }
    // Renamed: nothing of ours is left to remove.
    m_file->setAutoRemove(false);
    m_file.reset();
    return true;
}

void AiffWriter::discard()
{
    m_pending.clear();
    m_sndfile.reset();
    m_file.reset(); // removes the temporary file
}
