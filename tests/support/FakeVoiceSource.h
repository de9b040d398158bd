#pragma once

#include "platform/speech/VoiceSource.h"

#include <QList>

#include <utility>

// A voice list that a test writes itself.
class FakeVoiceSource : public VoiceSource
{
public:
    QStringList availableVoices() const override
    {
        QStringList identifiers;
        for (const auto &voice : voices)
            identifiers << voice.first;
        return identifiers;
    }
    QVariantMap attributesForVoice(const QString &identifier) const override
    {
        for (const auto &[voice, attributes] : voices)
            if (voice == identifier)
                return attributes;
        return {};
    }
    QString defaultVoice() const override { return defaultIdentifier; }

    QList<std::pair<QString, QVariantMap>> voices; // in the platform's order
    QString defaultIdentifier;
};
