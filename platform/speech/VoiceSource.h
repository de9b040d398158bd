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

    // A voice's name as labels show it. Engines name a regional or other
    // form of a language with a qualifier in parentheses, "Chinese
    // (Cantonese)", and some names carry underscores for spaces. Labels keep
    // only the part of a name before "(", so the qualifier is made part of
    // the name ("Chinese, Cantonese"): otherwise forms of one language could
    // not be told apart.
    static QString displayName(QString name)
    {
        using namespace Qt::StringLiterals;
        name.replace(u'_', u' ');
        name.replace(u'(', u", "_s);
        name.remove(u')');
        name = name.simplified();
        name.replace(u" ,"_s, u","_s);
        while (name.startsWith(u','))
            name = name.mid(1).trimmed();
        return name;
    }
};
