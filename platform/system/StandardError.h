#pragma once

// Standard error as the program's threads share it. A library that prints
// lines of its own there (espeak-ng reports each voice it loads) can be kept
// quiet on the thread that calls it, while what every other thread writes,
// the log among it, still goes out at once.
namespace StandardError {

// Puts a stream that can do so in place of stderr; it writes to descriptor 2
// as stderr did. To be called at the start of main, before any other thread
// runs: until then, and in programs that never call it, nothing is quiet.
void takeOver();

// While one exists, what its thread writes to stderr is dropped.
class Silence
{
public:
    Silence();
    ~Silence();
    Silence(const Silence &) = delete;
    Silence &operator=(const Silence &) = delete;
};

} // namespace StandardError
