#include "app/VoiceRecords.h"

#include "platform/speech/SpeechSynthesizer.h"

using namespace Qt::StringLiterals;

QString VoiceRecords::label(const QString &name, const QString &genderSymbol,
                            const QString &language)
{
    if (genderSymbol.isEmpty())
        return u"%1 (%2)"_s.arg(name.section(u'(', 0, 0).trimmed(), language);
    return u"%1 %2 (%3)"_s.arg(name.section(u'(', 0, 0), genderSymbol, language);
}

QVariantMap VoiceRecords::recordForVoice(const QString &identifier, const QVariantMap &attributes)
{
    const QVariant name = attributes.value(u"VoiceName"_s);
    const QVariant language = attributes.value(u"VoiceLanguage"_s);
    if (!name.isValid() || !language.isValid())
        return {};
    // A voice of speech-dispatcher (one with a module) has no gender, and
    // its label says which module and variant speak it.
    const bool female = attributes.value(u"VoiceGender"_s).toString() == u"VoiceGenderFemale"_s;
    const QString gender = attributes.contains(u"VoiceModule"_s) ? QString()
                           : female                              ? u"♀"_s
                                                                 : u"♂"_s;
    QStringList described{language.toString()};
    for (const QString &key : {u"VoiceVariant"_s, u"VoiceModule"_s})
        if (attributes.contains(key))
            described.append(attributes.value(key).toString());
    return {
        {u"name"_s, name.toString()},
        {u"language"_s, language.toString()},
        {u"gender"_s, gender},
        {u"identifier"_s, identifier},
        {u"label"_s, label(name.toString(), gender, described.join(u", "_s))},
    };
}

QVariantList VoiceRecords::availableVoiceRecords()
{
    QVariantList records;
    const QStringList identifiers = SpeechSynthesizer::availableVoices();
    for (const QString &identifier : identifiers) {
        QVariantMap record =
            recordForVoice(identifier, SpeechSynthesizer::attributesForVoice(identifier));
        if (!record.isEmpty())
            records.append(std::move(record));
    }
    return records;
}
