#include "platform/documents/PdfWorker.h"

#include "platform/documents/OutlineBounds.h"

#include "platform/documents/PdfText.h"
#include "platform/process/Process.h"
#include "platform/system/SystemError.h"
#include "platform/system/TextFile.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Documents::Pdf {

namespace {

enum FrameType : char {
    OpenedFrame = 'N',      // the page count
    OutlineFrame = 'O',     // the outline and information, before the pages
    PageFrame = 'P',        // one page, in order
    FailedFrame = 'F',      // a Failure: the read ends
    EndFrame = 'E',         // every page has been handed over
    RecognisingFrame = 'R', // the page now read from its picture
    NoteFrame = 'L',        // a line for the log
};
constexpr qsizetype HeaderSize = 1 + 4;
// The request starts with it: anything else on standard input is no
// request of ours.
constexpr quint32 RequestMark = 0x54504446;
// The worker's exit status when an allocation of C++ failed; Poppler's own
// allocator says "Out of memory" and aborts.
constexpr int OutOfMemoryStatus = 3;
// The document is written to the worker in pieces, with a look at Cancel
// between them.
constexpr qsizetype WriteChunk = 1024 * 1024;
// A line's box and the size of its text.
constexpr qsizetype LineHeaderSize = 4 * 8 + 4;

QByteArray frame(FrameType type, const QByteArray &payload)
{
    QByteArray result;
    result.reserve(HeaderSize + payload.size());
    result.append(char(type));
    const auto size = quint32(payload.size());
    result.append(reinterpret_cast<const char *>(&size), sizeof size);
    return result + payload;
}

void putText(QDataStream &out, const QString &text)
{
    out.writeBytes(reinterpret_cast<const char *>(text.utf16()),
                   uint(text.size() * qsizetype(sizeof(char16_t))));
}

// A text of at most what is left of the payload: a size that claims more
// allocates nothing.
bool takeText(QDataStream &in, qsizetype payloadSize, QString &text)
{
    quint32 bytes = 0;
    in >> bytes;
    const qsizetype left = payloadSize - in.device()->pos();
    if (in.status() != QDataStream::Ok || bytes % sizeof(char16_t) != 0 || qsizetype(bytes) > left)
        return false;
    text.resize(qsizetype(bytes / sizeof(char16_t)));
    return in.readRawData(reinterpret_cast<char *>(text.data()), int(bytes)) == int(bytes);
}

QByteArray encodePage(const Page &page)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << double(page.height) << qint32(page.lines.size());
    for (const Line &line : page.lines) {
        out << line.box.x() << line.box.y() << line.box.width() << line.box.height();
        putText(out, line.text);
    }
    return payload;
}

std::optional<Page> decodePage(const QByteArray &payload, int index)
{
    QDataStream in(payload);
    double height = 0;
    qint32 count = 0;
    in >> height >> count;
    if (count < 0 || count > payload.size() / LineHeaderSize)
        return std::nullopt;
    Page page;
    page.height = height;
    page.lines.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        double x = 0, y = 0, width = 0, lineHeight = 0;
        in >> x >> y >> width >> lineHeight;
        Line line{{}, QRectF(x, y, width, lineHeight), index};
        if (!takeText(in, payload.size(), line.text))
            return std::nullopt;
        page.lines.append(std::move(line));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return page;
}

QByteArray encodeOutline(const TextOutline &outline)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    putText(out, outline.metadata.title);
    putText(out, outline.metadata.author);
    out << qint32(outline.chapters.size());
    for (const TextChapter &chapter : outline.chapters) {
        out << qint32(chapter.offset) << qint32(chapter.depth);
        putText(out, chapter.title);
    }
    return payload;
}

// The outline as the worker found it, its pages in the document's range.
std::optional<TextOutline> decodeOutline(const QByteArray &payload, int pages)
{
    QDataStream in(payload);
    TextOutline outline;
    qint32 count = 0;
    if (!takeText(in, payload.size(), outline.metadata.title) ||
        !takeText(in, payload.size(), outline.metadata.author))
        return std::nullopt;
    in >> count;
    if (count < 0 || count > Outline::maximumChapters)
        return std::nullopt;
    for (qint32 i = 0; i < count; ++i) {
        qint32 page = 0;
        qint32 depth = 0;
        QString title;
        in >> page >> depth;
        if (!takeText(in, payload.size(), title) || page < 0 || page >= pages)
            return std::nullopt;
        outline.chapters.append({std::move(title), page, depth});
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return outline;
}

QByteArray encodeFailure(const Failure &failure)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << qint32(failure.kind) << qint32(failure.page);
    putText(out, failure.detail);
    return payload;
}

