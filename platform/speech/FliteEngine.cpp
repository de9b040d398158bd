#include "platform/speech/FliteEngine.h"

#include "platform/speech/CodePointCursor.h"
#include "platform/speech/FliteVoiceSource.h"
#include "platform/speech/SpeechChannel.h"
#include "platform/speech/TextPieces.h"
#include "platform/speech/WordMarks.h"
#include "platform/system/Log.h"

#include <flite/flite.h>

extern "C" {
#include <flite/cst_cg.h>

cst_voice *register_cmu_us_slt(const char *voxdir);
void unregister_cmu_us_slt(cst_voice *voice);
cst_voice *register_cmu_us_rms(const char *voxdir);
void unregister_cmu_us_rms(cst_voice *voice);
cst_voice *register_cmu_us_awb(const char *voxdir);
void unregister_cmu_us_awb(cst_voice *voice);
cst_voice *register_cmu_us_kal16(const char *voxdir);
void unregister_cmu_us_kal16(cst_voice *voice);
cst_voice *register_cmu_us_kal(const char *voxdir);
void unregister_cmu_us_kal(cst_voice *voice);
}

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The general voices of Debian's libflite1, the default first. Its
// cmu_time_awb is left out: it only says the time of day.
struct KnownVoice
{
    const char *name;
    cst_voice *(*registerVoice)(const char *);
    void (*unregisterVoice)(cst_voice *);
    bool female;
};
const KnownVoice knownVoices[] = {
    {"slt", &register_cmu_us_slt, &unregister_cmu_us_slt, true},
    {"rms", &register_cmu_us_rms, &unregister_cmu_us_rms, false},
    {"awb", &register_cmu_us_awb, &unregister_cmu_us_awb, false},
    {"kal16", &register_cmu_us_kal16, &unregister_cmu_us_kal16, false},
    {"kal", &register_cmu_us_kal, &unregister_cmu_us_kal, false},
};

// An utterance's sound starts only once flite has analysed all of it (a
// diphone voice's once it has made all of it): a long sentence is cut at the
// end of a phrase from 40 tokens on, and anywhere at 80 (flite's own bound
// is 500, half a second of analysis for slt before its first sound).
constexpr int MaximumTokens = 80;
constexpr int PhraseTokens = 40;
// How much sound flite makes between two hand-overs, in seconds.
constexpr double StreamSeconds = 0.05;
// Measured: clustergen voices render some 80 times faster than they speak,
// diphone voices as fast as espeak-ng.
constexpr int ClustergenCharactersPerSecond = 1200;
constexpr int DiphoneCharactersPerSecond = 16 * 1024;

// True on the engine thread, the one thread that may call flite.
thread_local bool onEngineThread = false;

// The speech being made, for the stream callback. Engine thread only.
struct Speech
{
    SpeechChannel *channel = nullptr;
    WordMarks *marks = nullptr;
    int sampleRate = 0;
    float gain = 1.0f;
    // The opening pause of the next utterance is left out (the speech's first).
    bool trimOpening = true;
    qint64 position = 0; // samples handed to the channel
    bool stopped = false;
    bool failed = false;

    // The piece being spoken, and the walk from its bytes to its characters.
    QByteArrayView utf8;
    qsizetype byte = 0;
    qint64 codePoint = 0;
    CodePointCursor characters{QStringView()};

    // The utterance being made.
    cst_utterance *utterance = nullptr;
    qint64 utteranceStart = 0; // where its sound begins, before the skip
    qint64 skip = 0;           // its first samples left out
    qint64 streamed = 0;       // its samples seen
    bool reported = false;
    std::vector<qint16> scaled;

    qint64 codePointAt(qsizetype at)
    {
        if (at < byte) {
            byte = 0;
            codePoint = 0;
        }
        for (; byte < at && byte < utf8.size(); ++byte)
            codePoint += (quint8(utf8[byte]) & 0xC0) != 0x80;
        return codePoint;
    }
};

// Passes on samples of the utterance, less those skipped, at the volume asked.
bool hand(Speech &speech, const short *samples, qint64 count)
{
    const qint64 skipped = std::clamp<qint64>(speech.skip - speech.streamed, 0, count);
    speech.streamed += count;
    samples += skipped;
    count -= skipped;
    if (count <= 0)
        return !speech.channel->isCancelled();
    if (speech.gain != 1.0f) {
        speech.scaled.resize(size_t(count));
        std::transform(samples, samples + count, speech.scaled.begin(), [&](short sample) {
            return qint16(std::clamp(std::lround(float(sample) * speech.gain),
                                     long(std::numeric_limits<qint16>::min()),
                                     long(std::numeric_limits<qint16>::max())));
        });
        samples = speech.scaled.data();
    }
    if (!speech.channel->write(samples, count))
        return false;
    speech.position += count;
    return true;
}

