#include "platform/speech/SpeechEngines.h"

#include "platform/speech/EspeakEngine.h"
#include "platform/speech/SystemVoices.h"
#include "platform/speech/VoiceSource.h"

namespace {

struct Entry
{
    SpeechEngine &(*instance)();
    void (*shutDown)();
};

// The first engine speaks with the default voice.
const Entry engines[] = {
    {[]() -> SpeechEngine & { return EspeakEngine::instance(); }, &EspeakEngine::shutDown},
};

class AllVoices : public VoiceSource
{
public:
    QStringList availableVoices() const override
    {
        QStringList identifiers;
        for (const Entry &engine : engines)
            identifiers += engine.instance().voices().availableVoices();
        return identifiers + SystemVoices::source().availableVoices();
    }

    QVariantMap attributesForVoice(const QString &identifier) const override
    {
        if (SystemVoices::isSystemVoice(identifier))
            return SystemVoices::source().attributesForVoice(identifier);
        return engineFor(identifier).voices().attributesForVoice(identifier);
    }

    QString defaultVoice() const override { return engines[0].instance().voices().defaultVoice(); }

    bool hasVoice(const QString &identifier) const override
    {
        if (SystemVoices::isSystemVoice(identifier))
            return SystemVoices::source().hasVoice(identifier);
        return engineFor(identifier).voices().hasVoice(identifier);
    }

    static SpeechEngine &engineFor(const QString &identifier)
    {
        for (const Entry &engine : engines) {
            if (engine.instance().voices().hasVoice(identifier))
                return engine.instance();
        }
        return engines[0].instance();
    }
};

} // namespace

const VoiceSource &SpeechEngines::voices()
{
    static const AllVoices all;
    return all;
}

SpeechEngine &SpeechEngines::forVoice(const QString &identifier)
{
    return AllVoices::engineFor(identifier);
}

QStringList SpeechEngines::names()
{
    QStringList names;
    for (const Entry &engine : engines) {
        const QString name = engine.instance().name();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

void SpeechEngines::shutDown()
{
    for (const Entry &engine : engines)
        engine.shutDown();
    SystemVoices::shutDown();
}
