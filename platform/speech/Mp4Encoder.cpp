#include "platform/speech/Mp4Encoder.h"

#include <QCoreApplication>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Speech needs no more: at this rate AAC keeps espeak-ng's voice clear, at
// an eighth of the size of the samples.
constexpr qint64 Bitrate = 64000;
constexpr int IoBufferSize = 64 * 1024;

QString avError(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
        .arg(QString::fromUtf8(text));
}

// The rate the encoder takes nearest above the speech's, so that nothing
// of the voice is lost; the highest it takes for a faster speech.
int encoderRate(const AVCodec *codec, int rate)
{
    int best = 0;
    for (const int *r = codec->supported_samplerates; r && *r; ++r)
        if ((*r >= rate && (best < rate || *r < best)) || (best<rate && * r> best))
            best = *r;
    return best > 0 ? best : rate;
}

void setMetadata(AVDictionary **dictionary, const char *key, const QString &value)
{
    if (!value.isEmpty())
        av_dict_set(dictionary, key, value.toUtf8().constData(), 0);
}

} // namespace

void Mp4Encoder::Deleter::operator()(AVFormatContext *context) const
{
    if (context->pb) {
        av_freep(&context->pb->buffer);
        avio_context_free(&context->pb);
    }
    avformat_free_context(context);
}

void Mp4Encoder::Deleter::operator()(AVCodecContext *context) const
{
    avcodec_free_context(&context);
}

void Mp4Encoder::Deleter::operator()(SwrContext *context) const
{
    swr_free(&context);
}

void Mp4Encoder::Deleter::operator()(AVAudioFifo *fifo) const
{
    av_audio_fifo_free(fifo);
}

void Mp4Encoder::Deleter::operator()(AVFrame *frame) const
{
    av_frame_free(&frame);
}

void Mp4Encoder::Deleter::operator()(AVPacket *packet) const
{
    av_packet_free(&packet);
}

Mp4Encoder::Mp4Encoder(int fd, int sampleRate)
    : m_fd(fd)
    , m_sampleRate(sampleRate)
{}

Mp4Encoder::~Mp4Encoder() = default;

int Mp4Encoder::writePacket(void *opaque, uint8_t *data, int size)
{
    auto *self = static_cast<Mp4Encoder *>(opaque);
    const int total = size;
    while (size > 0) {
        const ssize_t written = ::write(self->m_fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            self->m_writeError = written < 0 ? errno : ENOSPC;
            return AVERROR(self->m_writeError);
        }
        data += written;
        size -= int(written);
    }
    return total;
}

int64_t Mp4Encoder::seek(void *opaque, int64_t offset, int whence)
{
    auto *self = static_cast<Mp4Encoder *>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat status
        {};
        return ::fstat(self->m_fd, &status) == 0 ? status.st_size : AVERROR(errno);
    }
    const off_t position = ::lseek(self->m_fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : position;
}

QString Mp4Encoder::open(const AudioTags &tags)
{
    // The libraries' notes (the encoder's statistics) are not for people;
    // what fails is reported with the error.
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    AVFormatContext *format = nullptr;
    if (!codec || avformat_alloc_output_context2(&format, nullptr, "ipod", nullptr) < 0 || !format)
        return avError(AVERROR_ENCODER_NOT_FOUND);
    m_format.reset(format);
    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferSize));
    format->pb = buffer ? avio_alloc_context(buffer, IoBufferSize, 1, this, nullptr,
                                             &Mp4Encoder::writePacket, &Mp4Encoder::seek)
                        : nullptr;
    if (!format->pb) {
        av_free(buffer);
        return avError(AVERROR(ENOMEM));
    }
    format->flags |= AVFMT_FLAG_CUSTOM_IO;

    m_codec.reset(avcodec_alloc_context3(codec));
    AVStream *stream = avformat_new_stream(format, nullptr);
    if (!m_codec || !stream)
        return avError(AVERROR(ENOMEM));
    AVCodecContext *context = m_codec.get();
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->sample_rate = encoderRate(codec, m_sampleRate);
    context->bit_rate = Bitrate;
    context->time_base = {1, context->sample_rate};
    av_channel_layout_default(&context->ch_layout, 1);
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The default search for the best coding costs many times the speech's
    // synthesis; the fast one sounds the same for a voice at this rate.
    av_opt_set(context->priv_data, "aac_coder", "fast", 0);
    int error = avcodec_open2(context, codec, nullptr);
    if (error < 0)
        return avError(error);
    avcodec_parameters_from_context(stream->codecpar, context);
    stream->time_base = context->time_base;

    setMetadata(&format->metadata, "title", tags.title);
    setMetadata(&format->metadata, "artist", tags.artist);
    setMetadata(&format->metadata, "album", tags.album);
    if (tags.track > 0)
        setMetadata(&format->metadata, "track", u"%1/%2"_s.arg(tags.track).arg(tags.trackCount));
    const QByteArray language = AudioTagging::threeLetterLanguage(tags.language);
    if (!language.isEmpty())
        av_dict_set(&stream->metadata, "language", language.constData(), 0);
    if ((error = avformat_write_header(format, nullptr)) < 0)
        return avError(error);

    AVChannelLayout mono{};
    av_channel_layout_default(&mono, 1);
    SwrContext *resampler = nullptr;
    error = swr_alloc_set_opts2(&resampler, &context->ch_layout, AV_SAMPLE_FMT_FLTP,
                                context->sample_rate, &mono, AV_SAMPLE_FMT_S16, m_sampleRate, 0,
                                nullptr);
    m_resampler.reset(resampler);
    if (error < 0 || (error = swr_init(resampler)) < 0)
        return avError(error);
    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 1, context->frame_size));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_fifo || !m_frame || !m_packet)
        return avError(AVERROR(ENOMEM));
    m_frame->nb_samples = context->frame_size;
    m_frame->format = context->sample_fmt;
    m_frame->sample_rate = context->sample_rate;
    av_channel_layout_copy(&m_frame->ch_layout, &context->ch_layout);
    if ((error = av_frame_get_buffer(m_frame.get(), 0)) < 0)
        return avError(error);
    return QString();
}