std::optional<Failure> decodeFailure(const QByteArray &payload)
{
    QDataStream in(payload);
    qint32 kind = 0;
    Failure failure;
    in >> kind >> failure.page;
    if (kind < 0 || kind > qint32(Failure::Kind::Unstarted) ||
        !takeText(in, payload.size(), failure.detail) || !in.atEnd())
        return std::nullopt;
    failure.kind = Failure::Kind(kind);
    return failure;
}

// The worker as the parent holds it: ended and reaped when let go, so that
// no child, descriptor or thread outlives the read.
class Session
{
public:
    Session(std::shared_ptr<Process> process, const Pipe &input, const Pipe &output,
            const Pipe &errors)
        : m_process(std::move(process))
        , m_toWorker(input.fileHandleForWriting())
        , m_fromWorker(output.fileHandleForReading())
        , m_errors(errors.fileHandleForReading())
    {}

    ~Session()
    {
        m_process->terminate();
        m_toWorker->closeFile();
        m_fromWorker->closeFile();
        m_process->waitUntilExit();
        m_errors->closeFile();
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    bool send(const QByteArray &request, const QByteArray &bytes, const Options &options)
    {
        bool sent = m_toWorker->writeData(request);
        for (qsizetype at = 0; sent && at < bytes.size(); at += WriteChunk) {
            if (options.cancelled())
                return false;
            sent = m_toWorker->writeData(QByteArray::fromRawData(
                bytes.constData() + at, std::min(WriteChunk, bytes.size() - at)));
        }
        m_toWorker->closeFile();
        return true;
    }

    FileHandle &fromWorker() { return *m_fromWorker; }

    // Why the worker ended before it had said so, while reading `page`.
    Failure ending(int page)
    {
        m_process->waitUntilExit();
        // Its end of the pipe never waits: whatever it said is all there.
        const QByteArray said = m_errors->readDataToEndOfFile();
        const int status = m_process->terminationStatus();
        if (m_process->terminationReason() == Process::TerminationReason::Exit) {
            if (status == OutOfMemoryStatus)
                return {Failure::Kind::Memory, {}, page};
            return {Failure::Kind::Crashed, u"exit status %1"_s.arg(status), page};
        }
        if (status == SIGXCPU)
            return {Failure::Kind::Time, {}, page};
        if (status == SIGABRT && (said.contains("Out of memory") || said.contains("bad_alloc")))
            return {Failure::Kind::Memory, {}, page};
        return {Failure::Kind::Crashed, Process::signalName(status), page};
    }

private:
    std::shared_ptr<Process> m_process;
    std::shared_ptr<FileHandle> m_toWorker;
    std::shared_ptr<FileHandle> m_fromWorker;
    std::shared_ptr<FileHandle> m_errors;
};

// The worker's own limits, set once the document has been read in.
void limitProcessorTime(int seconds)
{
    rusage used{};
    ::getrusage(RUSAGE_SELF, &used);
    rlimit limit{};
    ::getrlimit(RLIMIT_CPU, &limit);
    // Rounded up: the limit counts whole seconds.
    const auto spent = rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec + 1);
    limit.rlim_cur = std::min(spent + rlim_t(std::max(seconds, 1)), limit.rlim_max);
    ::setrlimit(RLIMIT_CPU, &limit);
}

void limitAddressSpace(qint64 budget)
{
    QFile status(u"/proc/self/status"_s);
    qint64 size = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmSize:"))
                size = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = std::min(rlim_t(size + std::max<qint64>(budget, 0)), limit.rlim_max);
    ::setrlimit(RLIMIT_AS, &limit);
}

} // namespace

