#pragma once

#include <QFile>
#include <QHash>
#include <QList>
#include <QString>

extern "C" {
#include <libavformat/avformat.h>
}

// Audio files read back with FFmpeg's readers, never with the code that
// wrote them.
struct ReadChapter
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString title;
};

// What FFmpeg's readers find in a file: its chapters, its tags (the file's
// and its stream's) and its length.
struct ReadBack
{
    bool valid = false;
    QList<ReadChapter> chapters;
    QHash<QString, QString> tags;
};

inline void addTags(QHash<QString, QString> &tags, const AVDictionary *dictionary)
{
    const AVDictionaryEntry *entry = nullptr;
    while ((entry = av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX)))
        tags.insert(QString::fromUtf8(entry->key).toLower(), QString::fromUtf8(entry->value));
}

inline ReadBack readBack(const QString &path)
{
    ReadBack result;
    AVFormatContext *context = nullptr;
    if (avformat_open_input(&context, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return result;
    result.valid = avformat_find_stream_info(context, nullptr) >= 0;
    addTags(result.tags, context->metadata);
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            addTags(result.tags, context->streams[i]->metadata);
    for (unsigned i = 0; i < context->nb_chapters; ++i) {
        const AVChapter *chapter = context->chapters[i];
        const AVDictionaryEntry *title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        result.chapters.append({av_rescale_q(chapter->start, chapter->time_base, {1, 1000}),
                                av_rescale_q(chapter->end, chapter->time_base, {1, 1000}),
                                title ? QString::fromUtf8(title->value) : QString()});
    }
    avformat_close_input(&context);
    return result;
}
