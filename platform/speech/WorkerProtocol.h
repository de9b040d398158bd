#pragma once

#include "platform/speech/SpeechChannel.h"
#include "platform/speech/VoiceSettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// The frames between a parallel render (ParallelRender, in the exporting
// process) and its worker processes (RenderWorker), written and read here
// alone. Every frame begins with the protocol's version, so that a worker of
// another build of the program is refused rather than misread; numbers are
// little-endian, samples too. Each side checks a frame's header before it
// takes its payload, and takes no more than the frame's type allows.
namespace WorkerProtocol {

inline constexpr quint8 Version = 1;

enum class FrameType : quint8 {
    Run = 'R',     // parent to worker: a run to render (see Run)
    Samples = 'S', // 16-bit samples
    Words = 'W',   // word marks: each a qint64 sample, a quint32 location and a quint32
                   // length, in UTF-16 code units of the run
    End = 'E',     // the run is complete
    Failed = 'F',  // the run failed; the payload says why (UTF-8)
};

// The version, the type and the payload's size (quint32).
inline constexpr qsizetype HeaderSize = 1 + 1 + 4;
inline constexpr qsizetype WordMarkSize = 8 + 4 + 4;
// The most that one frame holds.
inline constexpr qsizetype MaximumRunText = 16 * 1024; // UTF-16 code units
inline constexpr qsizetype MaximumVoiceBytes = 255;
inline constexpr qsizetype MaximumSamples = 256 * 1024;
inline constexpr qsizetype MaximumWords = 4096;
inline constexpr qsizetype MaximumMessageBytes = 4096;

enum class Sender { Parent, Worker };

struct Header
{
    FrameType type;
    qsizetype size;
};

struct Run
{
    QString text;
    // Within their limits; the rate in whole words per minute.
    VoiceSettings settings;
    bool trimLeadingSilence = true;
    bool phonemes = false; // see SpeechEngine::Request
};

void appendHeader(QByteArray &into, FrameType type, qsizetype payloadSize);
// A header that `sender` may write, or why it is none.
std::optional<Header> decodeHeader(QByteArrayView bytes, Sender sender, QString &fault);

// Empty when the run does not fit a frame.
QByteArray runFrame(const Run &run);
std::optional<Run> decodeRun(QByteArrayView payload, QString &fault);

void appendWords(QByteArray &into, const std::vector<SpeechChannel::Word> &words);
// The payload's size has been checked by decodeHeader.
std::vector<SpeechChannel::Word> decodeWords(QByteArrayView payload);
void appendSamples(QByteArray &into, const qint16 *samples, qsizetype count);
// Turns the payload's samples into the machine's byte order, in place.
void decodeSamples(QByteArray &payload);
// Shortened to what a frame holds.
QByteArray failedFrame(const QString &reason);

// Reads up to `size` bytes, fewer only at the end of the input; the count.
using Reader = std::function<qsizetype(char *into, qsizetype size)>;
// The worker's input: the next run, or nothing, with `fault` empty at the
// end of the input and saying why on anything but a whole run frame.
std::optional<Run> readRun(const Reader &read, QString &fault);

} // namespace WorkerProtocol
