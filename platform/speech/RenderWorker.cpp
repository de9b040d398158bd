#include "platform/speech/RenderWorker.h"

#include "platform/speech/SpeechEngine.h"
#include "platform/speech/SpeechEngines.h"
#include "platform/speech/VoiceSource.h"
#include "platform/speech/WorkerProtocol.h"
#include "platform/system/UniqueFd.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The engine wakes the run's reader when half the ring is full: each wake-up
// hands on some 256 KB (six seconds of speech), which a worker's parent takes
// in one read.
constexpr qsizetype RingSamples = WorkerProtocol::MaximumSamples;
constexpr qsizetype WordCapacity = WorkerProtocol::MaximumWords;

qsizetype readFully(int fd, char *into, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t count = ::read(fd, into + done, size_t(size - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        done += count;
    }
    return done;
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

// espeak-ng says on standard error which dictionaries are missing when it
// reads the voices (once per process), and the parent takes a worker's last
// line there for the reason it failed: while this worker, whose other
// threads are idle, reads them, that goes nowhere.
bool isListed(const QString &voice)
{
    const UniqueFd errors(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0));
    const UniqueFd nowhere(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    const bool quiet = errors && nowhere && ::dup2(nowhere.get(), STDERR_FILENO) >= 0;
    const bool listed = SpeechEngines::voices().hasVoice(voice);
    if (quiet)
        ::dup2(errors.get(), STDERR_FILENO);
    return listed;
}

int refuse(const QString &fault)
{
    std::fprintf(stderr, "tavorin: render worker: %s\n", fault.toUtf8().constData());
    return 2;
}

} // namespace

SpeechChannel::Result RenderWorker::render(SpeechEngine &engine, const WorkerProtocol::Run &run,
                                           const Delivery &deliver, QString &error)
{
    auto channel = std::make_shared<SpeechChannel>(RingSamples, WordCapacity);
    engine.submit({.text = run.text,
                   .settings = run.settings,
                   .channel = channel,
                   .trimLeadingSilence = run.trimLeadingSilence,
                   .phonemes = run.phonemes});
    std::vector<qint16> block(RingSamples);
    for (;;) {
        // What the channel holds when the engine wakes this thread (half
        // its ring) goes on as one block.
        const qsizetype count = channel->readWaiting(block.data(), qsizetype(block.size()));
        const std::vector<SpeechChannel::Word> words =
            channel->takeWords(std::numeric_limits<qint64>::max());
        if ((!words.empty() || count > 0) &&
            !deliver(words, block.data(), std::max<qsizetype>(count, 0))) {
            engine.cancel(channel);
            return SpeechChannel::Result::Cancelled;
        }
        if (count <= 0)
            break;
    }
    if (channel->result() == SpeechChannel::Result::Completed)
        return SpeechChannel::Result::Completed;
    error = channel->error();
    return SpeechChannel::Result::Failed;
}

int RenderWorker::run(int input, int output)
{
    // Ctrl+C on a terminal reaches the whole process group: the parent
    // decides what becomes of its workers.
    std::signal(SIGINT, SIG_IGN);
    // Large blocks through a large pipe: fewer wake-ups of the parent, whose
    // reader would otherwise share the cores with the workers for little.
    ::fcntl(output, F_SETPIPE_SZ, 1024 * 1024);
    const WorkerProtocol::Reader read = [input](char *into, qsizetype size) {
        return readFully(input, into, size);
    };
    QByteArray out; // its room is kept from one write to the next
    QString checkedVoice;
    int status = 0;
    for (;;) {
        QString fault;
        const std::optional<WorkerProtocol::Run> run = WorkerProtocol::readRun(read, fault);
        if (!run) {
            // The end of the input: the parent has no more runs, or is gone.
            if (!fault.isEmpty())
                status = refuse(fault);
            break;
        }
        // The voice reaches the engine, which would read any file it names:
        // only a listed one is taken, as on the command line.
        const QString &voice = run->settings.voice;
        if (!voice.isEmpty() && voice != checkedVoice) {
            if (!isListed(voice)) {
                status = refuse(u"unknown voice '%1'"_s.arg(voice));
                break;
            }
            checkedVoice = voice;
        }

        // The marks, then the samples, in one write.
        const auto send = [output, &out](const std::vector<SpeechChannel::Word> &words,
                                         const qint16 *samples, qsizetype count) {
            out.resize(0);
            if (!words.empty())
                WorkerProtocol::appendWords(out, words);
            if (count > 0)
                WorkerProtocol::appendSamples(out, samples, count);
            return writeFully(output, out);
        };
        QString error;
        const SpeechChannel::Result result =
            render(SpeechEngines::forVoice(voice), *run, send, error);
        if (result == SpeechChannel::Result::Cancelled) {
            status = 1;
            break;
        }
        QByteArray end;
        if (result == SpeechChannel::Result::Completed)
            WorkerProtocol::appendHeader(end, WorkerProtocol::FrameType::End, 0);
        else
            end = WorkerProtocol::failedFrame(error);
        if (!writeFully(output, end)) {
            status = 1;
            break;
        }
    }
    SpeechEngines::shutDown();
    return status;
}
