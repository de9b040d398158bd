#include "platform/AiffWriter.h"

#include <QFileInfo>
#include <QSaveFile>

#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

// Room for the FORM, COMM and SSND chunk headers of a 16-bit mono file.
constexpr quint64 HeaderSize = 54;

QSaveFile *device(void *userData)
{
    return static_cast<QSaveFile *>(userData);
}

sf_count_t deviceLength(void *userData)
{
    return device(userData)->size();
}

sf_count_t deviceSeek(sf_count_t offset, int whence, void *userData)
{
    QSaveFile *file = device(userData);
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += file->pos();
    else if (whence == SEEK_END)
        target += file->size();
    if (target < 0 || !file->seek(target))
        return -1;
    return file->pos();
}

sf_count_t deviceRead(void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t deviceWrite(const void *data, sf_count_t count, void *userData)
{
    return device(userData)->write(static_cast<const char *>(data), count);
}

sf_count_t deviceTell(void *userData)
{
    return device(userData)->pos();
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
    if (QFileInfo(m_path).isDir()) {
        m_error = u"it is a folder"_s;
        return false;
    }
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = u"cannot create the file (%1)"_s.arg(m_file->errorString());
        m_file.reset();
        return false;
    }
    SF_INFO info{};
    info.samplerate = m_sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    static SF_VIRTUAL_IO io{deviceLength, deviceSeek, deviceRead, deviceWrite, deviceTell};
    m_sndfile.reset(sf_open_virtual(&io, SFM_WRITE, &info, m_file.get()));
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
    if (HeaderSize + 2 * quint64(m_frames + count) > m_maximumFileSize) {
        m_error = u"the audio is too long for an AIFF file"_s;
        return false;
    }
    const sf_count_t written = sf_write_short(m_sndfile.get(), samples, count);
    m_frames += written;
    if (written != count) {
        m_error = u"cannot write the file (%1)"_s.arg(m_file->errorString());
        return false;
    }
    return true;
}

bool AiffWriter::commit()
{
    if (!m_sndfile)
        return false;
    // Closing writes the final chunk sizes into the header.
    m_sndfile.reset();
    if (m_file->error() != QFileDevice::NoError || !m_file->commit()) {
        m_error = u"cannot complete the file (%1)"_s.arg(m_file->errorString());
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

void AiffWriter::discard()
{
    m_sndfile.reset();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
}
