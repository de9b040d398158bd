#pragma once

#include <QString>
#include <QStringList>

class SpeechEngine;
class VoiceSource;

// The speech engines of the program. An engine is added with a line in
// SpeechEngines.cpp; the synthesizer and the render workers find the engine
// of a voice here and know none by name.
namespace SpeechEngines {

// Every engine's voices in one list, the first engine's first, then the
// system voices (SystemVoices), which no engine speaks; the default voice is
// the first engine's.
const VoiceSource &voices();
// The engines' names, as a person knows them.
QStringList names();
// The engine that lists the voice; the first one for a voice that none lists,
// which it speaks as best it can.
SpeechEngine &forVoice(const QString &identifier);
// Stops the engines that have started, for a process that ends without an
// application object.
void shutDown();

} // namespace SpeechEngines
