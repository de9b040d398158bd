#include "platform/speech/SoundFileWriter.h"

#include "platform/speech/Mp4Encoder.h"

#include <QCoreApplication>

#include <opusenc.h>
#include <sndfile.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Room for the FORM, COMM and SSND chunk headers of a 16-bit mono file.
constexpr quint64 AiffHeaderSize = 54;
constexpr size_t PendingSamples = 32768;
// Some 8 MB of 16-bit samples, three minutes of speech.
constexpr qint64 WritebackFrames = 4 * 1024 * 1024;
// Vorbis and MP3 at this quality cannot be told from espeak-ng's own output
// by ear, at a fraction of its size.
constexpr double LossyQuality = 0.5;
// Opus at its least effort (the encoder's search costs several times the
// synthesis at its default) and at a bitrate where what comes back from the
// file is as close to the speech, by signal-to-noise ratio over the whole and
// frame by frame, as it was at 32 kbit/s and the most effort (the bench
// prints both). espeak-ng's sound stops below 11 kHz: the band above is not
// coded.
constexpr int OpusComplexity = 0;
constexpr int OpusBitrate = 48000;
constexpr int OpusBandwidth = OPUS_BANDWIDTH_SUPERWIDEBAND;

QString sndfileError(sf_private_tag *file)
{
    return QString::fromUtf8(sf_strerror(file));
}

} // namespace

void SoundFileWriter::SndfileCloser::operator()(sf_private_tag *file) const
{
    sf_close(file);
}

void SoundFileWriter::OpusEncoderDeleter::operator()(OggOpusEnc *encoder) const
{
    ope_encoder_destroy(encoder);
}

void SoundFileWriter::Mp4EncoderDeleter::operator()(Mp4Encoder *encoder) const
{
    delete encoder;
}

SoundFileWriter::SoundFileWriter(const QString &path, int sampleRate, const SoundFormat &format,
                                 quint64 maximumFileSize)
    : m_file(path)
    , m_sampleRate(sampleRate)
    , m_format(format)
    , m_maximumFileSize(maximumFileSize > 0 ? maximumFileSize : format.maximumFileSize)
{}

SoundFileWriter::~SoundFileWriter()
{
    discard();
}

QString SoundFileWriter::errorString() const
{
    return m_file.errorString();
}

void SoundFileWriter::fail(const QString &error)
{
    m_file.setErrorString(error);
}

