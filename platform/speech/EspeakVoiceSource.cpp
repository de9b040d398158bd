#include "platform/speech/EspeakVoiceSource.h"

#include "platform/speech/EspeakEngine.h"

#include <QHash>

#include <algorithm>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

struct Entry
{
    QString identifier;
    QString name;
    QString language;
    QString gender;
    QList<QPair<QString, int>> languages; // empty for the made-up female voices
};

struct Catalogue
{
    std::vector<Entry> entries;
    QHash<QString, qsizetype> byIdentifier;
    double milliseconds = 0;
};

QString genderName(int espeakGender)
{
    switch (espeakGender) {
    case 1:
        return u"VoiceGenderMale"_s;
    case 2:
        return u"VoiceGenderFemale"_s;
    default:
        return u"VoiceGenderNeuter"_s;
    }
}

std::shared_future<EspeakEngine::Catalogue> &engineCatalogue()
{
    static std::once_flag once;
    static std::shared_future<EspeakEngine::Catalogue> future;
    std::call_once(once, [] { future = EspeakEngine::instance().catalogue().share(); });
    return future;
}

Catalogue build()
{
    Catalogue catalogue;
    const EspeakEngine::Catalogue &engine = engineCatalogue().get();
    const EspeakEngine::Variant *female = nullptr;
    for (const auto &variant : engine.variants) {
        if (variant.identifier == QLatin1StringView(EspeakVoiceSource::FemaleVariant))
            female = &variant;
        else if (!female && variant.gender == 2)
            female = &variant;
    }
    for (const auto &voice : engine.voices) {
        if (voice.name.isEmpty() || voice.languages.isEmpty() ||
            voice.languages.first().first.isEmpty())
            continue;
        const QString language = voice.languages.first().first;
        const QString name = VoiceSource::displayName(voice.name);
        if (name.isEmpty())
            continue;
        catalogue.entries.push_back(
            {voice.identifier, name, language, genderName(voice.gender), voice.languages});
        // The female companion differs from its language voice only in the
        // gender, which the label shows.
        if (female && voice.gender != 2)
            catalogue.entries.push_back(
                {voice.identifier + u'+' + female->identifier, name, language, genderName(2), {}});
    }
    for (qsizetype i = 0; i < qsizetype(catalogue.entries.size()); ++i)
        catalogue.byIdentifier.insert(catalogue.entries[size_t(i)].identifier, i);
    catalogue.milliseconds = engine.milliseconds;
    return catalogue;
}

const Catalogue &catalogue()
{
    static std::once_flag once;
    static Catalogue shared;
    std::call_once(once, [] { shared = build(); });
    return shared;
}

// The language voice that serves a language tag best: first the voice whose
// main language it is, then the one listing it with the highest priority.
QString voiceForTag(const QString &tag)
{
    const auto &entries = catalogue().entries;
    for (const Entry &entry : entries) {
        if (!entry.languages.isEmpty() && entry.language == tag)
            return entry.identifier;
    }
    QString best;
    int bestPriority = 0;
    for (const Entry &entry : entries) {
        for (const auto &[language, priority] : entry.languages) {
            if (language == tag && (best.isEmpty() || priority < bestPriority)) {
                best = entry.identifier;
                bestPriority = priority;
            }
        }
    }
    return best;
}

} // namespace

// A voice's female companion follows it.
QStringList EspeakVoiceSource::availableVoices() const
{
    QStringList identifiers;
    for (const Entry &entry : catalogue().entries)
        identifiers.append(entry.identifier);
    return identifiers;
}

QVariantMap EspeakVoiceSource::attributesForVoice(const QString &identifier) const
{
    const Catalogue &all = catalogue();
    const auto found = all.byIdentifier.constFind(identifier);
    if (found == all.byIdentifier.cend())
        return {};
    const Entry &entry = all.entries[size_t(*found)];
    return {{u"VoiceName"_s, entry.name},
            {u"VoiceLanguage"_s, entry.language},
            {u"VoiceGender"_s, entry.gender},
            {u"VoiceIdentifier"_s, entry.identifier}};
}

bool EspeakVoiceSource::hasVoice(const QString &identifier) const
{
    return catalogue().byIdentifier.contains(identifier);
}

QString EspeakVoiceSource::defaultVoice() const
{
    // Asked once per listed voice while a voice menu is built: remember the
    // answer for the locale.
    static std::mutex mutex;
    static QString localeName;
    static QString voice;
    const QLocale locale = QLocale::system();
    std::lock_guard lock(mutex);
    if (localeName != locale.name() || voice.isNull()) {
        localeName = locale.name();
        voice = voiceForLocale(locale);
    }
    return voice;
}

QString EspeakVoiceSource::voiceForLocale(const QLocale &locale) const
{
    const QString name = locale.name().toLower().replace(u'_', u'-');
    const QString language = name.section(u'-', 0, 0);
    for (const QString &tag : {name, language, u"en"_s}) {
        if (tag.isEmpty() || tag == u"c"_s)
            continue;
        const QString voice = voiceForTag(tag);
        if (!voice.isEmpty())
            return voice;
    }
    const auto &entries = catalogue().entries;
    return entries.empty() ? QString() : entries.front().identifier;
}

void EspeakVoiceSource::prepare()
{
    engineCatalogue();
}

double EspeakVoiceSource::catalogueMilliseconds()
{
    return catalogue().milliseconds;
}
