#include "platform/speech/EspeakEngine.h"

#include "platform/speech/CodePointCursor.h"
#include "platform/speech/EspeakVoiceSource.h"
#include "platform/speech/SpeechChannel.h"
#include "platform/speech/TextPieces.h"
#include "platform/speech/WordMarks.h"
#include "platform/system/Log.h"
#include "platform/system/StandardError.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>

using namespace Qt::StringLiterals;

static_assert(VoiceSettings::MinimumRate == espeakRATE_MINIMUM &&
              VoiceSettings::MaximumRate == espeakRATE_MAXIMUM);

namespace {

// Audio per synth callback, in ms. Synthesis runs hundreds of times faster
// than real time, so even this much comes within a millisecond or so, and
// fewer, larger blocks keep file rendering as fast as espeak-ng's own.
constexpr int CallbackBufferMs = 200;

QList<QPair<QString, int>> languagesOf(const espeak_VOICE *voice)
{
    QList<QPair<QString, int>> languages;
    for (const char *p = voice->languages; p && *p; p += std::strlen(p + 1) + 2)
        languages.append({QString::fromUtf8(p + 1), int(static_cast<unsigned char>(*p))});
    return languages;
}

// What the synth callback needs about the piece being spoken.
struct Synthesis
{
    const SpeechEngine::Request *request = nullptr;
    WordMarks *marks = nullptr;
    CodePointCursor cursor{QStringView()};
    qint64 sampleBase = 0;
    qint64 pieceSamples = 0;
    // espeak-ng begins a speech with a few ms of exact silence, which is
    // left out: the first word then starts where its sound does, in the
    // output and in every mark.
    qint64 leadingSilence = 0;
    bool audible = false;
    bool failed = false;

    // Where the sound of the next piece begins.
    qint64 soundPosition() const { return std::max<qint64>(sampleBase - leadingSilence, 0); }
};

// Engine thread only: espeak-ng's callback has no user data besides the
// events' own, so the running synthesis is found here.
Synthesis *activeSynthesis = nullptr;
// True on the engine thread, the one thread that may call espeak-ng.
thread_local bool onEngineThread = false;

int synthCallback(short *samples, int count, espeak_EVENT *events);
EspeakEngine::Catalogue readCatalogue();

} // namespace

QString EspeakEngine::name() const
{
    return QStringLiteral("espeak-ng");
}

EspeakEngine::EspeakEngine()
    : m_thread([this] { return start(); }, [this] { stop(); })
{}

const VoiceSource &EspeakEngine::voices()
{
    static const EspeakVoiceSource source;
    return source;
}

int EspeakEngine::sampleRate(const QString &)
{
    return m_thread.started() ? m_sampleRate : 0;
}

std::future<EspeakEngine::Catalogue> EspeakEngine::catalogue()
{
    auto promise = std::make_shared<std::promise<Catalogue>>();
    auto future = promise->get_future();
    // Runs after the engine has started; without it there are no voices.
    m_thread.post([this, promise] {
        Q_ASSERT(onEngineThread);
        QElapsedTimer timer;
        timer.start();
        Catalogue catalogue = m_sampleRate > 0 ? readCatalogue() : Catalogue();
        catalogue.milliseconds = double(timer.nsecsElapsed()) / 1e6;
        promise->set_value(std::move(catalogue));
    });
    return future;
}

namespace {

EspeakEngine::Catalogue readCatalogue()
{
    // espeak-ng prints its own lines for voices that load incompletely
    // ("Full dictionary is not installed for 'be'"): none of them was asked
    // for here.
    const StandardError::Silence quiet;
    EspeakEngine::Catalogue catalogue;
    const espeak_VOICE **voices = espeak_ListVoices(nullptr);
    for (; voices && *voices; ++voices) {
        const espeak_VOICE *voice = *voices;
        // MBROLA voices are listed even when their data is missing: only
        // what actually loads is offered.
        if (!voice->identifier || espeak_SetVoiceByName(voice->identifier) != EE_OK)
            continue;
        catalogue.voices.push_back({QString::fromUtf8(voice->identifier),
                                    QString::fromUtf8(voice->name).trimmed(), languagesOf(voice),
                                    int(voice->gender)});
    }
    espeak_VOICE variantQuery{};
    variantQuery.languages = "variant";
    const espeak_VOICE **variants = espeak_ListVoices(&variantQuery);
    for (; variants && *variants; ++variants) {
        const QString identifier = QString::fromUtf8((*variants)->identifier);
        catalogue.variants.push_back({identifier.mid(identifier.lastIndexOf(u'/') + 1),
                                      QString::fromUtf8((*variants)->name).trimmed(),
                                      int((*variants)->gender)});
    }
    // After loading many voices, espeak-ng drops the first word events of
    // the next synthesis; a throwaway one leaves it in order.
    espeak_SetVoiceByName("en");
    espeak_Synth("a", 2, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    return catalogue;
}

} // namespace

bool EspeakEngine::start()
{
    onEngineThread = true;
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, CallbackBufferMs, nullptr,
                                       espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) {
        Log::write(u"espeak-ng could not start: no speech"_s);
        return false;
    }
    espeak_SetSynthCallback(&synthCallback);
    m_sampleRate = rate;
    return true;
}