// The sample where a segment begins, in the speech.
qint64 sampleBefore(const Speech &speech, const cst_item *segment)
{
    const cst_item *previous = item_prev(segment);
    const double seconds = previous ? get_param_float(item_feats(previous), "end", 0.0f) : 0.0;
    const qint64 at = speech.utteranceStart + std::llround(seconds * speech.sampleRate);
    return std::max<qint64>(at - speech.skip, speech.utteranceStart);
}

// Once the utterance's durations are known: each token that is said is
// reported where its first segment begins, with the token's place in the
// piece that it was given from.
bool report(Speech &speech, cst_utterance *utterance)
{
    speech.reported = true;
    const cst_item *first = relation_head(utt_relation(utterance, "Segment"));
    if (speech.trimOpening && first &&
        std::strcmp(get_param_string(item_feats(first), "name", ""), "pau") == 0)
        speech.skip = std::llround(get_param_float(item_feats(first), "end", 0.0f) *
                                   float(speech.sampleRate));
    speech.trimOpening = false;
    for (const cst_item *token = relation_head(utt_relation(utterance, "Token")); token;
         token = item_next(token)) {
        const int at = get_param_int(item_feats(token), "file_pos", -1);
        const cst_item *segment = nullptr;
        for (const cst_item *word = item_daughter(token); word && !segment; word = item_next(word))
            segment = flite_path_to_item(word, "R:SylStructure.daughter1.daughter1");
        if (at < 0 || !segment)
            continue;
        const qint64 start = speech.codePointAt(at);
        const auto length = qint64(std::strlen(get_param_string(item_feats(token), "name", "")));
        const auto range =
            speech.characters.map(start + 1, speech.codePointAt(at + length) - start);
        if (range && !speech.marks->add(sampleBefore(speech, item_as(segment, "Segment")), *range))
            return false;
    }
    return true;
}

int streamCallback(const cst_wave *wave, int start, int size, int, cst_audio_streaming_info *info)
{
    Q_ASSERT(onEngineThread);
    auto *speech = static_cast<Speech *>(info->userdata);
    if (!speech)
        return CST_AUDIO_STREAM_CONT;
    if (!speech->reported && !report(*speech, speech->utterance))
        return CST_AUDIO_STREAM_STOP;
    return hand(*speech, wave->samples + start, size) ? CST_AUDIO_STREAM_CONT
                                                      : CST_AUDIO_STREAM_STOP;
}

// flite ends the process on an error inside (cst_error) unless it has a
// place to jump back to. What it had made of the utterance is then lost.
cst_utterance *synthesizeGuarded(cst_utterance *utterance, cst_voice *voice)
{
    jmp_buf failed;
    jmp_buf *outer = cst_errjmp;
    cst_errjmp = &failed;
    cst_utterance *volatile made = nullptr;
    if (setjmp(failed) == 0)
        made = flite_do_synth(utterance, voice, &utt_synth_tokens);
    cst_errjmp = outer;
    return made;
}

void speakUtterance(Speech &speech, cst_voice *voice, cst_utterance *utterance)
{
    speech.utterance = utterance;
    speech.utteranceStart = speech.position;
    speech.skip = 0;
    speech.streamed = 0;
    speech.reported = false;
    cst_utterance *made = synthesizeGuarded(utterance, voice);
    speech.utterance = nullptr;
    if (!made) {
        speech.failed = !speech.channel->isCancelled();
        speech.stopped = true;
        return;
    }
    if (feat_present(made->features, "Interrupted")) {
        speech.stopped = true;
    } else {
        // A voice that does not stream leaves its sound in the utterance.
        const cst_wave *wave = utt_wave(made);
        speech.stopped =
            (!speech.reported && !report(speech, made)) ||
            (wave && wave->num_samples > speech.streamed &&
             !hand(speech, wave->samples + speech.streamed, wave->num_samples - speech.streamed));
    }
    delete_utterance(made);
    speech.stopped = speech.stopped || speech.channel->isCancelled();
}

// Voices keep their rate in data of their own kind; the sound of a pause
// says it for any of them.
int sampleRateOf(cst_voice *voice)
{
    cst_utterance *pause = flite_synth_phones("pau", voice);
    const cst_wave *wave = pause ? utt_wave(pause) : nullptr;
    const int rate = wave ? wave->sample_rate : 0;
    if (pause)
        delete_utterance(pause);
    return rate;
}

bool endsPhrase(const cst_item *token)
{
    const char *punctuation = get_param_string(item_feats(token), "punc", "");
    return std::strpbrk(punctuation, ",;") != nullptr;
}

