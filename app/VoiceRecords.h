#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

// Voice records: what the voice menu, playback and the command line know of
// an installed voice ("name", "language", "gender", "identifier", "label").
namespace VoiceRecords {

// The record of one voice from its attributes, or an empty map when the
// attributes lack a name or a language.
QVariantMap recordForVoice(const QString &identifier, const QVariantMap &attributes);

// "Name part, gender symbol, (language)": the name part is the voice name up
// to its first "(", spaces before it included; without a gender symbol,
// "Name part (language)".
QString label(const QString &name, const QString &genderSymbol, const QString &language);

// The records of all installed voices, in the synthesizer's order.
QVariantList availableVoiceRecords();

} // namespace VoiceRecords
