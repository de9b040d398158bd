#include "platform/speech/WorkerProtocol.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace WorkerProtocol {

namespace {

// Rate (quint16), pitch, intonation, volume, flags and the voice's length
// (quint8 each), then the voice (UTF-8) and the text (UTF-16) fill the rest.
constexpr qsizetype RunFixedSize = 2 + 1 + 1 + 1 + 1 + 1;
constexpr quint8 KeepLeadingSilence = 1;
constexpr quint8 Phonemes = 2;
static_assert(VoiceSettings::MaximumRate <= 0xFFFF && VoiceSettings::MaximumVolume <= 0xFF);

template<typename T>
void put(QByteArray &into, T value)
{
    const T little = qToLittleEndian(value);
    into.append(reinterpret_cast<const char *>(&little), sizeof little);
}

template<typename T>
T get(const char *from)
{
    return qFromLittleEndian<T>(from);
}

// The largest payload of each type, and whether a size is one of its own.
bool fits(FrameType type, qsizetype size)
{
    switch (type) {
    case FrameType::Run:
        return size >= RunFixedSize &&
               size <= RunFixedSize + MaximumVoiceBytes + MaximumRunText * 2;
    case FrameType::Samples:
        return size % 2 == 0 && size <= MaximumSamples * 2;
    case FrameType::Words:
        return size % WordMarkSize == 0 && size <= MaximumWords * WordMarkSize;
    case FrameType::End:
        return size == 0;
    case FrameType::Failed:
        return size <= MaximumMessageBytes;
    }
    return false;
}

} // namespace

void appendHeader(QByteArray &into, FrameType type, qsizetype payloadSize)
{
    put(into, Version);
    put(into, quint8(type));
    put(into, quint32(payloadSize));
}

std::optional<Header> decodeHeader(QByteArrayView bytes, Sender sender, QString &fault)
{
    if (bytes.size() < HeaderSize) {
        fault = u"the input ends inside a frame"_s;
        return std::nullopt;
    }
    const auto version = quint8(bytes[0]);
    if (version != Version) {
        fault = u"frame of protocol version %1, not %2"_s.arg(version).arg(Version);
        return std::nullopt;
    }
    const auto type = FrameType(quint8(bytes[1]));
    const bool known = sender == Sender::Parent
                           ? type == FrameType::Run
                           : type == FrameType::Samples || type == FrameType::Words ||
                                 type == FrameType::End || type == FrameType::Failed;
    if (!known) {
        fault = u"unexpected frame type %1"_s.arg(quint8(bytes[1]));
        return std::nullopt;
    }
    const quint32 size = get<quint32>(bytes.data() + 2);
    if (!fits(type, qsizetype(size))) {
        fault =
            u"frame of type %1 with a payload of %2 bytes"_s.arg(QChar(char16_t(type))).arg(size);
        return std::nullopt;
    }
    return Header{type, qsizetype(size)};
}

QByteArray runFrame(const Run &run)
{
    const QByteArray voice = run.settings.voice.toUtf8();
    if (voice.size() > MaximumVoiceBytes || run.text.size() > MaximumRunText)
        return {};
    const VoiceSettings settings = run.settings.clamped();
    const qsizetype size = RunFixedSize + voice.size() + run.text.size() * 2;
    QByteArray frame;
    frame.reserve(HeaderSize + size);
    appendHeader(frame, FrameType::Run, size);
    put(frame, quint16(std::lround(settings.rate)));
    put(frame, quint8(settings.pitch));
    put(frame, quint8(settings.intonation));
    put(frame, quint8(settings.volume));
    put(frame,
        quint8((run.trimLeadingSilence ? 0 : KeepLeadingSilence) | (run.phonemes ? Phonemes : 0)));
    put(frame, quint8(voice.size()));
    frame.append(voice);
    for (const QChar c : run.text)
        put(frame, c.unicode());
    return frame;
}

