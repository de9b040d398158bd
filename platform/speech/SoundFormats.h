#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The sound file formats that speech can be saved in, chosen by the file
// name's extension or by name. Only what the installed libsndfile can write
// is listed.
struct SoundFormat
{
    QString name;           // "aiff", "wav", "flac", "ogg", "opus", "mp3"
    QString description;    // for file filters: "AIFF audio"
    QStringList extensions; // without the dot; the first is the usual one
    int format = 0;         // libsndfile's major format and encoding
    int sampleRate = 0;     // the file's rate, or 0 for the speech's own
    bool lossy = false;
    // Largest file the format can describe, or 0 for no limit.
    quint64 maximumFileSize = 0;
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

} // namespace SoundFormats
