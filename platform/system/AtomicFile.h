#pragma once

#include "platform/system/UniqueFd.h"

#include <QByteArray>
#include <QString>

// A file written in place of another only once it is complete. The data goes
// to a temporary file beside the target, which replaces the target on
// commit(): a failed or abandoned file never leaves a partial result, and a
// file already at the target stays as it was until the new one is complete.
// A symbolic link at the target is written through; anything else that is not
// a regular file is refused.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Why `path` cannot be written, or an empty string when it can; writes
    // nothing. open() makes the same checks.
    static QString checkTarget(const QString &path);

    // The file that a write to `path` replaces: its links followed, and its
    // folder's too when that folder exists, so that two names of one file
    // (one a link to the other, even before the file exists) come out
    // equal. Empty, with the reason in `error`, when it is not a regular
    // file nor a new one.
    static QString resolvedTarget(const QString &path, QString &error);

    // Writes a whole small file in place of `path`; false, with why, when it
    // could not.
    static bool write(const QString &path, QByteArrayView contents, QString &error);

    // Creates the temporary file; fd() then writes to it.
    bool open();
    int fd() const { return m_fd.get(); }
    // Starts the disk on what has been written so far, without waiting for
    // it: commit() then waits for the last of the data only.
    void startWriteback();
    // True when the target exists (through links).
    bool targetExists() const;
    // Makes the data durable and puts it in place of the target. The caller
    // has written everything through fd() and closed nothing.
    bool commit();
    // Removes the temporary file; the target is not touched.
    void discard();

    QString path() const { return m_path; }
    QString errorString() const { return m_error; }
    void setErrorString(const QString &error) { m_error = error; }

private:
    bool createTemporary();
    void closeFiles();

    QString m_path;
    QByteArray m_folder; // of the resolved target
    QByteArray m_name;   // the resolved target's name in m_folder
    UniqueFd m_folderFd;
    UniqueFd m_fd;
    QByteArray m_temporaryName; // empty while the file has no name
    QString m_error;
};