// flite's tokenizer writes past the end of its punctuation buffer when some
// three hundred marks stand together ("!!!!" after a word): longer runs are
// broken with a space, which keeps every byte where it was for the marks.
QByteArray withShortPunctuationRuns(QByteArray utf8, const char *pre, const char *post)
{
    constexpr int Longest = 64;
    int run = 0;
    for (char &c : utf8) {
        if (c == '\0' || (!std::strchr(pre, c) && !std::strchr(post, c))) {
            run = 0;
        } else if (++run > Longest) {
            c = ' ';
            run = 0;
        }
    }
    return utf8;
}

// Gathers the piece's tokens into utterances where the voice's language
// breaks them (at the end of a sentence) and speaks each in turn.
void speakPiece(Speech &speech, cst_voice *voice, const QByteArray &piece)
{
    cst_features *features = voice->features;
    const char *prepunctuation =
        get_param_string(features, "text_prepunctuation", cst_ts_default_prepunctuationsymbols);
    const char *postpunctuation =
        get_param_string(features, "text_postpunctuation", cst_ts_default_postpunctuationsymbols);
    const QByteArray utf8 = withShortPunctuationRuns(piece, prepunctuation, postpunctuation);
    cst_tokenstream *tokens = ts_open_string(
        utf8.constData(),
        get_param_string(features, "text_whitespace", cst_ts_default_whitespacesymbols),
        get_param_string(features, "text_singlecharsymbols", cst_ts_default_singlecharsymbols),
        prepunctuation, postpunctuation);
    if (!tokens) {
        speech.failed = speech.stopped = true;
        return;
    }
    const cst_breakfunc breaksBefore = feat_present(features, "utt_break")
                                           ? val_breakfunc(feat_val(features, "utt_break"))
                                           : &default_utt_break;
    cst_utterance *utterance = nullptr;
    cst_relation *gathered = nullptr;
    int count = 0;
    qsizetype searchFrom = 0;
    while (!speech.stopped && !ts_eof(tokens)) {
        const char *token = ts_get(tokens);
        if (*token == '\0')
            continue;
        if (utterance && (count >= MaximumTokens || breaksBefore(tokens, token, gathered) ||
                          (count >= PhraseTokens && endsPhrase(relation_tail(gathered))))) {
            speakUtterance(speech, voice, utterance);
            utterance = nullptr;
            if (speech.stopped)
                break;
        }
        if (!utterance) {
            utterance = new_utterance();
            gathered = utt_relation_create(utterance, "Token");
            count = 0;
        }
        cst_item *item = relation_append(gathered, nullptr);
        item_set_string(item, "name", token);
        item_set_string(item, "whitespace", tokens->whitespace);
        item_set_string(item, "prepunctuation", tokens->prepunctuation);
        item_set_string(item, "punc", tokens->postpunctuation);
        // The token is the text as written, less the punctuation around it.
        const char *found = std::strstr(utf8.constData() + searchFrom, token);
        item_set_int(item, "file_pos", found ? int(found - utf8.constData()) : -1);
        if (found)
            searchFrom = found - utf8.constData() + qsizetype(std::strlen(token));
        ++count;
    }
    if (utterance && !speech.stopped)
        speakUtterance(speech, voice, utterance);
    else if (utterance)
        delete_utterance(utterance);
    ts_close(tokens);
}

} // namespace

FliteEngine::FliteEngine()
    : m_thread([this] { return start(); }, [this] { stop(); })
{}

const std::vector<FliteEngine::Voice> &FliteEngine::catalogue()
{
    m_thread.started();
    return m_catalogue;
}

QString FliteEngine::name() const
{
    return QStringLiteral("flite");
}

const VoiceSource &FliteEngine::voices()
{
    static const FliteVoiceSource source;
    return source;
}

int FliteEngine::sampleRate(const QString &voice)
{
    const qsizetype index = indexOf(voice);
    return index < 0 ? 0 : m_catalogue[size_t(index)].sampleRate;
}

int FliteEngine::charactersPerSecond(const QString &voice)
{
    const qsizetype index = indexOf(voice);
    return index < 0 ? DiphoneCharactersPerSecond : m_catalogue[size_t(index)].charactersPerSecond;
}

qsizetype FliteEngine::indexOf(const QString &identifier)
{
    if (catalogue().empty())
        return -1;
    const QLatin1StringView prefix(IdentifierPrefix);
    if (identifier.startsWith(prefix)) {
        const QStringView name = QStringView(identifier).mid(prefix.size());
        for (size_t i = 0; i < m_catalogue.size(); ++i) {
            if (m_catalogue[i].name == name)
                return qsizetype(i);
        }
    }
    return 0;
}

