#include "platform/speech/WordTimings.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/SystemError.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray timestamp(qint64 ms, char fractionSeparator)
{
    const qint64 hours = ms / 3600000;
    const qint64 minutes = ms / 60000 % 60;
    const qint64 seconds = ms / 1000 % 60;
    return QByteArray::number(hours).rightJustified(2, '0') + ':' +
           QByteArray::number(minutes).rightJustified(2, '0') + ':' +
           QByteArray::number(seconds).rightJustified(2, '0') + fractionSeparator +
           QByteArray::number(ms % 1000).rightJustified(3, '0');
}

// A cue's text is one line; in WebVTT '&' and '<' begin markup and "-->"
// would read as timings.
QByteArray cueText(const QString &text, CharacterRange range, bool vtt)
{
    QString word = text.mid(qsizetype(range.location), qsizetype(range.length)).simplified();
    if (vtt)
        word.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
    return word.toUtf8();
}

QByteArray subtitles(WordTimings::Kind kind, const std::vector<WordTimings::Cue> &cues,
                     const QString &text)
{
    const bool vtt = kind == WordTimings::Kind::WebVtt;
    const char separator = vtt ? '.' : ',';
    QByteArray out = vtt ? QByteArrayLiteral("WEBVTT\n\n") : QByteArray();
    int number = 0;
    for (const WordTimings::Cue &cue : cues) {
        out += QByteArray::number(++number) + '\n' + timestamp(cue.startMs, separator) + " --> " +
               timestamp(cue.endMs, separator) + '\n' + cueText(text, cue.range, vtt) + "\n\n";
    }
    return out;
}

QByteArray json(const std::vector<WordTimings::Cue> &cues, const QString &text)
{
    QJsonArray words;
    // UTF-8 offsets, counted along the text as the cues advance through it.
    qsizetype utf16 = 0;
    qint64 utf8 = 0;
    const auto utf8At = [&](qsizetype position) {
        position = std::clamp<qsizetype>(position, 0, text.size());
        if (position < utf16) {
            utf16 = 0;
            utf8 = 0;
        }
        utf8 += QStringView(text).mid(utf16, position - utf16).toUtf8().size();
        utf16 = position;
        return utf8;
    };
    for (const WordTimings::Cue &cue : cues) {
        const qint64 byteStart = utf8At(qsizetype(cue.range.location));
        const qint64 byteEnd = utf8At(qsizetype(cue.range.location + cue.range.length));
        words.append(QJsonObject{
            {u"start"_s, cue.startMs},
            {u"end"_s, cue.endMs},
            {u"text"_s, text.mid(qsizetype(cue.range.location), qsizetype(cue.range.length))},
            {u"utf16"_s, QJsonArray{qint64(cue.range.location), qint64(cue.range.length)}},
            {u"utf8"_s, QJsonArray{byteStart, byteEnd - byteStart}},
        });
    }
    return QJsonDocument(QJsonObject{{u"words"_s, words}}).toJson(QJsonDocument::Indented);
}

} // namespace

std::optional<WordTimings::Kind> WordTimings::kindForPath(const QString &path)
{
    const QString name = path.section(u'/', -1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot + 1).toLower() : QString();
    if (extension == u"vtt"_s)
        return Kind::WebVtt;
    if (extension == u"srt"_s)
        return Kind::SubRip;
    if (extension == u"json"_s)
        return Kind::Json;
    return std::nullopt;
}

QString WordTimings::extensionList()
{
    return u".vtt, .srt, .json"_s;
}

std::vector<WordTimings::Cue> WordTimings::cues(const std::vector<Mark> &marks, qint64 totalSamples,
                                                int sampleRate)
{
    std::vector<Cue> cues;
    if (sampleRate <= 0)
        return cues;
    cues.reserve(marks.size());
    const auto ms = [sampleRate](qint64 sample) { return sample * 1000 / sampleRate; };
    const qint64 endMs = ms(std::max<qint64>(totalSamples, 0));
    qint64 previous = 0;
    for (size_t i = 0; i < marks.size(); ++i) {
        // Never before the cue before it, never past the audio.
        const qint64 start = std::clamp(ms(marks[i].sample), previous, endMs);
        const qint64 next = i + 1 < marks.size() ? ms(marks[i + 1].sample) : endMs;
        const qint64 end = std::clamp(next, start, endMs);
        cues.push_back({start, end, marks[i].range});
        previous = end;
    }
    return cues;
}

QByteArray WordTimings::render(Kind kind, const std::vector<Cue> &cues, const QString &text)
{
    return kind == Kind::Json ? json(cues, text) : subtitles(kind, cues, text);
}

bool WordTimings::write(const QString &path, const QByteArray &contents, QString &error)
{
    return AtomicFile::write(path, contents, error);
}
