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

// The engine wakes this process's writer when half the ring is full: each
// wake-up sends some 256 KB (six seconds of speech), which the parent takes
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
    std::vector<qint16> block(RingSamples);
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

        auto channel = std::make_shared<SpeechChannel>(RingSamples, WordCapacity);
        SpeechEngine &engine = SpeechEngines::forVoice(voice);
        engine.submit({.text = run->text,
                       .settings = run->settings,
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
            if (!words.empty())
                WorkerProtocol::appendWords(out, words);
            if (count > 0)
                WorkerProtocol::appendSamples(out, block.data(), count);
            if (!out.isEmpty() && !writeFully(output, out)) {
                written = false;
                break;
            }
            if (count <= 0)
                break;
        }
        if (!written) {
            engine.cancel(channel);
            status = 1;
            break;
        }
        QByteArray end;
        if (channel->result() == SpeechChannel::Result::Completed)
            WorkerProtocol::appendHeader(end, WorkerProtocol::FrameType::End, 0);
        else
            end = WorkerProtocol::failedFrame(channel->error());
        if (!writeFully(output, end)) {
            status = 1;
            break;
        }
    }
    SpeechEngines::shutDown();
    return status;
}
