#include "platform/speech/AudioTags.h"

#include <QCoreApplication>
#include <QLocale>

#include <chapterframe.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <tableofcontentsframe.h>
#include <textidentificationframe.h>
#include <tfilestream.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

#include <sndfile.h>

#include <algorithm>

#include <unistd.h>

using namespace Qt::StringLiterals;

qint64 AudioTags::milliseconds(qint64 sample) const
{
    return sampleRate > 0 ? sample * 1000 / sampleRate : 0;
}

QList<std::pair<QByteArray, QString>> AudioTags::comments() const
{
    const std::pair<QByteArray, QString> all[] = {
        {"TITLE", title},
        {"ARTIST", artist},
        {"ALBUM", album},
        {"LANGUAGE", language},
        {"TRACKNUMBER", track > 0 ? QString::number(track) : QString()},
        {"TRACKTOTAL", track > 0 ? QString::number(trackCount) : QString()}};
    QList<std::pair<QByteArray, QString>> given;
    for (const auto &field : all)
        if (!field.second.isEmpty())
            given.append(field);
    return given;
}

QList<AudioChapter> AudioTagging::chapters(const QList<TextChapter> &outline,
                                           const std::vector<WordTimings::Mark> &marks,
                                           qint64 totalSamples)
{
    QList<AudioChapter> result;
    auto mark = marks.begin();
    for (const TextChapter &chapter : outline) {
        // Both in reading order: one pass over the marks.
        mark = std::find_if(mark, marks.end(), [&](const WordTimings::Mark &m) {
            return qsizetype(m.range.location) >= chapter.offset;
        });
        const qint64 start = mark == marks.end() ? totalSamples : mark->sample;
        if (!result.isEmpty())
            result.back().endSample = start;
        result.append({chapter.title.simplified(), start, totalSamples});
    }
    return result;
}

AudioTags AudioTagging::tags(const TextMetadata &metadata, int sampleRate)
{
    AudioTags tags;
    tags.title = metadata.title.simplified();
    tags.album = tags.title;
    tags.artist = metadata.author.simplified();
    tags.language = metadata.language;
    tags.sampleRate = sampleRate;
    return tags;
}

QByteArray AudioTagging::threeLetterLanguage(const QString &language)
{
    const QLocale locale(language);
    if (language.isEmpty() || locale.language() == QLocale::C)
        return {};
    return QLocale::languageToCode(locale.language(), QLocale::ISO639Part2).toLatin1();
}

QString AudioTagging::clockTime(qint64 milliseconds)
{
    return u"%1:%2:%3.%4"_s.arg(milliseconds / 3600000, 2, 10, QChar(u'0'))
        .arg(milliseconds / 60000 % 60, 2, 10, QChar(u'0'))
        .arg(milliseconds / 1000 % 60, 2, 10, QChar(u'0'))
        .arg(milliseconds % 1000, 3, 10, QChar(u'0'));
}

