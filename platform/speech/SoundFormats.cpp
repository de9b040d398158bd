#include "platform/speech/SoundFormats.h"

#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

// AIFF sizes are 32-bit: the file, less its first 8 bytes, must fit.
constexpr quint64 AiffMaximumFileSize = 0xFFFFFFFFull + 8;

bool writable(const SoundFormat &format)
{
    if (format.encoder != SoundFormat::Encoder::Sndfile)
        return true;
    SF_INFO info{};
    info.channels = 1;
    info.samplerate = 22050;
    info.format = format.format;
    return sf_format_check(&info) == SF_TRUE;
}

QList<SoundFormat> availableFormats()
{
    // The descriptions are translated where they are shown.
    // WAV is written as RF64, which stays plain WAV until it passes 4 GiB.
    // Opus keeps the speech's rate in its header and resamples by itself.
    const QList<SoundFormat> known = {
        {u"aiff"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "AIFF audio")),
         {u"aiff"_s, u"aif"_s},
         SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
         false,
         AiffMaximumFileSize},
        {u"wav"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "WAV audio")),
         {u"wav"_s},
         SF_FORMAT_RF64 | SF_FORMAT_PCM_16,
         false,
         0},
        {u"flac"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "FLAC audio")),
         {u"flac"_s},
         SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
         false,
         0},
        {u"ogg"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "Ogg Vorbis audio")),
         {u"ogg"_s, u"oga"_s},
         SF_FORMAT_OGG | SF_FORMAT_VORBIS,
         true,
         0},
        {u"opus"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "Opus audio")),
         {u"opus"_s},
         SF_FORMAT_OGG | SF_FORMAT_OPUS,
         true,
         0,
         SoundFormat::Encoder::Opus},
        {u"mp3"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "MP3 audio")),
         {u"mp3"_s},
         SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III,
         true,
         0},
        // The audiobook format phone players find chapters in.
        {u"m4b"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("SoundFormats", "M4B audiobook")),
         {u"m4b"_s, u"m4a"_s},
         0,
         true,
         0,
         SoundFormat::Encoder::Aac},
    };
    QList<SoundFormat> formats;
    for (const SoundFormat &format : known)
        if (writable(format))
            formats.append(format);
    return formats;
}

} // namespace

const QList<SoundFormat> &SoundFormats::all()
{
    static const QList<SoundFormat> formats = availableFormats();
    return formats;
}

const SoundFormat &SoundFormats::standard()
{
    return all().constFirst();
}

const SoundFormat *SoundFormats::named(const QString &name)
{
    for (const SoundFormat &format : all())
        if (format.name.compare(name, Qt::CaseInsensitive) == 0 ||
            format.extensions.contains(name, Qt::CaseInsensitive))
            return &format;
    return nullptr;
}

const SoundFormat *SoundFormats::forPath(const QString &path)
{
    const QString name = path.section(u'/', -1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return nullptr;
    const QString extension = name.mid(dot + 1);
    for (const SoundFormat &format : all())
        if (format.extensions.contains(extension, Qt::CaseInsensitive))
            return &format;
    return nullptr;
}

QString SoundFormats::extensionList()
{
    QStringList extensions;
    for (const SoundFormat &format : all())
        for (const QString &extension : format.extensions)
            extensions << u'.' + extension;
    return extensions.join(u", "_s);
}

QString SoundFormats::nameList()
{
    QStringList names;
    for (const SoundFormat &format : all())
        names << format.name;
    return names.join(u", "_s);
}

QString SoundFormats::unlimitedList()
{
    QStringList names;
    for (const SoundFormat &format : all())
        if (format.maximumFileSize == 0)
            names << format.name.toUpper();
    return names.join(u", "_s);
}

QString SoundFormats::chapterHoldingList()
{
    QStringList names;
    for (const SoundFormat &format : all())
        if (format.holdsChapters())
            names << format.name.toUpper();
    return names.join(u", "_s);
}

bool SoundFormat::holdsChapters() const
{
    const int type = format & SF_FORMAT_TYPEMASK;
    return type != SF_FORMAT_AIFF && type != SF_FORMAT_RF64 && type != SF_FORMAT_WAV;
}
