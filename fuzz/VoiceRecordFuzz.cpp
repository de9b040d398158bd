// Voice attributes come from the installed voice files: whatever they hold,
// a record is either empty or complete, and its label holds the name part
// and the language.

#include "app/VoiceRecords.h"
#include "fuzz/FuzzInput.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

const QStringList Keys = {u"VoiceName"_s, u"VoiceLanguage"_s, u"VoiceGender"_s,
                          u"VoiceIdentifier"_s, u"VoiceAge"_s};

QVariant attribute(FuzzInput &input)
{
    switch (input.number(8)) {
    case 0:
        return QVariant();
    case 1:
        return QVariant(int(input.byte()));
    case 2:
        return QVariant(u"VoiceGenderFemale"_s);
    case 3:
        return QVariant(u"VoiceGenderMale"_s);
    case 4:
        return QVariant(input.bytes(16));
    case 5:
        return QVariant(QStringList{input.text(8), input.text(8)});
    default:
        return QVariant(input.text(40, input.flag()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QString identifier = input.text(24);
    QVariantMap attributes;
    const unsigned count = input.number(7);
    for (unsigned i = 0; i < count; ++i) {
        const QString key =
            input.flag() ? Keys.at(input.number(unsigned(Keys.size()))) : input.text(12);
        attributes.insert(key, attribute(input));
    }

    const QVariantMap record = VoiceRecords::recordForVoice(identifier, attributes);
    const QVariant name = attributes.value(u"VoiceName"_s);
    const QVariant language = attributes.value(u"VoiceLanguage"_s);
    if (!name.isValid() || !language.isValid()) {
        if (!record.isEmpty())
            fuzzFailure("no record without a name and a language");
        return 0;
    }

    if (record.size() != 5)
        fuzzFailure("a record has five keys");
    for (const QString &key :
         {u"name"_s, u"language"_s, u"gender"_s, u"identifier"_s, u"label"_s}) {
        if (!record.contains(key) || record.value(key).typeId() != QMetaType::QString)
            fuzzFailure("every key of a record holds a string", key);
    }
    const QString gender = record.value(u"gender"_s).toString();
    const bool female = attributes.value(u"VoiceGender"_s).toString() == u"VoiceGenderFemale"_s;
    if (gender != (female ? u"♀"_s : u"♂"_s))
        fuzzFailure("the gender is ♀ for female voices and ♂ otherwise", gender);
    if (record.value(u"identifier"_s).toString() != identifier)
        fuzzFailure("the identifier is kept", identifier);
    if (record.value(u"name"_s).toString() != name.toString() ||
        record.value(u"language"_s).toString() != language.toString())
        fuzzFailure("the name and language are kept");

    // The label's exact form is the launch test's; whatever the name holds,
    // it starts with the name part and ends with the language.
    const QString label = record.value(u"label"_s).toString();
    if (!label.startsWith(name.toString().section(u'(', 0, 0)) ||
        !label.endsWith(u" ("_s + language.toString() + u')'))
        fuzzFailure("the label is the name part, the gender and the language", label);
    return 0;
}
