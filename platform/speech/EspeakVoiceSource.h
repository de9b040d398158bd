#pragma once

#include "platform/speech/VoiceSource.h"

#include <QLocale>

// The voices of espeak-ng: every language voice that loads, each followed by
// a female voice made of it and one of espeak-ng's female variants. The list
// is read from the engine once per process and kept.
class EspeakVoiceSource : public VoiceSource
{
public:
    // The variant that makes the female voices, when espeak-ng has it.
    static constexpr auto FemaleVariant = "f3";

    QStringList availableVoices() const override;
    QVariantMap attributesForVoice(const QString &identifier) const override;
    // The voice of the user's locale, else English.
    QString defaultVoice() const override;
    bool hasVoice(const QString &identifier) const override;

    QString voiceForLocale(const QLocale &locale) const;

    // Starts reading the list in the background, so that it is ready, or
    // nearly, when first asked for; call it early at start-up.
    static void prepare();
    // How long reading the list took on the engine thread, in ms.
    static double catalogueMilliseconds();
};
