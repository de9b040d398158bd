#pragma once

#include "platform/speech/AudioTags.h"
#include "platform/speech/SoundFormats.h"

#include <QString>

#include <atomic>
#include <vector>

class SoundFileWriter;

// A book's speech as one file per chapter: the whole speech is kept
// unencoded until every chapter's end is known, then each chapter's part is
// encoded into its own file.
namespace ChapterFiles {

struct File
{
    QString path;
    AudioTags tags;
    qint64 startSample = 0;
    qint64 endSample = 0;
};

// "01 Der Anfang.opus" beside the book's own name, for each chapter that
// holds speech, with its title and track; the text before the first chapter
// goes with it.
std::vector<File> plan(const QString &audioPath, const SoundFormat &format, const AudioTags &book);

// Encodes each file's part of `whole`; the files take their places only
// once all of them are complete. The reason it failed, or an empty string.
QString write(SoundFileWriter &whole, const std::vector<File> &files, const SoundFormat &format,
              int sampleRate, const std::atomic<bool> &stopped);

} // namespace ChapterFiles