bool FliteEngine::start()
{
    onEngineThread = true;
    flite_init();
    for (const KnownVoice &known : knownVoices) {
        cst_voice *voice = known.registerVoice(nullptr);
        if (!voice)
            continue;
        cst_features *features = voice->features;
        Loaded loaded;
        loaded.voice = voice;
        loaded.unregister = known.unregisterVoice;
        loaded.durationStretch = get_param_float(features, "duration_stretch", 1.0f);
        // Diphone voices say their pitch; clustergen ones keep it in their
        // model, and some make a contour there that no setting reaches (rms):
        // those speak with the pitch model that every clustergen voice has.
        const cst_val *modelValue = get_param_val(features, "cg_db", nullptr);
        const cst_cg_db *model = modelValue ? val_cg_db(modelValue) : nullptr;
        loaded.f0Mean =
            get_param_float(features, "int_f0_target_mean", model ? model->f0_mean : 0.0f);
        loaded.f0Stddev =
            get_param_float(features, "int_f0_target_stddev", model ? model->f0_stddev : 0.0f);
        if (model && model->spamf0) {
            loaded.model = std::make_shared<cst_cg_db>(*model);
            loaded.model->spamf0 = 0;
            feat_set(features, "cg_db", cg_db_val(loaded.model.get()));
        }
        const int sampleRate = sampleRateOf(voice);
        if (sampleRate <= 0) {
            known.unregisterVoice(voice);
            continue;
        }
        cst_audio_streaming_info *stream = new_audio_streaming_info();
        stream->asc = &streamCallback;
        stream->min_buffsize = int(sampleRate * StreamSeconds);
        feat_set(features, "streaming_info", audio_streaming_info_val(stream));
        m_loaded.push_back(loaded);
        m_catalogue.push_back({QString::fromLatin1(known.name), u"English, US"_s, known.female,
                               sampleRate,
                               model ? ClustergenCharactersPerSecond : DiphoneCharactersPerSecond});
    }
    if (m_catalogue.empty())
        Log::write(u"flite has no voices: its voices are not offered"_s);
    return !m_catalogue.empty();
}

void FliteEngine::stop()
{
    for (const Loaded &loaded : m_loaded)
        loaded.unregister(loaded.voice);
}

void FliteEngine::synthesize(const Request &request)
{
    Q_ASSERT(onEngineThread);
    SpeechChannel &channel = *request.channel;
    const VoiceSettings settings = request.settings.clamped();
    const qsizetype index = indexOf(settings.voice);
    const Loaded &loaded = m_loaded[size_t(index)];
    cst_features *features = loaded.voice->features;
    // The rate's default is flite's own pace; the pitch moves half an octave
    // either way, the intonation from a monotone to twice the voice's range.
    feat_set_float(features, "duration_stretch",
                   loaded.durationStretch * VoiceSettings::DefaultRate / settings.rate);
    if (loaded.f0Mean > 0.0f) {
        const double pitch = double(settings.pitch - VoiceSettings::DefaultPitch) /
                             (2.0 * (VoiceSettings::MaximumPitch - VoiceSettings::DefaultPitch));
        feat_set_float(features, "int_f0_target_mean", loaded.f0Mean * float(std::exp2(pitch)));
        feat_set_float(features, "int_f0_target_stddev",
                       loaded.f0Stddev * float(settings.intonation) /
                           float(VoiceSettings::DefaultIntonation));
    }

    WordMarks marks(
        [&channel](qint64 sample, CharacterRange range) { return channel.addWord(sample, range); });
    Speech speech;
    speech.channel = &channel;
    speech.marks = &marks;
    speech.sampleRate = m_catalogue[size_t(index)].sampleRate;
    speech.gain = float(settings.volume) / float(VoiceSettings::DefaultVolume);
    speech.trimOpening = request.trimLeadingSilence;
    cst_audio_streaming_info *stream =
        val_audio_streaming_info(get_param_val(features, "streaming_info", nullptr));
    stream->userdata = &speech;
    TextPieces pieces(request.text);
    TextPieces::Piece piece;
    while (!speech.stopped && pieces.next(piece)) {
        const QStringView text = QStringView(request.text).mid(piece.start, piece.length);
        marks.beginPiece(text, piece.start, speech.position);
        speech.utf8 = piece.utf8;
        speech.byte = 0;
        speech.codePoint = 0;
        speech.characters = CodePointCursor(text);
        speakPiece(speech, loaded.voice, piece.utf8);
        if (!speech.stopped && !marks.endPiece(speech.position))
            speech.stopped = true;
    }
    stream->userdata = nullptr;
    if (speech.failed)
        Log::write(u"flite could not say a part of the text"_s);
    channel.finish(speech.failed ? SpeechChannel::Result::Failed
                                 : SpeechChannel::Result::Completed);
}
