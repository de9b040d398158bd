#pragma once

#include "platform/system/UniqueFd.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct sf_private_tag;

// Writes 16-bit PCM mono AIFF. The samples go to a temporary file beside the
// target, which replaces the target only on commit(): a failed or abandoned
// file never leaves a partial result, and a file already at the target stays
// as it was until the new one is complete. A symbolic link at the target is
// written through; anything else that is not a regular file is refused.
class AiffWriter
{
public:
    // AIFF sizes are 32-bit: the file, less its first 8 bytes, must fit.
    static constexpr quint64 MaximumFileSize = 0xFFFFFFFFull + 8;

    AiffWriter(const QString &path, int sampleRate, quint64 maximumFileSize = MaximumFileSize);
    ~AiffWriter();
    AiffWriter(const AiffWriter &) = delete;
    AiffWriter &operator=(const AiffWriter &) = delete;

    // Why `path` cannot be written, or an empty string when it can; writes
    // nothing. open() makes the same checks.
    static QString checkTarget(const QString &path);

    bool open();
    bool write(const qint16 *samples, qsizetype count);
    // Makes the file durable and puts it in place of the target.
    bool commit();
    // Removes the temporary file; the target is not touched.
    void discard();

    qint64 framesWritten() const { return m_frames + qint64(m_pending.size()); }
    QString errorString() const { return m_error; }

private:
    bool flushPending();
    bool createTemporary();
    void closeFiles();

    struct SndfileCloser
    {
        void operator()(sf_private_tag *file) const;
    };

    QString m_path;
    int m_sampleRate;
    quint64 m_maximumFileSize;
    QByteArray m_folder; // of the resolved target
    QByteArray m_name;   // the resolved target's name in m_folder
    UniqueFd m_folderFd;
    UniqueFd m_fd;
    QByteArray m_temporaryName; // empty while the file has no name
    std::unique_ptr<sf_private_tag, SndfileCloser> m_sndfile;
    // Samples come in small blocks; writing them in large ones saves most
    // of the system calls.
    std::vector<qint16> m_pending;
    qint64 m_frames = 0;
    QString m_error;
};
