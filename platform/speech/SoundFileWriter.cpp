#include "platform/speech/SoundFileWriter.h"

#include <QCoreApplication>

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

// Room for the FORM, COMM and SSND chunk headers of a 16-bit mono file.
constexpr quint64 AiffHeaderSize = 54;
constexpr size_t PendingSamples = 32768;
// Some 8 MB of 16-bit samples, three minutes of speech.
constexpr qint64 WritebackFrames = 4 * 1024 * 1024;
// Vorbis and MP3 at this quality, and Opus at this level, cannot be told from
// espeak-ng's own output by ear, at a fraction of its size.
constexpr double LossyQuality = 0.5;
constexpr double OpusCompressionLevel = 0.896;

QString sndfileError(sf_private_tag *file)
{
    return QString::fromUtf8(sf_strerror(file));
}

} // namespace

void SoundFileWriter::SndfileCloser::operator()(sf_private_tag *file) const
{
    sf_close(file);
}

void SoundFileWriter::ResamplerDeleter::operator()(SRC_STATE_tag *state) const
{
    src_delete(state);
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
    if (!m_file.open())
        return false;
    SF_INFO info{};
    info.samplerate = m_format.sampleRate > 0 ? m_format.sampleRate : m_sampleRate;
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
        double level = (m_format.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS
                           ? OpusCompressionLevel
                           : 1.0 - LossyQuality;
        sf_command(m_sndfile.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    if (info.samplerate != m_sampleRate) {
        int error = 0;
        m_resampler.reset(src_new(SRC_SINC_FASTEST, 1, &error));
        if (!m_resampler) {
            fail(QCoreApplication::translate("SoundFileWriter", "cannot start the sound file (%1)")
                     .arg(QString::fromUtf8(src_strerror(error))));
            discard();
            return false;
        }
    }
    return true;
}

bool SoundFileWriter::write(const qint16 *samples, qsizetype count)
{
    if (!m_sndfile)
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
        return flushPending(false);
    return true;
}

template<typename Sample>
bool SoundFileWriter::writeFile(const Sample *samples, qsizetype count)
{
    sf_count_t written = 0;
    if (count > 0) {
        if constexpr (std::is_same_v<Sample, float>)
            written = sf_write_float(m_sndfile.get(), samples, count);
        else
            written = sf_write_short(m_sndfile.get(), samples, count);
    }
    if (written != count) {
        fail(QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
                 .arg(sndfileError(m_sndfile.get())));
        return false;
    }
    return true;
}

bool SoundFileWriter::flushPending(bool last)
{
    const auto count = qsizetype(m_pending.size());
    m_frames += count;
    // A long speech is many megabytes: the disk starts on them as they come,
    // so that the commit, which waits until all of it is on the disk, does
    // not wait for the whole file at the end.
    if (m_frames - m_framesAtWriteback >= WritebackFrames) {
        m_file.startWriteback();
        m_framesAtWriteback = m_frames;
    }
    if (!m_resampler) {
        const bool written = writeFile(m_pending.data(), count);
        m_pending.clear();
        return written;
    }
    m_in.resize(size_t(count));
    src_short_to_float_array(m_pending.data(), m_in.data(), int(count));
    m_pending.clear();
    const double ratio = double(m_format.sampleRate) / m_sampleRate;
    m_out.resize(size_t(double(count) * ratio) + 4096);
    SRC_DATA data{};
    data.data_in = m_in.data();
    data.input_frames = long(count);
    data.src_ratio = ratio;
    data.end_of_input = last ? 1 : 0;
    // At the end the converter gives out what it still holds, a block at a time.
    for (;;) {
        data.data_out = m_out.data();
        data.output_frames = long(m_out.size());
        if (const int error = src_process(m_resampler.get(), &data)) {
            fail(QCoreApplication::translate("SoundFileWriter", "cannot convert the audio (%1)")
                     .arg(QString::fromUtf8(src_strerror(error))));
            return false;
        }
        if (!writeFile(m_out.data(), data.output_frames_gen))
            return false;
        data.data_in += data.input_frames_used;
        data.input_frames -= data.input_frames_used;
        if (data.input_frames == 0 && (!last || data.output_frames_gen == 0))
            return true;
    }
}

bool SoundFileWriter::commit()
{
    if (!m_sndfile || !flushPending(true)) {
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
    const int error = sf_close(m_sndfile.release());
    if (error != SF_ERR_NO_ERROR) {
        fail(QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
                 .arg(QString::fromUtf8(sf_error_number(error))));
        discard();
        return false;
    }
    m_resampler.reset();
    return m_file.commit();
}

void SoundFileWriter::discard()
{
    m_pending.clear();
    m_sndfile.reset();
    m_resampler.reset();
    m_file.discard();
}
