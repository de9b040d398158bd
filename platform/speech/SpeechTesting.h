#pragma once

#include "platform/speech/VoiceSource.h"

// Seams for the test programs; the product never calls these.
namespace SpeechTesting {

// Replaces the voice source of the synthesizer's class operations; nullptr
// restores espeak-ng's catalogue. The caller keeps ownership.
void setVoiceSource(VoiceSource *source);
// Synthesizers that have not spoken yet play on the silent real-time clock
// even when an audio device exists, as happens when there is none.
void setSilentPlayback(bool silent);

} // namespace SpeechTesting
