#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One process of a parallel render: it reads runs of text from standard
// input, renders each with the process's engine and writes its samples and
// word marks to standard output, framed for the parent (ParallelRender),
// until standard input ends. Both ends are the same program, so the frames
// carry numbers in the machine's own byte order.
namespace RenderWorker {

// The option that starts the program as a worker; not offered in --help.
inline constexpr char option[] = "--render-worker";

// Every frame: a type byte, the payload's size (quint32), the payload.
enum FrameType : char {
    RunFrame = 'R',     // parent to worker: a run to render (see Run)
    SamplesFrame = 'S', // 16-bit samples
    WordFrame = 'W',    // word marks, each a qint64 sample, quint32 location and quint32
                        // length (UTF-16, in the run)
    EndFrame = 'E',     // the run is complete
    FailedFrame = 'F',  // the run failed; the payload says why (UTF-8)
};
inline constexpr qsizetype HeaderSize = 1 + 4;
inline constexpr qsizetype WordMarkSize = 8 + 4 + 4;

struct Run
{
    QString text;
    QString voice;
    int rate = 175;
    int pitch = 50;
    int intonation = 50;
    int volume = 100;
    // A run that continues a text keeps the silence its sound begins with,
    // as a serial render keeps it between two pieces.
    bool trimLeadingSilence = true;
};

QByteArray frame(FrameType type, const QByteArray &payload);
QByteArray encode(const Run &run);
std::optional<Run> decode(const QByteArray &payload);

// The worker's main: reads runs from `input` and writes frames to `output`
// until `input` ends; the exit status.
int run(int input, int output);

} // namespace RenderWorker
