#pragma once

// One process of a parallel render: it reads runs of text from standard
// input, renders each with the engine of its voice and writes its samples and
// word marks to standard output, framed for the parent (ParallelRender, see
// WorkerProtocol), until standard input ends. Its input is checked as
// anything from outside is: a frame that is not a run the parent would send
// ends the worker with a message.
namespace RenderWorker {

// The option that starts the program as a worker; not offered in --help.
inline constexpr char option[] = "--render-worker";

// The worker's main: reads runs from `input` and writes frames to `output`
// until `input` ends; the exit status: 0 at the end of the input, 1 when
// the parent went away, 2 on input that is no run.
int run(int input, int output);

} // namespace RenderWorker
