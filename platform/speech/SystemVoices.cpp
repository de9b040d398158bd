#include "platform/speech/SystemVoices.h"

#include "platform/speech/SpeechTesting.h"
#include "platform/speech/SystemSpeech.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QHash>

#include <libspeechd.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Voice
{
    QString identifier;
    QString name;
    QString language;
    QString variant; // empty for the module's plain voice
    QString module;
};

struct Listing
{
    std::vector<Voice> voices;
    QString problem;
};

struct State
{
    ~State()
    {
        if (thread.joinable())
            thread.join();
    }

    std::mutex mutex;
    std::condition_variable read;
    bool started = false;
    bool done = false;
    std::vector<Voice> voices;
    QHash<QString, qsizetype> byIdentifier;
    QString problem;
    std::thread thread;
};

State &state()
{
    static State shared;
    return shared;
}

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// The modules that speak with an engine this program has in process: their
// voices are listed after the others, which a person cannot hear otherwise.
bool repeatsOwnEngine(const QString &module)
{
    return module.startsWith(u"espeak"_s) || module == u"flite"_s;
}

// The module's voices, each once: a voice comes with every variant
// ("Afrikaans+Adam", variant "Adam"); its plain form (variant "none") is kept,
// else the first listed.
void addVoices(SPDConnection *connection, const QString &module, std::vector<Voice> &voices)
{
    if (spd_set_output_module(connection, module.toUtf8().constData()) != 0)
        return;
    SPDVoice **listed = spd_list_synthesis_voices(connection);
    if (!listed)
        return;
    QHash<QString, size_t> kept;
    for (SPDVoice **voice = listed; *voice; ++voice) {
        const QString name = text((*voice)->name);
        const QString language = text((*voice)->language);
        QString variant = text((*voice)->variant);
        if (variant == u"none"_s)
            variant.clear();
        if (name.isEmpty() || language.isEmpty() || name.contains(u'\n'))
            continue;
        QString base = name;
        if (!variant.isEmpty() && base.endsWith(u'+' + variant))
            base.chop(variant.size() + 1);
        const QString key = base + u'\n' + language;
        Voice entry{QString::fromLatin1(SystemVoices::Prefix) + module + u'/' + name,
                    VoiceSource::displayName(base), language, variant, module};
        const auto found = kept.constFind(key);
        if (found == kept.cend()) {
            kept.insert(key, voices.size());
            voices.push_back(std::move(entry));
        } else if (variant.isEmpty() && !voices[*found].variant.isEmpty()) {
            voices[*found] = std::move(entry);
        }
    }
    free_spd_voices(listed);
}

Listing list()
{
    Listing listing;
    SPDConnection *connection = SystemSpeech::open("voices", SPD_MODE_SINGLE);
    if (!connection) {
        listing.problem = SystemVoices::notRunning();
        return listing;
    }
    char **modules = spd_list_modules(connection);
    std::vector<Voice> own;
    for (char **module = modules; module && *module; ++module) {
        const QString name = text(*module);
        addVoices(connection, name, repeatsOwnEngine(name) ? own : listing.voices);
    }
    listing.voices.insert(listing.voices.end(), std::make_move_iterator(own.begin()),
                          std::make_move_iterator(own.end()));
    if (modules)
        free_spd_modules(modules);
    spd_close(connection);
    if (listing.voices.empty())
        listing.problem =
            QCoreApplication::translate("SystemVoices", "speech-dispatcher lists no voices");
    return listing;
}

void publish(Listing listing)
{
    State &shared = state();
    {
        std::lock_guard lock(shared.mutex);
        shared.voices = std::move(listing.voices);
        shared.byIdentifier.clear();
        for (qsizetype i = 0; i < qsizetype(shared.voices.size()); ++i)
            shared.byIdentifier.insert(shared.voices[size_t(i)].identifier, i);
        shared.problem = listing.problem;
        shared.done = true;
    }
    shared.read.notify_all();
    if (!listing.problem.isEmpty())
        Log::write(u"No system voices: %1"_s.arg(listing.problem));
    QMetaObject::invokeMethod(
        &SystemVoices::instance(), [] { Q_EMIT SystemVoices::instance().changed(); },
        Qt::QueuedConnection);
}

