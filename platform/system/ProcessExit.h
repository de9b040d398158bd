#pragma once

namespace ProcessExit {

// Ends the process with `status` once main's own objects are gone, without
// running the destructors of static objects. Qt Multimedia's PulseAudio
// engine (Qt 6.4) is one of them, and it disconnects from the audio server
// without holding the lock of the thread that serves the connection: when an
// event from the server arrives at that moment (the sink going idle just after
// the last speech stopped is one), libpulse aborts the process on its way out.
// Standard output and error are flushed first, and a leak-checking build looks
// for leaks here as it would at exit.
[[noreturn]] void leave(int status);

} // namespace ProcessExit