std::optional<Run> decodeRun(QByteArrayView payload, QString &fault)
{
    const auto refuse = [&fault](const QString &why) {
        fault = why;
        return std::nullopt;
    };
    if (payload.size() < RunFixedSize)
        return refuse(u"a run frame too short for its settings"_s);
    const char *at = payload.data();
    Run run;
    const quint16 rate = get<quint16>(at);
    const quint8 pitch = get<quint8>(at + 2);
    const quint8 intonation = get<quint8>(at + 3);
    const quint8 volume = get<quint8>(at + 4);
    const quint8 flags = get<quint8>(at + 5);
    const qsizetype voiceSize = get<quint8>(at + 6);
    if (rate < VoiceSettings::MinimumRate || rate > VoiceSettings::MaximumRate ||
        pitch > VoiceSettings::MaximumPitch || intonation > VoiceSettings::MaximumIntonation ||
        volume > VoiceSettings::MaximumVolume || (flags & ~(KeepLeadingSilence | Phonemes)) != 0)
        return refuse(u"voice settings out of their range"_s);
    const qsizetype textBytes = payload.size() - RunFixedSize - voiceSize;
    if (textBytes < 0 || textBytes % 2 != 0 || textBytes > MaximumRunText * 2)
        return refuse(u"a run frame whose voice and text do not fill it"_s);
    // A byte order mark is kept as the character it is, and refused.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString voice = decoder.decode(payload.sliced(RunFixedSize, voiceSize));
    if (decoder.hasError() ||
        !std::all_of(voice.begin(), voice.end(), [](QChar c) { return c.isPrint(); }))
        return refuse(u"a voice identifier that is no printable UTF-8"_s);
    run.settings = {voice, float(rate), pitch, intonation, volume};
    run.trimLeadingSilence = !(flags & KeepLeadingSilence);
    run.phonemes = (flags & Phonemes) != 0;
    const char *text = at + RunFixedSize + voiceSize;
    run.text.resize(textBytes / 2);
    for (qsizetype i = 0; i < run.text.size(); ++i)
        run.text[i] = QChar(get<char16_t>(text + 2 * i));
    return run;
}

void appendWords(QByteArray &into, const std::vector<SpeechChannel::Word> &words)
{
    appendHeader(into, FrameType::Words, qsizetype(words.size()) * WordMarkSize);
    for (const SpeechChannel::Word &word : words) {
        put(into, qint64(word.sample));
        put(into, quint32(word.range.location));
        put(into, quint32(word.range.length));
    }
}

std::vector<SpeechChannel::Word> decodeWords(QByteArrayView payload)
{
    std::vector<SpeechChannel::Word> words;
    words.reserve(size_t(payload.size() / WordMarkSize));
    for (qsizetype at = 0; at + WordMarkSize <= payload.size(); at += WordMarkSize) {
        const char *mark = payload.data() + at;
        words.push_back({get<qint64>(mark), {get<quint32>(mark + 8), get<quint32>(mark + 12)}});
    }
    return words;
}

void appendSamples(QByteArray &into, const qint16 *samples, qsizetype count)
{
    appendHeader(into, FrameType::Samples, count * 2);
    const qsizetype at = into.size();
    into.resize(at + count * 2);
    qToLittleEndian<qint16>(samples, count, into.data() + at);
}

void decodeSamples(QByteArray &payload)
{
    qFromLittleEndian<qint16>(payload.constData(), payload.size() / 2, payload.data());
}

QByteArray failedFrame(const QString &reason)
{
    QByteArray message = reason.toUtf8();
    if (message.size() > MaximumMessageBytes) {
        qsizetype end = MaximumMessageBytes;
        // Not inside a character: continuation bytes are 10xxxxxx.
        while (end > 0 && (quint8(message[end]) & 0xC0) == 0x80)
            --end;
        message.truncate(end);
    }
    QByteArray frame;
    appendHeader(frame, FrameType::Failed, message.size());
    return frame + message;
}

std::optional<Run> readRun(const Reader &read, QString &fault)
{
    char header[HeaderSize];
    const qsizetype got = read(header, HeaderSize);
    if (got == 0) {
        fault.clear();
        return std::nullopt;
    }
    const std::optional<Header> frame =
        decodeHeader(QByteArrayView(header, got), Sender::Parent, fault);
    if (!frame)
        return std::nullopt;
    QByteArray payload(frame->size, Qt::Uninitialized);
    if (read(payload.data(), payload.size()) != payload.size()) {
        fault = u"the input ends inside a frame"_s;
        return std::nullopt;
    }
    return decodeRun(payload, fault);
}

} // namespace WorkerProtocol
