#include "app/VoiceRecords.h"

#include "platform/speech/SpeechSynthesizer.h"

using namespace Qt::StringLiterals;

QString VoiceRecords::label(const QString &name, const QString &genderSymbol,
                            const QString &language)
{
    return u"%1 %2 (%3)"_s.arg(name.section(u'(', 0, 0), genderSymbol, language);
}

QVariantMap VoiceRecords::recordForVoice(const QString &identifier, const QVariantMap &attributes)
{
    const QVariant name = attributes.value(u"VoiceName"_s);
    const QVariant language = attributes.value(u"VoiceLanguage"_s);
    if (!name.isValid() || !language.isValid())
        return {};
    const QString gender =
        attributes.value(u"VoiceGender"_s).toString() == u"VoiceGenderFemale"_s ? u"♀"_s : u"♂"_s;
    return {
        {u"name"_s, name.toString()},
        {u"language"_s, language.toString()},
        {u"gender"_s, gender},
        {u"identifier"_s, identifier},
        {u"label"_s, label(name.toString(), gender, language.toString())},
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