bool SoundFileWriter::open()
{
    discard();
    m_frames = 0;
    m_complete = false;
    if (!m_file.open())
        return false;
    if (m_format.encoder == SoundFormat::Encoder::Opus)
        return openOpus();
    if (m_format.encoder == SoundFormat::Encoder::Aac) {
        m_mp4.reset(new Mp4Encoder(m_file.fd(), m_sampleRate));
        const QString error = m_mp4->open(m_tags);
        if (error.isEmpty())
            return true;
        fail(error);
        discard();
        return false;
    }
    SF_INFO info{};
    info.samplerate = m_sampleRate;
    info.channels = 1;
    info.format = m_format.format;
    m_sndfile.reset(sf_open_fd(m_file.fd(), SFM_WRITE, &info, SF_FALSE));
    if (!m_sndfile) {
        fail(QCoreApplication::translate("SoundFileWriter", "cannot start the sound file (%1)")
                 .arg(sndfileError(nullptr)));
        discard();
        return false;
    }
    if ((m_format.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64)
        sf_command(m_sndfile.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    if (m_format.lossy) {
        double level = 1.0 - LossyQuality;
        sf_command(m_sndfile.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    // The other formats' tags are written whole once the file is, with the
    // chapters; libsndfile has no place for those.
    const int type = m_format.format & SF_FORMAT_TYPEMASK;
    if (type == SF_FORMAT_AIFF || type == SF_FORMAT_RF64 || type == SF_FORMAT_WAV) {
        const std::pair<int, QString> strings[] = {
            {SF_STR_TITLE, m_tags.title},
            {SF_STR_ARTIST, m_tags.artist},
            {SF_STR_ALBUM, m_tags.album},
            {SF_STR_TRACKNUMBER, m_tags.track > 0 ? QString::number(m_tags.track) : QString()}};
        for (const auto &[kind, value] : strings)
            if (!value.isEmpty())
                sf_set_string(m_sndfile.get(), kind, value.toUtf8().constData());
    }
    return true;
}

bool SoundFileWriter::openOpus()
{
    const OpusEncCallbacks callbacks{&SoundFileWriter::writeOpus, [](void *) { return 0; }};
    OggOpusComments *comments = ope_comments_create();
    int error = comments ? OPE_OK : OPE_ALLOC_FAIL;
    if (comments) {
        for (const auto &[name, value] : m_tags.comments())
            ope_comments_add(comments, name.constData(), value.toUtf8().constData());
        m_opus.reset(
            ope_encoder_create_callbacks(&callbacks, this, comments, m_sampleRate, 1, 0, &error));
        ope_comments_destroy(comments);
    }
    m_opusWriteError = 0;
    if (m_opus && error == OPE_OK) {
        ope_encoder_ctl(m_opus.get(), OPUS_SET_COMPLEXITY(OpusComplexity));
        ope_encoder_ctl(m_opus.get(), OPUS_SET_BITRATE(OpusBitrate));
        ope_encoder_ctl(m_opus.get(), OPUS_SET_MAX_BANDWIDTH(OpusBandwidth));
        return true;
    }
    fail(QCoreApplication::translate("SoundFileWriter", "cannot start the sound file (%1)")
             .arg(QString::fromUtf8(ope_strerror(error))));
    discard();
    return false;
}

int SoundFileWriter::writeOpus(void *writer, const unsigned char *data, qint32 size)
{
    auto *self = static_cast<SoundFileWriter *>(writer);
    while (size > 0 && self->m_opusWriteError == 0) {
        const ssize_t written = ::write(self->m_file.fd(), data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            self->m_opusWriteError = written < 0 ? errno : ENOSPC;
            break;
        }
        data += written;
        size -= qint32(written);
    }
    return self->m_opusWriteError != 0 ? 1 : 0;
}

bool SoundFileWriter::encodeOpus(const qint16 *samples, qsizetype count)
{
    const int error = count > 0 ? ope_encoder_write(m_opus.get(), samples, int(count))
                                : ope_encoder_drain(m_opus.get());
    if (m_opusWriteError != 0) {
        fail(QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
                 .arg(QString::fromLocal8Bit(std::strerror(m_opusWriteError))));
        return false;
    }
    if (error != OPE_OK) {
        fail(QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
                 .arg(QString::fromUtf8(ope_strerror(error))));
        return false;
    }
    return true;
}

bool SoundFileWriter::write(const qint16 *samples, qsizetype count)
{
    if (!m_sndfile && !m_opus && !m_mp4)
        return false;
    if (count <= 0)
        return true;
    if (m_maximumFileSize > 0 &&
        AiffHeaderSize + 2 * quint64(framesWritten() + count) > m_maximumFileSize) {
        fail(QCoreApplication::translate("SoundFileWriter",
                                         "the audio is too long for an %1 file; %2 can hold it")
                 .arg(m_format.name.toUpper(), SoundFormats::unlimitedList()));
        return false;
    }
    m_pending.insert(m_pending.end(), samples, samples + count);
    if (m_pending.size() >= PendingSamples)
        return flushPending();
    return true;
}

bool SoundFileWriter::flushPending()
{
    const auto count = qsizetype(m_pending.size());
    if (count == 0)
        return true;
    m_frames += count;
    // A long speech is many megabytes: the disk starts on them as they come,
    // so that the commit, which waits until all of it is on the disk, does
    // not wait for the whole file at the end.
    if (m_frames - m_framesAtWriteback >= WritebackFrames) {
        m_file.startWriteback();
        m_framesAtWriteback = m_frames;
    }
    bool written;
    if (m_opus) {
        written = encodeOpus(m_pending.data(), count);
    } else if (m_mp4) {
        const QString error = m_mp4->write(m_pending.data(), count);
        written = error.isEmpty();
        if (!written)
            fail(error);
    } else {
        written = sf_write_short(m_sndfile.get(), m_pending.data(), count) == count;
        if (!written)
            fail(QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
                     .arg(sndfileError(m_sndfile.get())));
    }
    m_pending.clear();
    return written;
}

bool SoundFileWriter::complete()
{
    if ((!m_sndfile && !m_opus && !m_mp4) || !flushPending()) {
        discard();
        return false;
    }
    if (m_frames == 0 && m_file.targetExists()) {
        fail(QCoreApplication::translate(
            "SoundFileWriter", "there is no speech to write, and the file there is kept"));
        discard();
        return false;
    }
    // Closing writes the header's final sizes and the encoder's last block;
    // a failure there (a full disk) must not pass for a complete file.
    bool closed = true;
    if (m_opus) {
        closed = encodeOpus(nullptr, 0);
        m_opus.reset();
    } else if (m_mp4) {
        const QString error = m_mp4->finish(m_tags);
        m_mp4.reset();
        closed = error.isEmpty();
        if (!closed)
            fail(error);
    } else {
        const int error = sf_close(m_sndfile.release());
        closed = error == SF_ERR_NO_ERROR;
        if (!closed)
            fail(QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
                     .arg(QString::fromUtf8(sf_error_number(error))));
    }
    const QString tagError =
        closed ? AudioTagging::writeInto(m_file.fd(), m_format, m_tags, true) : QString();
    if (!closed || !tagError.isEmpty()) {
        if (!tagError.isEmpty())
            fail(tagError);
        discard();
        return false;
    }
    m_complete = true;
    return true;
}

bool SoundFileWriter::commit()
{
    if (!m_complete && !complete())
        return false;
    m_complete = false;
    return m_file.commit();
}

void SoundFileWriter::discard()
{
    m_pending.clear();
    m_sndfile.reset();
    m_opus.reset();
    m_mp4.reset();
    m_complete = false;
    m_file.discard();
}
