#pragma once

#include "platform/speech/AudioTags.h"
#include "platform/speech/SoundFormats.h"
#include "platform/system/AtomicFile.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct sf_private_tag;
struct OggOpusEnc;
class Mp4Encoder;

// Writes mono 16-bit speech into a sound file of any of SoundFormats, through
// an AtomicFile: the target is replaced only on commit(), and a failed or
// abandoned file leaves nothing behind.
class SoundFileWriter
{
public:
    // `maximumFileSize` overrides the format's own limit (0: the format's).
    SoundFileWriter(const QString &path, int sampleRate,
                    const SoundFormat &format = SoundFormats::standard(),
                    quint64 maximumFileSize = 0);
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter &) = delete;
    SoundFileWriter &operator=(const SoundFileWriter &) = delete;

    // The tags go in with open(), the chapters with complete().
    void setTags(const AudioTags &tags) { m_tags = tags; }
    void setChapters(const QList<AudioChapter> &chapters) { m_tags.chapters = chapters; }
    bool open();
    bool write(const qint16 *samples, qsizetype count);
    // Ends the encoding and writes the tags: the file is whole, but not yet
    // in place. commit() completes it first when it is not.
    bool complete();
    // Makes the file durable and puts it in place of the target.
    bool commit();
    // Removes the temporary file; the target is not touched.
    void discard();

    // Samples taken, at the speech's rate.
    qint64 framesWritten() const { return m_frames + qint64(m_pending.size()); }
    QString errorString() const;
    // The temporary file, to read back what was written once complete.
    int fd() const { return m_file.fd(); }

private:
    bool openOpus();
    bool flushPending();
    bool encodeOpus(const qint16 *samples, qsizetype count);
    // libopusenc's output, written to the file; a failure is kept for the
    // encoder's caller, to which the library does not pass it on.
    static int writeOpus(void *writer, const unsigned char *data, qint32 size);
    void fail(const QString &error);

    struct SndfileCloser
    {
        void operator()(sf_private_tag *file) const;
    };
    struct OpusEncoderDeleter
    {
        void operator()(OggOpusEnc *encoder) const;
    };
    struct Mp4EncoderDeleter
    {
        void operator()(Mp4Encoder *encoder) const;
    };

    AtomicFile m_file;
    int m_sampleRate;
    SoundFormat m_format;
    quint64 m_maximumFileSize;
    std::unique_ptr<sf_private_tag, SndfileCloser> m_sndfile;
    std::unique_ptr<OggOpusEnc, OpusEncoderDeleter> m_opus;
    std::unique_ptr<Mp4Encoder, Mp4EncoderDeleter> m_mp4;
    AudioTags m_tags;
    bool m_complete = false;
    int m_opusWriteError = 0; // errno of the first write that failed
    // Samples come in small blocks; writing them in large ones saves most
    // of the system calls.
    std::vector<qint16> m_pending;
    qint64 m_frames = 0;
    qint64 m_framesAtWriteback = 0;
};