namespace {

// FFmpeg's metadata files give '=', ';', '#', '\' and line ends a meaning.
QByteArray metadataValue(const QString &value)
{
    QByteArray escaped;
    for (const char c : value.toUtf8()) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

TagLib::String tagString(const QString &value)
{
    return TagLib::String(value.toStdString(), TagLib::String::UTF8);
}

QString chapterNumber(qsizetype index)
{
    return u"%1"_s.arg(index + 1, 3, 10, QChar(u'0'));
}

void addXiphFields(TagLib::Ogg::XiphComment *comment, const AudioTags &tags, bool withTags)
{
    if (withTags)
        for (const auto &[name, value] : tags.comments())
            comment->addField(name.constData(), tagString(value));
    for (qsizetype i = 0; i < tags.chapters.size(); ++i) {
        const QString key = u"CHAPTER"_s + chapterNumber(i);
        comment->addField(tagString(key), tagString(AudioTagging::clockTime(
                                              tags.milliseconds(tags.chapters[i].startSample))));
        comment->addField(tagString(key + u"NAME"_s), tagString(tags.chapters[i].title));
    }
}

TagLib::ID3v2::Frame *textFrame(const char *id, const QString &value)
{
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(tagString(value));
    return frame;
}

void addId3Frames(TagLib::ID3v2::Tag *tag, const AudioTags &tags)
{
    const std::pair<const char *, QString> fields[] = {
        {"TIT2", tags.title},
        {"TPE1", tags.artist},
        {"TALB", tags.album},
        {"TLAN", QString::fromLatin1(AudioTagging::threeLetterLanguage(tags.language))}};
    for (const auto &[id, value] : fields)
        if (!value.isEmpty())
            tag->addFrame(textFrame(id, value));
    if (tags.track > 0)
        tag->addFrame(textFrame("TRCK", u"%1/%2"_s.arg(tags.track).arg(tags.trackCount)));
    if (tags.chapters.isEmpty())
        return;
    auto *contents = new TagLib::ID3v2::TableOfContentsFrame("toc");
    contents->setIsTopLevel(true);
    contents->setIsOrdered(true);
    for (qsizetype i = 0; i < tags.chapters.size(); ++i) {
        const AudioChapter &chapter = tags.chapters[i];
        const QByteArray name = "ch" + QByteArray::number(i);
        const TagLib::ByteVector id(name.constData(), unsigned(name.size()));
        TagLib::ID3v2::FrameList embedded;
        embedded.append(textFrame("TIT2", chapter.title));
        // No byte offsets: players find the place by time.
        tag->addFrame(new TagLib::ID3v2::ChapterFrame(
            id, unsigned(tags.milliseconds(chapter.startSample)),
            unsigned(tags.milliseconds(chapter.endSample)), 0xFFFFFFFF, 0xFFFFFFFF, embedded));
        contents->addChildElement(id);
    }
    tag->addFrame(contents);
}

} // namespace

QString AudioTagging::writeInto(int fd, const SoundFormat &format, const AudioTags &tags,
                                bool withTags)
{
    const int type = format.format & SF_FORMAT_TYPEMASK;
    const bool opus = format.encoder == SoundFormat::Encoder::Opus;
    if (format.encoder == SoundFormat::Encoder::Aac ||
        (type != SF_FORMAT_OGG && type != SF_FORMAT_FLAC && type != SF_FORMAT_MPEG) ||
        (opus && tags.chapters.isEmpty()))
        return QString();
    // TagLib's stream closes what it is given.
    const int copy = ::dup(fd);
    if (copy < 0)
        return QCoreApplication::translate("AudioTagging", "cannot write the tags");
    TagLib::FileStream stream(copy);
    bool saved = false;
    if (opus) {
        TagLib::Ogg::Opus::File file(&stream, false);
        if (file.isValid()) {
            addXiphFields(file.tag(), tags, false);
            saved = file.save();
        }
    } else if (type == SF_FORMAT_OGG) {
        TagLib::Ogg::Vorbis::File file(&stream, false);
        if (file.isValid()) {
            addXiphFields(file.tag(), tags, withTags);
            saved = file.save();
        }
    } else if (type == SF_FORMAT_FLAC) {
        TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (file.isValid()) {
            addXiphFields(file.xiphComment(true), tags, withTags);
            saved = file.save();
        }
    } else {
        TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (file.isValid()) {
            addId3Frames(file.ID3v2Tag(true), tags);
            saved = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone);
        }
    }
    return saved ? QString() : QCoreApplication::translate("AudioTagging", "cannot write the tags");
}

QByteArray AudioTagging::chapterList(const QString &path, const AudioTags &tags)
{
    QByteArray list;
    if (path.endsWith(u".ffmetadata"_s, Qt::CaseInsensitive)) {
        list = ";FFMETADATA1\n";
        for (const auto &[name, value] : tags.comments())
            list += name.toLower() + '=' + metadataValue(value) + '\n';
        for (const AudioChapter &chapter : tags.chapters)
            list += "\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=" +
                    QByteArray::number(tags.milliseconds(chapter.startSample)) +
                    "\nEND=" + QByteArray::number(tags.milliseconds(chapter.endSample)) +
                    "\ntitle=" + metadataValue(chapter.title) + '\n';
        return list;
    }
    for (const AudioChapter &chapter : tags.chapters)
        list += (clockTime(tags.milliseconds(chapter.startSample)) + u' ' + chapter.title + u'\n')
                    .toUtf8();
    return list;
}