std::optional<Failure> readPagesInWorker(const QString &program, const QByteArray &bytes,
                                         const Options &options, const PageSink &sink)
{
    auto process = std::make_shared<Process>();
    const auto input = std::make_shared<Pipe>();
    const auto output = std::make_shared<Pipe>();
    const auto errors = std::make_shared<Pipe>();
    // What the worker says on its way out ("Out of memory") is read once it
    // has ended, so its writes must never wait for room.
    ::fcntl(errors->fileHandleForWriting()->fileDescriptor(), F_SETFL, O_NONBLOCK);
    process->setLaunchPath(program);
    process->setArguments({QString::fromLatin1(pdfWorkerOption)});
    // Tesseract spreads a page over threads that wait for each other by
    // spinning: on a busy machine a page took four times the processor time
    // (and three times as long) as in one thread, and the time allowance is
    // counted in processor time. Its threads read the limit as the program
    // starts, so it is set for the worker from here.
    Process::Environment environment;
    for (char **entry = environ; *entry; ++entry) {
        const QString line = QString::fromLocal8Bit(*entry);
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            environment.insert(line.left(equals), line.mid(equals + 1));
    }
    environment.insert(u"OMP_THREAD_LIMIT"_s, u"1"_s);
    process->setEnvironment(environment);
    process->setStandardInput(input);
    process->setStandardOutput(output);
    process->setStandardError(errors);
    if (!process->launch())
        return Failure{Failure::Kind::Unstarted, process->errorString(), -1};
    Session worker(process, *input, *output, *errors);

    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    out << RequestMark << qint64(options.limits.maximumPageMemory)
        << qint32(options.limits.maximumPageSeconds)
        << qint32(options.limits.maximumOcrPageSeconds);
    putText(out, options.ocrLanguage);
    out.writeBytes(options.password.constData(), uint(options.password.size()));
    if (!worker.send(request, bytes, options))
        return Failure{Failure::Kind::Stopped, {}, -1};

    // A page is no larger than the text it may hold, nor than a worker can
    // make within its memory.
    const qint64 largestFrame = std::min<qint64>(
        qint64(options.limits.maximumText) * 4 + 1024 * 1024, options.limits.maximumPageMemory);
    // Processor time is the budget; a worker that is given none at all for
    // this long is as good as stuck.
    const qint64 patience = qint64(std::max({60, options.limits.maximumPageSeconds * 10,
                                             options.limits.maximumOcrPageSeconds * 10})) *
                            1000;
    const int fd = worker.fromWorker().fileDescriptor();
    int count = -1;
    int pages = 0;
    bool described = false;
    int recognising = -1;
    const auto reading = [&count, &pages] { return count < 0 ? -1 : pages; };
    const auto failed = [&](Failure failure) {
        failure.recognising = failure.page >= 0 && failure.page == recognising;
        return failure;
    };
    QByteArray buffer;
    QElapsedTimer quiet;
    quiet.start();
    for (;;) {
        if (options.cancelled())
            return Failure{Failure::Kind::Stopped, {}, reading()};
        pollfd ready{fd, POLLIN, 0};
        // A short wait, so that Cancel ends the worker at once.
        const int polled = ::poll(&ready, 1, 50);
        if (polled < 0 && errno != EINTR)
            return Failure{Failure::Kind::Crashed, systemError(), reading()};
        if (polled <= 0) {
            if (quiet.hasExpired(patience))
                return failed({Failure::Kind::Time, {}, reading()});
            continue;
        }
        const QByteArray data = worker.fromWorker().availableData();
        if (data.isEmpty())
            break;
        buffer += data;
        qsizetype at = 0;
        while (buffer.size() - at >= HeaderSize) {
            quint32 size = 0;
            std::memcpy(&size, buffer.constData() + at + 1, sizeof size);
            if (size > largestFrame)
                return Failure{Failure::Kind::Crashed, u"a page too large to take"_s, reading()};
            if (buffer.size() - at - HeaderSize < qsizetype(size))
                break;
            const char type = buffer.at(at);
            const QByteArray payload = buffer.mid(at + HeaderSize, size);
            at += HeaderSize + qsizetype(size);
            quiet.restart();
            if (type == OpenedFrame && count < 0 && payload.size() == sizeof(qint32)) {
                std::memcpy(&count, payload.constData(), sizeof count);
                if (count <= 0)
                    return Failure{Failure::Kind::Crashed, u"no pages"_s, -1};
                if (!sink.opened(count))
                    return std::nullopt;
            } else if (type == OutlineFrame && count > 0 && pages == 0 && !described) {
                std::optional<TextOutline> outline = decodeOutline(payload, count);
                if (!outline)
                    return Failure{Failure::Kind::Crashed, u"a broken outline"_s, reading()};
                described = true;
                if (sink.described)
                    sink.described(std::move(*outline));
            } else if (type == PageFrame && pages < count) {
                std::optional<Page> page = decodePage(payload, pages);
                if (!page)
                    return Failure{Failure::Kind::Crashed, u"a broken page"_s, reading()};
                ++pages;
                if (!sink.read(std::move(*page)))
                    return std::nullopt;
            } else if (type == RecognisingFrame && count > 0 && payload.size() == sizeof(qint32)) {
                std::memcpy(&recognising, payload.constData(), sizeof recognising);
                if (recognising != pages)
                    return Failure{Failure::Kind::Crashed, u"a frame out of place"_s, reading()};
                if (sink.recognising)
                    sink.recognising(recognising);
            } else if (type == NoteFrame && count > 0) {
                QDataStream in(payload);
                QString line;
                if (!takeText(in, payload.size(), line) || !in.atEnd())
                    return Failure{Failure::Kind::Crashed, u"a broken note"_s, reading()};
                if (sink.note)
                    sink.note(line);
            } else if (type == FailedFrame) {
                if (std::optional<Failure> failure = decodeFailure(payload))
                    return failure;
                return Failure{Failure::Kind::Crashed, u"a broken report"_s, reading()};
            } else if (type == EndFrame && pages == count) {
                return std::nullopt;
            } else {
                return Failure{Failure::Kind::Crashed, u"a frame out of place"_s, reading()};
            }
        }
        buffer.remove(0, at);
    }
    return failed(worker.ending(reading()));
}