class Source : public VoiceSource
{
public:
    QStringList availableVoices() const override
    {
        State &shared = state();
        std::lock_guard lock(shared.mutex);
        QStringList identifiers;
        identifiers.reserve(qsizetype(shared.voices.size()));
        for (const Voice &voice : shared.voices)
            identifiers.append(voice.identifier);
        return identifiers;
    }

    QVariantMap attributesForVoice(const QString &identifier) const override
    {
        State &shared = state();
        std::lock_guard lock(shared.mutex);
        const auto found = shared.byIdentifier.constFind(identifier);
        if (found == shared.byIdentifier.cend())
            return {};
        const Voice &voice = shared.voices[size_t(*found)];
        QVariantMap attributes{{u"VoiceName"_s, voice.name},
                               {u"VoiceLanguage"_s, voice.language},
                               {u"VoiceIdentifier"_s, voice.identifier},
                               {u"VoiceModule"_s, voice.module}};
        if (!voice.variant.isEmpty())
            attributes.insert(u"VoiceVariant"_s, voice.variant);
        return attributes;
    }

    QString defaultVoice() const override { return QString(); }

    bool hasVoice(const QString &identifier) const override
    {
        if (!SystemVoices::isSystemVoice(identifier))
            return false;
        SystemVoices::waitForVoices();
        State &shared = state();
        std::lock_guard lock(shared.mutex);
        return shared.byIdentifier.contains(identifier);
    }
};

} // namespace

SystemVoices &SystemVoices::instance()
{
    // Kept to the end of the process: the list's thread may report to it
    // until it is joined.
    static SystemVoices *notifier = new SystemVoices;
    return *notifier;
}

bool SystemVoices::isSystemVoice(const QString &identifier)
{
    return identifier.startsWith(QLatin1StringView(Prefix));
}

QString SystemVoices::module(const QString &identifier)
{
    return identifier.mid(qsizetype(std::char_traits<char>::length(Prefix))).section(u'/', 0, 0);
}

QString SystemVoices::voiceName(const QString &identifier)
{
    return identifier.mid(qsizetype(std::char_traits<char>::length(Prefix))).section(u'/', 1, -1);
}

const VoiceSource &SystemVoices::source()
{
    static const Source voices;
    return voices;
}

void SystemVoices::prepare()
{
    instance();
    State &shared = state();
    std::lock_guard lock(shared.mutex);
    if (shared.started)
        return;
    shared.started = true;
    shared.thread = std::thread([] { publish(list()); });
    if (QCoreApplication::instance())
        qAddPostRoutine(&SystemVoices::shutDown);
}

void SystemVoices::waitForVoices()
{
    prepare();
    State &shared = state();
    std::unique_lock lock(shared.mutex);
    shared.read.wait(lock, [&] { return shared.done; });
}

QString SystemVoices::problem()
{
    State &shared = state();
    std::lock_guard lock(shared.mutex);
    return shared.problem;
}

void SystemVoices::lose(const QString &why)
{
    State &shared = state();
    {
        std::lock_guard lock(shared.mutex);
        if (shared.voices.empty())
            return;
        shared.voices.clear();
        shared.byIdentifier.clear();
        shared.problem = why;
    }
    Log::write(u"No system voices any more: %1"_s.arg(why));
    // After the end of a speech that this ended, which is already on its way.
    QMetaObject::invokeMethod(
        &instance(), [] { Q_EMIT instance().changed(); }, Qt::QueuedConnection);
}

QString SystemVoices::notRunning()
{
    return QCoreApplication::translate("SystemVoices",
                                       "speech-dispatcher is not running and cannot be started");
}

QString SystemVoices::stoppedAnswering()
{
    return QCoreApplication::translate("SystemVoices", "speech-dispatcher stopped answering");
}

void SystemVoices::shutDown()
{
    State &shared = state();
    std::thread thread;
    {
        std::lock_guard lock(shared.mutex);
        thread = std::move(shared.thread);
    }
    if (thread.joinable())
        thread.join();
}

void SpeechTesting::forgetSystemVoices()
{
    SystemSpeech::shutDown();
    SystemVoices::shutDown();
    // A change reported before is not one of the next list's.
    QCoreApplication::sendPostedEvents(&SystemVoices::instance(), QEvent::MetaCall);
    State &shared = state();
    std::lock_guard lock(shared.mutex);
    shared.started = false;
    shared.done = false;
    shared.voices.clear();
    shared.byIdentifier.clear();
    shared.problem.clear();
}
