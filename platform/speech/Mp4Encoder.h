#pragma once

#include "platform/speech/AudioTags.h"

#include <QString>
#include <QtGlobal>

#include <memory>

struct AVFormatContext;
struct AVCodecContext;
struct SwrContext;
struct AVAudioFifo;
struct AVFrame;
struct AVPacket;

// Encodes mono 16-bit speech as AAC into an MP4 file (M4B, M4A) written
// through a file descriptor, with the tags and a chapter list.
class Mp4Encoder
{
public:
    Mp4Encoder(int fd, int sampleRate);
    ~Mp4Encoder();
    Mp4Encoder(const Mp4Encoder &) = delete;
    Mp4Encoder &operator=(const Mp4Encoder &) = delete;

    // Each returns why it failed, or an empty string.
    QString open(const AudioTags &tags);
    QString write(const qint16 *samples, qsizetype count);
    // Encodes what is left and writes the index, with the chapters.
    QString finish(const AudioTags &tags);

private:
    QString encodeFrames(bool flush);
    QString drainPackets();
    static int writePacket(void *opaque, uint8_t *data, int size);
    static int64_t seek(void *opaque, int64_t offset, int whence);

    struct Deleter
    {
        void operator()(AVFormatContext *context) const;
        void operator()(AVCodecContext *context) const;
        void operator()(SwrContext *context) const;
        void operator()(AVAudioFifo *fifo) const;
        void operator()(AVFrame *frame) const;
        void operator()(AVPacket *packet) const;
    };

    int m_fd;
    int m_sampleRate;
    int m_writeError = 0;
    qint64 m_nextPts = 0;
    std::unique_ptr<AVFormatContext, Deleter> m_format;
    std::unique_ptr<AVCodecContext, Deleter> m_codec;
    std::unique_ptr<SwrContext, Deleter> m_resampler;
    std::unique_ptr<AVAudioFifo, Deleter> m_fifo;
    std::unique_ptr<AVFrame, Deleter> m_frame;
    std::unique_ptr<AVPacket, Deleter> m_packet;
};