int runWorker()
{
    // The reader ends when the program that asked for it does, and leaves
    // no core behind when a limit ends it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    // Ctrl+C on a terminal reaches the whole process group: the parent
    // decides what becomes of the read.
    std::signal(SIGINT, SIG_IGN);

    FileHandle in(STDIN_FILENO);
    QByteArray input;
    for (QByteArray data = in.availableData(); !data.isEmpty(); data = in.availableData()) {
        input += data;
        if (input.size() > TextFile::maximumSize + 1024 * 1024)
            return 2;
    }
    QDataStream request(input);
    quint32 mark = 0;
    qint64 memory = 0;
    qint32 seconds = 0;
    qint32 ocrSeconds = 0;
    request >> mark >> memory >> seconds >> ocrSeconds;
    Options options;
    // A language list is a few names; anything longer is no request.
    constexpr qsizetype LanguageListBytes = 1024;
    if (request.status() != QDataStream::Ok || mark != RequestMark ||
        !takeText(request, std::min(input.size(), LanguageListBytes), options.ocrLanguage))
        return 2;
    options.limits.maximumOcrPageSeconds = ocrSeconds;
    quint32 passwordSize = 0;
    request >> passwordSize;
    if (request.status() != QDataStream::Ok || passwordSize > quint32(maximumPasswordSize))
        return 2;
    options.password.resize(passwordSize);
    if (request.readRawData(options.password.data(), int(passwordSize)) != int(passwordSize))
        return 2;
    // The document is what follows, kept where it is.
    input.remove(0, qsizetype(request.device()->pos()));

    std::set_new_handler([] { ::_exit(OutOfMemoryStatus); });
    limitAddressSpace(memory);
    limitProcessorTime(seconds);
    FileHandle out(STDOUT_FILENO);
    bool written = true;
    const PageSink sink{
        [&](int count) {
            written = out.writeData(frame(
                OpenedFrame, QByteArray(reinterpret_cast<const char *>(&count), sizeof count)));
            return written;
        },
        [seconds](int) { limitProcessorTime(seconds); },
        [&](Page page) {
            written = out.writeData(frame(PageFrame, encodePage(page)));
            return written;
        },
        [&](const TextOutline &outline) {
            written = written && out.writeData(frame(OutlineFrame, encodeOutline(outline)));
        },
        [&, ocrSeconds](int index) {
            limitProcessorTime(ocrSeconds);
            written = written &&
                      out.writeData(
                          frame(RecognisingFrame,
                                QByteArray(reinterpret_cast<const char *>(&index), sizeof index)));
        },
        [&](const QString &line) {
            QByteArray payload;
            QDataStream note(&payload, QIODevice::WriteOnly);
            putText(note, line);
            written = written && out.writeData(frame(NoteFrame, payload));
        }};
    const std::optional<Failure> failure = readPages(input, options, sink);
    if (!written)
        return 1;
    return out.writeData(failure ? frame(FailedFrame, encodeFailure(*failure))
                                 : frame(EndFrame, {}))
               ? 0
               : 1;
}

} // namespace Documents::Pdf
