#pragma once

#include "platform/speech/VoiceSource.h"

#include <QtGlobal>

#include <functional>

// Seams for the test programs; the product never calls these.
namespace SpeechTesting {

// Replaces the voice source of the synthesizer's class operations; nullptr
// restores the engines' voices. The caller keeps ownership.
void setVoiceSource(VoiceSource *source);
// Synthesizers that have not spoken yet play on the silent real-time clock
// even when an audio device exists, as happens when there is none.
void setSilentPlayback(bool silent);
// Exports of texts from this many characters are rendered by worker processes
// (when there is a program to start); 0 restores the default, some seconds
// of rendering at the voice's speed.
void setParallelFrom(qsizetype characters);
// The buffer of the audio output opened last, in bytes; 0 before any.
qsizetype outputBufferBytes();
// The sample rate of the audio output opened last; 0 before any.
int outputSampleRate();
// Forgets speech-dispatcher's voices and closes the connection to it: the
// next use lists them and connects afresh, to the server named then.
void forgetSystemVoices();
// Replaces the reading of how many cores other programs keep busy, which an
// export whose processes are left to it takes before it starts its workers;
// an empty function restores the reading of the kernel's counts.
void setBusyCores(std::function<double()> reading);

} // namespace SpeechTesting
