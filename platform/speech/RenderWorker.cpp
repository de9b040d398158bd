#include "platform/speech/RenderWorker.h"

#include "platform/speech/EspeakEngine.h"
#include "platform/speech/SpeechChannel.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The engine wakes this process's writer when half the ring is full: each
// wake-up sends some 256 KB (six seconds of speech), which the parent takes
// in one read.
constexpr qsizetype RingSamples = 256 * 1024;
constexpr qsizetype WordCapacity = 4096;

template<typename T>
void put(QByteArray &into, T value)
{
    into.append(reinterpret_cast<const char *>(&value), sizeof value);
}

template<typename T>
bool take(const QByteArray &from, qsizetype &at, T &value)
{
    if (from.size() - at < qsizetype(sizeof value))
        return false;
    std::memcpy(&value, from.constData() + at, sizeof value);
    at += qsizetype(sizeof value);
    return true;
}

void putHeader(QByteArray &into, RenderWorker::FrameType type, qsizetype payloadSize)
{
    into.append(char(type));
    put(into, quint32(payloadSize));
}

bool readFully(int fd, char *into, qsizetype size)
{
    while (size > 0) {
        const ssize_t count = ::read(fd, into, size_t(size));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        into += count;
        size -= count;
    }
    return true;
}

bool writeFully(int fd, const QByteArray &data)
{
    const char *from = data.constData();
    qsizetype size = data.size();
    while (size > 0) {
        const ssize_t count = ::write(fd, from, size_t(size));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        from += count;
        size -= count;
    }
    return true;
}

} // namespace

QByteArray RenderWorker::frame(FrameType type, const QByteArray &payload)
{
    QByteArray result;
    result.reserve(HeaderSize + payload.size());
    putHeader(result, type, payload.size());
    result.append(payload);
    return result;
}

QByteArray RenderWorker::encode(const Run &run)
{
    QByteArray payload;
    const QByteArray voice = run.voice.toUtf8();
    put(payload, qint32(run.rate));
    put(payload, qint32(run.pitch));
    put(payload, qint32(run.intonation));
    put(payload, qint32(run.volume));
    put(payload, quint8(run.trimLeadingSilence));
    put(payload, quint32(voice.size()));
    payload.append(voice);
    payload.append(reinterpret_cast<const char *>(run.text.utf16()),
                   run.text.size() * qsizetype(sizeof(char16_t)));
    return payload;
}

std::optional<RenderWorker::Run> RenderWorker::decode(const QByteArray &payload)
{
    Run run;
    qsizetype at = 0;
    qint32 rate = 0;
    qint32 pitch = 0;
    qint32 intonation = 0;
    qint32 volume = 0;
    quint8 trim = 0;
    quint32 voiceSize = 0;
    if (!take(payload, at, rate) || !take(payload, at, pitch) || !take(payload, at, intonation) ||
        !take(payload, at, volume) || !take(payload, at, trim) || !take(payload, at, voiceSize) ||
        payload.size() - at < qsizetype(voiceSize) ||
        (payload.size() - at - qsizetype(voiceSize)) % qsizetype(sizeof(char16_t)) != 0)
        return std::nullopt;
    run.rate = rate;
    run.pitch = pitch;
    run.intonation = intonation;
    run.volume = volume;
    run.trimLeadingSilence = trim != 0;
    run.voice = QString::fromUtf8(payload.constData() + at, qsizetype(voiceSize));
    at += qsizetype(voiceSize);
    run.text = QString(reinterpret_cast<const QChar *>(payload.constData() + at),
                       (payload.size() - at) / qsizetype(sizeof(char16_t)));
    return run;
}

int RenderWorker::run(int input, int output)
{
    // Ctrl+C on a terminal reaches the whole process group: the parent
    // decides what becomes of its workers.
    std::signal(SIGINT, SIG_IGN);
    // A test makes a worker crash on its first run.
    const bool crash = qEnvironmentVariableIsSet("TAVORIN_TEST_WORKER_CRASH");
    // Large blocks through a large pipe: fewer wake-ups of the parent, whose
    // reader would otherwise share the cores with the workers for little.
    ::fcntl(output, F_SETPIPE_SZ, 1024 * 1024);
    std::vector<qint16> block(RingSamples);
    QByteArray out; // its room is kept from one write to the next
    int status = 0;
    for (;;) {
        char header[HeaderSize];
        if (!readFully(input, header, HeaderSize))
            break; // the parent has no more runs, or is gone
        quint32 size = 0;
        std::memcpy(&size, header + 1, sizeof size);
        QByteArray payload(qsizetype(size), Qt::Uninitialized);
        std::optional<Run> run;
        if (header[0] == RunFrame && readFully(input, payload.data(), payload.size()))
            run = decode(payload);
        if (!run) {
            status = 2;
            break;
        }
        if (crash) {
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            std::abort();
        }

        auto channel = std::make_shared<SpeechChannel>(RingSamples, WordCapacity);
        EspeakEngine::instance().submit({.text = run->text,
                                         .voice = run->voice,
                                         .rate = run->rate,
                                         .pitch = run->pitch,
                                         .intonation = run->intonation,
                                         .volume = run->volume,
                                         .channel = channel,
                                         .trimLeadingSilence = run->trimLeadingSilence});
        bool written = true;
        for (;;) {
            // What the channel holds when the producer wakes this thread (half
            // its ring) goes out as one write: the marks, then the samples.
            const qsizetype count = channel->readWaiting(block.data(), qsizetype(block.size()));
            out.resize(0);
            const std::vector<SpeechChannel::Word> words =
                channel->takeWords(std::numeric_limits<qint64>::max());
            if (!words.empty()) {
                putHeader(out, WordFrame, qsizetype(words.size()) * WordMarkSize);
                for (const SpeechChannel::Word &word : words) {
                    put(out, qint64(word.sample));
                    put(out, quint32(word.range.location));
                    put(out, quint32(word.range.length));
                }
            }
            if (count > 0) {
                const qsizetype bytes = count * qsizetype(sizeof(qint16));
                putHeader(out, SamplesFrame, bytes);
                out.append(reinterpret_cast<const char *>(block.data()), bytes);
            }
            if (!out.isEmpty() && !writeFully(output, out)) {
                written = false;
                break;
            }
            if (count <= 0)
                break;
        }
        if (!written) {
            EspeakEngine::instance().cancel(channel);
            status = 1;
            break;
        }
        const bool completed = channel->result() == SpeechChannel::Result::Completed;
        if (!writeFully(output, completed ? frame(EndFrame, {})
                                          : frame(FailedFrame, channel->error().toUtf8()))) {
            status = 1;
            break;
        }
    }
    EspeakEngine::shutDown();
    return status;
}
