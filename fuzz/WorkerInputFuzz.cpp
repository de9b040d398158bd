// A render worker reads its runs from standard input. Its parent writes them,
// but anyone can start the program as a worker and write anything: whatever
// the bytes, the worker takes only whole runs within the protocol's bounds,
// each exactly as the parent would have written it, tells the end of its
// input from a fault, and allocates no more than a frame of the protocol
// holds (libFuzzer's memory limit stops any larger allocation).

#include "fuzz/FuzzInput.h"
#include "platform/speech/WorkerProtocol.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto end = qsizetype(size);
    qsizetype at = 0;
    const WorkerProtocol::Reader read = [&](char *into, qsizetype wanted) {
        const qsizetype count = std::min(wanted, end - at);
        if (count > 0)
            std::memcpy(into, data + at, size_t(count));
        at += count;
        return count;
    };
    for (;;) {
        const qsizetype start = at;
        QString fault;
        const std::optional<WorkerProtocol::Run> run = WorkerProtocol::readRun(read, fault);
        if (!run) {
            if (fault.isEmpty() != (start == end))
                fuzzFailure("the end of the input is told from a fault", fault);
            return 0;
        }
        if (run->text.size() > WorkerProtocol::MaximumRunText ||
            run->settings.voice.toUtf8().size() > WorkerProtocol::MaximumVoiceBytes ||
            !(run->settings == run->settings.clamped()))
            fuzzFailure("a run within the protocol's bounds", run->settings.voice);
        const QByteArray written(reinterpret_cast<const char *>(data + start), at - start);
        if (WorkerProtocol::runFrame(*run) != written)
            fuzzFailure("a run reads as its parent would have written it",
                        QString::fromLatin1(written.toHex()));
    }
}
