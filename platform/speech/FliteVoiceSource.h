#pragma once

#include "platform/speech/VoiceSource.h"

// The voices of flite, named "flite:" and flite's short name ("flite:slt"),
// labelled by their language and that name.
class FliteVoiceSource : public VoiceSource
{
public:
    QStringList availableVoices() const override;
    QVariantMap attributesForVoice(const QString &identifier) const override;
    QString defaultVoice() const override;
    bool hasVoice(const QString &identifier) const override;
};
