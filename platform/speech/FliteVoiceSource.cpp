#include "platform/speech/FliteVoiceSource.h"

#include "platform/speech/FliteEngine.h"

using namespace Qt::StringLiterals;

namespace {

QString identifierOf(const FliteEngine::Voice &voice)
{
    return QLatin1StringView(FliteEngine::IdentifierPrefix) + voice.name;
}

const FliteEngine::Voice *find(const QString &identifier)
{
    for (const FliteEngine::Voice &voice : FliteEngine::instance().catalogue()) {
        if (identifierOf(voice) == identifier)
            return &voice;
    }
    return nullptr;
}

} // namespace

QStringList FliteVoiceSource::availableVoices() const
{
    QStringList identifiers;
    for (const FliteEngine::Voice &voice : FliteEngine::instance().catalogue())
        identifiers.append(identifierOf(voice));
    return identifiers;
}

// Where espeak-ng's voices show their language code, these show the engine
// and the voice's name: they all speak one language, and only their names
// tell them apart in the list.
QVariantMap FliteVoiceSource::attributesForVoice(const QString &identifier) const
{
    const FliteEngine::Voice *voice = find(identifier);
    if (!voice)
        return {};
    return {{u"VoiceName"_s, voice->language},
            {u"VoiceLanguage"_s, QString(u"flite "_s + voice->name)},
            {u"VoiceGender"_s, voice->female ? u"VoiceGenderFemale"_s : u"VoiceGenderMale"_s},
            {u"VoiceIdentifier"_s, identifier}};
}

QString FliteVoiceSource::defaultVoice() const
{
    const auto &voices = FliteEngine::instance().catalogue();
    return voices.empty() ? QString() : identifierOf(voices.front());
}

bool FliteVoiceSource::hasVoice(const QString &identifier) const
{
    return find(identifier) != nullptr;
}