QString Mp4Encoder::write(const qint16 *samples, qsizetype count)
{
    const int room = swr_get_out_samples(m_resampler.get(), int(count));
    std::vector<float> converted(size_t(std::max(room, 0)));
    auto *out = reinterpret_cast<uint8_t *>(converted.data());
    const auto *in = reinterpret_cast<const uint8_t *>(samples);
    const int made =
        swr_convert(m_resampler.get(), &out, room, samples ? &in : nullptr, int(count));
    if (made < 0)
        return avError(made);
    if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void **>(&out), made) < made)
        return avError(AVERROR(ENOMEM));
    return encodeFrames(samples == nullptr);
}

QString Mp4Encoder::encodeFrames(bool flush)
{
    const int frameSize = m_codec->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
           (flush && av_audio_fifo_size(m_fifo.get()) > 0)) {
        int error = av_frame_make_writable(m_frame.get());
        if (error < 0)
            return avError(error);
        const int count =
            av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(m_frame->data), frameSize);
        m_frame->nb_samples = count;
        m_frame->pts = m_nextPts;
        m_nextPts += count;
        if ((error = avcodec_send_frame(m_codec.get(), m_frame.get())) < 0)
            return avError(error);
        const QString failed = drainPackets();
        if (!failed.isEmpty())
            return failed;
    }
    return QString();
}

QString Mp4Encoder::drainPackets()
{
    AVStream *stream = m_format->streams[0];
    for (;;) {
        int error = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return QString();
        if (error < 0)
            return avError(error);
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, stream->time_base);
        m_packet->stream_index = 0;
        if ((error = av_interleaved_write_frame(m_format.get(), m_packet.get())) < 0)
            return m_writeError != 0 ? QCoreApplication::translate("SoundFileWriter",
                                                                   "cannot write the file (%1)")
                                           .arg(QString::fromLocal8Bit(std::strerror(m_writeError)))
                                     : avError(error);
    }
}

QString Mp4Encoder::finish(const AudioTags &tags)
{
    // What the resampler holds back, then the encoder's last frames.
    QString failed = write(nullptr, 0);
    if (failed.isEmpty()) {
        const int error = avcodec_send_frame(m_codec.get(), nullptr);
        failed = error < 0 ? avError(error) : drainPackets();
    }
    if (!failed.isEmpty())
        return failed;
    // The chapter list goes into the index, written last.
    AVFormatContext *format = m_format.get();
    format->chapters =
        static_cast<AVChapter **>(av_calloc(size_t(tags.chapters.size()), sizeof(AVChapter *)));
    for (qsizetype i = 0; format->chapters && i < tags.chapters.size(); ++i) {
        auto *chapter = static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return avError(AVERROR(ENOMEM));
        format->chapters[format->nb_chapters++] = chapter;
        chapter->id = i + 1;
        chapter->time_base = {1, 1000};
        chapter->start = tags.milliseconds(tags.chapters[i].startSample);
        chapter->end = tags.milliseconds(tags.chapters[i].endSample);
        setMetadata(&chapter->metadata, "title", tags.chapters[i].title);
    }
    int error = av_write_trailer(format);
    avio_flush(format->pb);
    if (m_writeError != 0)
        return QCoreApplication::translate("SoundFileWriter", "cannot write the file (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(m_writeError)));
    return error < 0 ? avError(error) : QString();
}
