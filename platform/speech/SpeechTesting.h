#pragma once

#include "platform/speech/VoiceSource.h"

#include <QtGlobal>

// Seams for the test programs; the product never calls these.
namespace SpeechTesting {

// Replaces the voice source of the synthesizer's class operations; nullptr
// restores the engines' voices. The caller keeps ownership.
void setVoiceSource(VoiceSource *source);
// Synthesizers that have not spoken yet play on the silent real-time clock
// even when an audio device exists, as happens when there is none.
void setSilentPlayback(bool silent);
// Exports of texts from this many characters are rendered by worker processes
// (when there is a program to start); 0 restores the default, tens of KB.
void setParallelFrom(qsizetype characters);
// The buffer of the audio output opened last, in bytes; 0 before any.
qsizetype outputBufferBytes();

} // namespace SpeechTesting
