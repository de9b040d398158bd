#pragma once

#include "platform/speech/CharacterRange.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Timing files: one cue a word, from the sample where the word's audio begins
// to where the next word's begins (the last to the end of the audio), so that
// cues follow the words the way the marking in the editor does. WebVTT (.vtt),
// SubRip (.srt) or JSON (.json), chosen by the file name's extension.
class WordTimings
{
public:
    enum class Kind { WebVtt, SubRip, Json };

    struct Mark
    {
        qint64 sample = 0;
        CharacterRange range; // UTF-16 code units of the text
    };
    struct Cue
    {
        qint64 startMs = 0;
        qint64 endMs = 0;
        CharacterRange range;
    };

    static std::optional<Kind> kindForPath(const QString &path);
    // ".vtt, .srt, .json" for messages.
    static QString extensionList();

    // Marks in the order spoken; their samples never go backwards.
    static std::vector<Cue> cues(const std::vector<Mark> &marks, qint64 totalSamples,
                                 int sampleRate);
    static QByteArray render(Kind kind, const std::vector<Cue> &cues, const QString &text);
    // Writes `path` in place of what is there, only once complete.
    static bool write(const QString &path, const QByteArray &contents, QString &error);
};
