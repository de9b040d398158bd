#include "platform/speech/SpeechEngines.h"

#include "platform/speech/EspeakEngine.h"
#include "platform/speech/FliteEngine.h"
#include "platform/speech/SystemVoices.h"
#include "platform/speech/VoiceSource.h"

#include <QCollator>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Entry
{
    SpeechEngine &(*instance)();
    void (*shutDown)();
};

// The first engine speaks with the default voice.
const Entry engines[] = {
    {[]() -> SpeechEngine & { return EspeakEngine::instance(); }, &EspeakEngine::shutDown},
    {[]() -> SpeechEngine & { return FliteEngine::instance(); }, &FliteEngine::shutDown},
};

class AllVoices : public VoiceSource
{
public:
    // In the order of the names a person reads, as the language of the
    // moment sorts them, whatever the engine: espeak-ng's own order is by
    // language code, which puts "Welsh" (cy) between Chuvash and Danish.
    // Voices of one name keep their engine's order.
    QStringList availableVoices() const override
    {
        std::vector<std::pair<QString, QString>> voices; // name, identifier
        for (const Entry &engine : engines) {
            const VoiceSource &source = engine.instance().voices();
            for (const QString &identifier : source.availableVoices())
                voices.emplace_back(
                    source.attributesForVoice(identifier).value(u"VoiceName"_s).toString(),
                    identifier);
        }
        const QCollator collator{QLocale()};
        std::stable_sort(voices.begin(), voices.end(), [&](const auto &a, const auto &b) {
            return collator.compare(a.first, b.first) < 0;
        });
        QStringList identifiers;
        identifiers.reserve(qsizetype(voices.size()));
        for (const auto &voice : voices)
            identifiers.append(voice.second);
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
