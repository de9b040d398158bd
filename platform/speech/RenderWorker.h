#pragma once

// One process of a parallel render: it reads runs of text from standard
// input, renders each with the engine of its voice and writes its samples and
// word marks to standard output, framed for the parent (ParallelRender, see
// WorkerProtocol), until standard input ends. Its input is checked as
// anything from outside is: a frame that is not a run the parent would send
// ends the worker with a message.
#include "platform/speech/SpeechChannel.h"
#include "platform/speech/WorkerProtocol.h"

#include <QString>

#include <functional>
#include <vector>

class SpeechEngine;

namespace RenderWorker {

// The option that starts the program as a worker; not offered in --help.
inline constexpr char option[] = "--render-worker";

// The worker's main: reads runs from `input` and writes frames to `output`
// until `input` ends; the exit status: 0 at the end of the input, 1 when
// the parent went away, 2 on input that is no run.
int run(int input, int output);

// Takes what the engine makes of a run as it comes: the word marks and then
// the samples of a block (either may be empty); false stops the run.
using Delivery = std::function<bool(const std::vector<SpeechChannel::Word> &words,
                                    const qint16 *samples, qsizetype count)>;
// Renders one run with `engine`, a worker process's or the exporting
// process's own, and hands it on in blocks of up to
// WorkerProtocol::MaximumSamples. The run's result; `error` says why it failed.
SpeechChannel::Result render(SpeechEngine &engine, const WorkerProtocol::Run &run,
                             const Delivery &deliver, QString &error);

} // namespace RenderWorker