void EspeakEngine::stop()
{
    if (m_sampleRate > 0)
        espeak_Terminate();
}

void EspeakEngine::synthesize(const Request &request)
{
    Q_ASSERT(onEngineThread);
    SpeechChannel &channel = *request.channel;
    // A listed voice may fail to load (its data removed since it was listed):
    // the speech goes on with the voice that spoke last rather than failing.
    const VoiceSettings settings = request.settings.clamped();
    const QByteArray voice = settings.voice.toUtf8();
    if (!voice.isEmpty() && espeak_SetVoiceByName(voice.constData()) == EE_OK) {
        m_lastVoice = voice;
    } else {
        // A failed load leaves espeak-ng's voice half reset, and loading the
        // same voice again is taken as done already: another one comes first.
        espeak_SetVoiceByName("en");
        if (m_lastVoice.isEmpty() || espeak_SetVoiceByName(m_lastVoice.constData()) != EE_OK) {
            m_lastVoice = "en";
            espeak_SetVoiceByName("en");
        }
        if (!voice.isEmpty())
            Log::write(u"Voice \"%1\" does not load: speaking with \"%2\""_s.arg(
                settings.voice, QString::fromUtf8(m_lastVoice)));
    }
    espeak_SetParameter(espeakRATE, int(std::lround(settings.rate)), 0);
    espeak_SetParameter(espeakPITCH, settings.pitch, 0);
    espeak_SetParameter(espeakRANGE, settings.intonation, 0);
    espeak_SetParameter(espeakVOLUME, settings.volume, 0);

    WordMarks marks(
        [&channel](qint64 sample, CharacterRange range) { return channel.addWord(sample, range); });
    Synthesis synthesis;
    synthesis.request = &request;
    synthesis.marks = &marks;
    synthesis.audible = !request.trimLeadingSilence;
    activeSynthesis = &synthesis;
    TextPieces pieces(request.text);
    TextPieces::Piece piece;
    while (!synthesis.failed && !channel.isCancelled() && pieces.next(piece)) {
        const QStringView text = QStringView(request.text).mid(piece.start, piece.length);
        marks.beginPiece(text, piece.start, synthesis.soundPosition());
        synthesis.cursor = CodePointCursor(text);
        synthesis.pieceSamples = 0;
        const unsigned flags = espeakCHARS_UTF8 | (piece.endsSentence ? espeakENDPAUSE : 0) |
                               (request.phonemes ? espeakPHONEMES : 0);
        const espeak_ERROR error =
            espeak_Synth(piece.utf8.constData(), size_t(piece.utf8.size() + 1), 0, POS_CHARACTER, 0,
                         flags, nullptr, nullptr);
        if (error != EE_OK)
            synthesis.failed = true;
        synthesis.sampleBase += synthesis.pieceSamples;
        if (!synthesis.failed && !channel.isCancelled())
            marks.endPiece(synthesis.soundPosition());
    }
    activeSynthesis = nullptr;

    channel.finish(synthesis.failed ? SpeechChannel::Result::Failed
                                    : SpeechChannel::Result::Completed);
}

namespace {

int synthCallback(short *samples, int count, espeak_EVENT *events)
{
    Q_ASSERT(onEngineThread);
    Synthesis *synthesis = activeSynthesis;
    if (!synthesis)
        return 0; // a throwaway synthesis
    SpeechChannel &channel = *synthesis->request->channel;
    if (samples && count > 0) {
        synthesis->pieceSamples += count;
        if (!synthesis->audible) {
            short *sound = std::find_if(samples, samples + count, [](short s) { return s != 0; });
            synthesis->leadingSilence += sound - samples;
            synthesis->audible = sound != samples + count;
            count -= int(sound - samples);
            samples = sound;
        }
    }
    for (; events && events->type != espeakEVENT_LIST_TERMINATED; ++events) {
        // A word of length 0 is one the engine reached without saying how long it is.
        if (events->type != espeakEVENT_WORD || events->length < 0)
            continue;
        const auto range = synthesis->cursor.map(events->text_position, events->length);
        const qint64 sample = synthesis->sampleBase + events->sample - synthesis->leadingSilence;
        if (range && !synthesis->marks->add(std::max<qint64>(sample, 0), *range))
            return 1;
    }
    if (samples && count > 0 && !channel.write(samples, count))
        return 1;
    return channel.isCancelled() ? 1 : 0;
}

} // namespace
