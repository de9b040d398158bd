#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

// Where the synthesizer's class operations get the installed voices from.
class VoiceSource
{
public:
    virtual ~VoiceSource() = default;
    virtual QStringList availableVoices() const = 0;
    virtual QVariantMap attributesForVoice(const QString &identifier) const = 0;
    virtual QString defaultVoice() const = 0;
    // Whether a voice is listed: the one check of a voice identifier that
    // comes from outside (the command line, a render worker's input).
    virtual bool hasVoice(const QString &identifier) const
    {
        return availableVoices().contains(identifier);
    }
};
