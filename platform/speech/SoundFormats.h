#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The sound file formats that speech can be saved in, chosen by the file
// name's extension or by name. Only what the installed libsndfile can write
// is listed, and Opus, which libopusenc writes, and M4B, which FFmpeg's
// libraries write.
struct SoundFormat
{
    enum class Encoder {
        Sndfile,
        // libopusenc: libsndfile gives no control of the encoder's effort.
        Opus,
        // FFmpeg's AAC encoder in an MP4 file, with a chapter list.
        Aac,
    };

    QString name;           // "aiff", "wav", "flac", "ogg", "opus", "mp3", "m4b"
    QString description;    // for file filters: "AIFF audio"
    QStringList extensions; // without the dot; the first is the usual one
    int format = 0;         // libsndfile's major format and encoding, as read back
    bool lossy = false;
    // Largest file the format can describe, or 0 for no limit.
    quint64 maximumFileSize = 0;
    Encoder encoder = Encoder::Sndfile;

    // Whether a chapter list can be written into the file: not into AIFF's
    // or WAV's chunks.
    bool holdsChapters() const;
};

namespace SoundFormats {

// In the order offered to people; the first is the default.
const QList<SoundFormat> &all();
const SoundFormat &standard();
const SoundFormat *named(const QString &name);
// By the extension of the path's file name, in any case.
const SoundFormat *forPath(const QString &path);
// ".aiff, .aif, .wav, ..." for messages.
QString extensionList();
// "aiff, wav, ..." for messages.
QString nameList();
// "WAV, FLAC, ...": the formats without a size limit, for messages.
QString unlimitedList();
// "FLAC, OGG, ...": the formats that hold chapters, for messages.
QString chapterHoldingList();

} // namespace SoundFormats
