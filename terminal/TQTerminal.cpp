#include "terminal/TQTerminal.h"

#include "platform/system/Bundle.h"
#include "platform/system/Log.h"
#include "terminal/DirectoryMarkerFilter.h"
#include "terminal/Utf8StreamDecoder.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QRegularExpression>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

const QString LaunchPath = u"/usr/bin/env"_s;

// Reads both streams while the program runs, so that one that fills either
// pipe before it exits cannot stall the call.
QString runToEnd(Process &process, const Pipe &output, const Pipe &error)
{
    auto [outputBytes, errorBytes] = FileHandle::readDataToEndOfFile(*output.fileHandleForReading(),
                                                                     *error.fileHandleForReading());
    process.waitUntilExit();
    return QString::fromUtf8(outputBytes) + QString::fromUtf8(errorBytes);
}

std::optional<QString> launchAndRead(Process &process)
{
    auto output = std::make_shared<Pipe>();
    auto error = std::make_shared<Pipe>();
    process.setStandardOutput(output);
    process.setStandardError(error);
    if (!process.launch())
        return std::nullopt;
    return runToEnd(process, *output, *error);
}

// The double-quoted body of an argument: a double quote escaped, a run of
// backslashes kept before $ and ` (where it escapes the expansion) and
// doubled elsewhere, so that bash takes it away again.
QString doubleQuotedBody(const QString &argument)
{
    QString body;
    body.reserve(argument.size());
    const qsizetype size = argument.size();
    for (qsizetype i = 0; i < size;) {
        if (argument.at(i) == u'\\') {
            qsizetype end = i;
            while (end < size && argument.at(end) == u'\\')
                ++end;
            const bool escapesExpansion =
                end < size && (argument.at(end) == u'$' || argument.at(end) == u'`');
            body += QString(escapesExpansion ? end - i : 2 * (end - i), u'\\');
            i = end;
            continue;
        }
        if (argument.at(i) == u'"')
            body += u"\\\""_s;
        else
            body += argument.at(i);
        ++i;
    }
    return body;
}

// Finds where an expansion that starts inside `text` ends, reading as bash
// does; -1 when nothing closes it. Deeper nesting than any real command line
// counts as unclosed, which keeps the recursion bounded.
class ExpansionScanner
{
public:
    explicit ExpansionScanner(QStringView text)
        : m_text(text)
    {}

    // After an opening backquote.
    qsizetype backquoted(qsizetype i) const
    {
        while (i < m_text.size()) {
            if (at(i) == u'\\')
                i += 2;
            else if (at(i) == u'`')
                return i + 1;
            else
                ++i;
        }
        return -1;
    }

    // After "$(".
    qsizetype command(qsizetype i, int depth) const
    {
        int parentheses = 1;
        while (i >= 0 && i < m_text.size()) {
            const QChar c = at(i);
            if (c == u'(') {
                ++parentheses;
                ++i;
            } else if (c == u')') {
                if (--parentheses == 0)
                    return i + 1;
                ++i;
            } else if (c == u'\'') {
                i = singleQuoted(i + 1);
            } else {
                i = common(i, depth);
            }
        }
        return -1;
    }

    // After "${", or after "$[" (the old arithmetic form, where brackets
    // nest) up to "]".
    qsizetype parameter(qsizetype i, int depth, QChar closing = u'}') const
    {
        int brackets = 1;
        while (i >= 0 && i < m_text.size()) {
            if (closing == u']' && at(i) == u'[')
                ++brackets;
            if (at(i) == closing && --brackets == 0)
                return i + 1;
            i = at(i) == u'\'' ? singleQuoted(i + 1) : common(i, depth);
        }
        return -1;
    }

    // An expansion starting at i ("$(", "${", "$[" or a backquote), or -1.
    qsizetype expansion(qsizetype i, int depth) const
    {
        if (depth > MaximumDepth)
            return -1;
        if (at(i) == u'`')
            return backquoted(i + 1);
        if (i + 1 >= m_text.size())
            return -1;
        if (at(i + 1) == u'(')
            return command(i + 2, depth + 1);
        if (at(i + 1) == u'[')
            return parameter(i + 2, depth + 1, u']');
        return parameter(i + 2, depth + 1);
    }

    bool opensExpansion(qsizetype i) const
    {
        return at(i) == u'`' || (at(i) == u'$' && i + 1 < m_text.size() &&
                                 (at(i + 1) == u'(' || at(i + 1) == u'{' || at(i + 1) == u'['));
    }

private:
    static constexpr int MaximumDepth = 64;

    QChar at(qsizetype i) const { return m_text.at(i); }

    qsizetype singleQuoted(qsizetype i) const
    {
        const qsizetype end = m_text.sliced(i).indexOf(u'\'');
        return end < 0 ? -1 : i + end + 1;
    }

    // After an opening double quote.
    qsizetype doubleQuoted(qsizetype i, int depth) const
    {
        while (i >= 0 && i < m_text.size()) {
            if (at(i) == u'"')
                return i + 1;
            i = common(i, depth);
        }
        return -1;
    }

    // One step over what means the same in every context; -1 when it opens
    // something unclosed.
    qsizetype common(qsizetype i, int depth) const
    {
        if (at(i) == u'\\')
            return i + 2;
        if (at(i) == u'"')
            return doubleQuoted(i + 1, depth);
        if (opensExpansion(i))
            return expansion(i, depth);
        return i + 1;
    }

    QStringView m_text;
};

// In a parameter expansion, an array's or the positional parameters' @ makes
// as many words as there are elements; * makes one.
QString asOneWord(QString expansion)
{
    static const QRegularExpression many(u"^\\$\\{([!#]?)(@|[A-Za-z_][A-Za-z_0-9]*\\[@\\])"_s);
    const QRegularExpressionMatch match = many.match(expansion);
    if (match.hasMatch())
        expansion[match.capturedEnd(2) - (match.captured(2) == u"@"_s ? 1 : 2)] = u'*';
    return expansion;
}

QString sanitizedWord(const QString &argument)
{
    const QString body = doubleQuotedBody(argument);
    const ExpansionScanner scanner(body);
    QString word;
    word.reserve(body.size() + 2);
    word += u'"';
    for (qsizetype i = 0; i < body.size();) {
        const QChar c = body.at(i);
        if (c == u'\\') {
            word += body.mid(i, 2);
            i += 2;
        } else if (c == u'$' && i + 1 < body.size() && body.at(i + 1) == u'@') {
            word += u"$*"_s;
            i += 2;
        } else if (scanner.opensExpansion(i)) {
            const qsizetype end = scanner.expansion(i, 0);
            if (end < 0) {
                // Nothing closes it: taken literally, not a syntax error for
                // the whole command line.
                word += u'\\';
                word += c;
                ++i;
            } else {
                word += c == u'$' ? asOneWord(body.sliced(i, end - i)) : body.sliced(i, end - i);
                i = end;
            }
        } else {
            word += c;
            ++i;
        }
    }
    word += u'"';
    return word;
}

QString literalWord(const QString &argument)
{
    QString word = argument;
    word.replace(u'\'', u"'\\''"_s);
    return u'\'' + word + u'\'';
}

// One line, each element quoted, for the log.
QString describe(const QStringList &list)
{
    QStringList quoted;
    for (QString element : list) {
        element.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s).replace(u'\n', u"\\n"_s);
        quoted << u'"' + element + u'"';
    }
    return u'(' + quoted.join(u", "_s) + u')';
}

// What the handlers of one background run share. Each stream's decoder and
// the marker filter of standard output are used by that stream's reading
// thread only. delivery makes handing a chunk to action and adding it to the
// output one step, so that both see the chunks in one order; the rest is
// guarded by mutex.
struct BackgroundRun
{
    TQTerminal::Callback action;
    TQTerminal::Callback completed;
    bool onMainThread = false;
    Utf8StreamDecoder decoders[2];
    DirectoryMarkerFilter marker;

    std::mutex delivery;
    std::mutex mutex;
    std::condition_variable changed;
    QString output;
    int openStreams = 2;
    int queuedActions = 0;
};

// Counts an action queued for the main thread until it has run, or until the
// queue has dropped it unrun (as when the application object goes away).
class QueuedAction
{
public:
    explicit QueuedAction(std::shared_ptr<BackgroundRun> run)
        : m_run(std::move(run))
    {
        std::lock_guard lock(m_run->mutex);
        ++m_run->queuedActions;
    }

    ~QueuedAction()
    {
        {
            std::lock_guard lock(m_run->mutex);
            --m_run->queuedActions;
        }
        m_run->changed.notify_all();
    }

    QueuedAction(const QueuedAction &) = delete;
    QueuedAction &operator=(const QueuedAction &) = delete;

    void operator()(const QString &chunk) const { m_run->action(chunk); }

private:
    std::shared_ptr<BackgroundRun> m_run;
};

// A chunk on its way to the main thread through Qt's event queue. It is made
// on a reading thread and run on the main thread. The queue's lock orders the
// two, but it is inside Qt, out of ThreadSanitizer's sight; the release of
// each copy and the acquire before the run say the same in our own code.
class MainThreadDelivery
{
public:
    MainThreadDelivery(std::shared_ptr<QueuedAction> queued, QString chunk)
        : m_queued(std::move(queued))
        , m_chunk(std::move(chunk))
    {
        m_handedOver.store(true, std::memory_order_release);
    }
    MainThreadDelivery(const MainThreadDelivery &other)
        : m_queued(other.m_queued)
        , m_chunk(other.m_chunk)
    {
        m_handedOver.store(true, std::memory_order_release);
    }
    MainThreadDelivery(MainThreadDelivery &&other) noexcept
        : m_queued(std::move(other.m_queued))
        , m_chunk(std::move(other.m_chunk))
    {
        m_handedOver.store(true, std::memory_order_release);
    }
    MainThreadDelivery &operator=(const MainThreadDelivery &) = delete;
    MainThreadDelivery &operator=(MainThreadDelivery &&) = delete;

    void operator()() const
    {
        if (m_handedOver.load(std::memory_order_acquire))
            (*m_queued)(m_chunk);
    }

private:
    std::shared_ptr<QueuedAction> m_queued;
    QString m_chunk;
    std::atomic<bool> m_handedOver{false};
};

void deliver(const std::shared_ptr<BackgroundRun> &run, const QString &chunk)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!run->onMainThread || !application) {
        run->action(chunk);
        return;
    }
    QMetaObject::invokeMethod(application,
                              MainThreadDelivery{std::make_shared<QueuedAction>(run), chunk},
                              Qt::QueuedConnection);
}

void processChunk(const std::shared_ptr<BackgroundRun> &run, int stream, FileHandle &handle)
{
    const QByteArray bytes = handle.availableData();
    const bool atEnd = bytes.isEmpty();
    QString chunk = run->decoders[stream].decode(bytes, atEnd);

    const auto handOver = [&] {
        // Only standard output carries the marker; what the program writes
        // to standard error is never taken for it.
        if (stream == 0)
            chunk = run->marker.filter(chunk, atEnd);
        std::lock_guard order(run->delivery);
        deliver(run, chunk);
        std::lock_guard lock(run->mutex);
        run->output += chunk;
    };
    if (run->onMainThread) {
        try {
            handOver();
        } catch (const std::exception &failure) {
            Log::write(u"Caught exception: %1\n|||%2|||"_s.arg(
                QString::fromLocal8Bit(failure.what()), chunk));
        }
    } else {
        handOver();
    }

    if (atEnd) {
        {
            std::lock_guard lock(run->mutex);
            --run->openStreams;
        }
        run->changed.notify_all();
    }
}

void processExit(const std::shared_ptr<BackgroundRun> &run, Process &process)
{
    QString output;
    {
        // Output that the program wrote just before it exited may still be
        // on its way; completed gets all of it, and after every chunk.
        std::unique_lock lock(run->mutex);
        run->changed.wait(lock, [&] { return run->openStreams == 0 && run->queuedActions == 0; });
        output = run->output;
    }
    run->completed(output);
    process.standardOutput()->fileHandleForReading()->setReadabilityHandler({});
    process.standardError()->fileHandleForReading()->setReadabilityHandler({});
    process.standardInput()->fileHandleForWriting()->setWriteabilityHandler({});
    process.terminate();
}

} // namespace

TQTerminal::TQTerminal() = default;

TQTerminal::~TQTerminal() = default;

std::optional<QString> TQTerminal::getPath()
{
    const QString script = Bundle::pathForResource(u"getpath.sh"_s);
    if (script.isEmpty())
        return std::nullopt;
    auto process = std::make_shared<Process>();
    process->setLaunchPath(LaunchPath);
    process->setArguments({u"bash"_s, u"--login"_s, script});
    return launchAndRead(*process);
}

std::optional<QString> TQTerminal::exec(const Arguments &args, const Environment &environment)
{
    m_task = std::make_shared<Process>();
    m_task->setLaunchPath(LaunchPath);
    m_task->setEnvironment(environment);
    QStringList arguments;
    for (const std::optional<QString> &argument : args) {
        if (!argument)
            return std::nullopt;
        arguments << *argument;
    }
    m_task->setArguments(arguments);
    return launchAndRead(*m_task);
}

QStringList TQTerminal::sanitizedArgs(const Arguments &args)
{
    QStringList words;
    for (const std::optional<QString> &argument : args) {
        if (argument)
            words << sanitizedWord(*argument);
    }
    return words;
}

QStringList TQTerminal::literalArgs(const Arguments &args)
{
    QStringList words;
    for (const std::optional<QString> &argument : args) {
        if (argument)
            words << literalWord(*argument);
    }
    return words;
}

std::optional<QString> TQTerminal::exec(const Arguments &args, const Environment &environment,
                                        Callback action, Callback completed, Quoting quoting)
{
    return startInBackground(args, environment, std::move(action), std::move(completed),
                             Delivery::MainThread, quoting);
}

std::optional<QString> TQTerminal::bgexec(const Arguments &args, const Environment &environment,
                                          Callback action, Callback completed, Quoting quoting)
{
    return startInBackground(args, environment, std::move(action), std::move(completed),
                             Delivery::ReadingThread, quoting);
}

std::optional<QString> TQTerminal::startInBackground(const Arguments &args,
                                                     const Environment &environment,
                                                     Callback action, Callback completed,
                                                     Delivery delivery, Quoting quoting)
{
    // Nobody can reach the replaced writing end any more: closed, the run
    // that reads it sees the end of its input instead of waiting for ever.
    if (m_input)
        m_input->fileHandleForWriting()->closeFile();
    m_task = std::make_shared<Process>();
    m_output = std::make_shared<Pipe>();
    m_error = std::make_shared<Pipe>();
    m_input = std::make_shared<Pipe>();
    const std::shared_ptr<FileHandle> outputReader = m_output->fileHandleForReading();
    const std::shared_ptr<FileHandle> errorReader = m_error->fileHandleForReading();

    // A caller that leaves out a callable gets nothing there, not a crash on
    // a reading or exit thread.
    const auto orNothing = [](Callback callback) {
        return callback ? std::move(callback) : Callback([](const QString &) {});
    };
    auto run = std::make_shared<BackgroundRun>();
    run->action = orNothing(std::move(action));
    run->completed = orNothing(std::move(completed));
    run->onMainThread = delivery == Delivery::MainThread;

    m_task->setLaunchPath(LaunchPath);
    if (!environment.isEmpty())
        m_task->setEnvironment(environment);
    const QStringList words = quoting == Quoting::Literal ? literalArgs(args) : sanitizedArgs(args);
    const QString commandLine = words.join(u' ') + u" && echo \":::::$PWD:::::\""_s;
    if (delivery == Delivery::ReadingThread)
        Log::write(u"COMMAND: "_s + commandLine);
    m_task->setArguments({u"bash"_s, u"-c"_s, commandLine});
    if (delivery == Delivery::ReadingThread)
        Log::write(u"args: "_s + describe(m_task->arguments()));
    m_task->setStandardOutput(m_output);
    m_task->setStandardError(m_error);
    m_task->setStandardInput(m_input);

    outputReader->setReadabilityHandler(
        [run](FileHandle &handle) { processChunk(run, 0, handle); });
    errorReader->setReadabilityHandler([run](FileHandle &handle) { processChunk(run, 1, handle); });
    m_task->setTerminationHandler([run](Process &process) { processExit(run, process); });

    if (!m_task->launch()) {
        outputReader->setReadabilityHandler({});
        errorReader->setReadabilityHandler({});
        m_task->setTerminationHandler({});
        return std::nullopt;
    }
    return u""_s;
}

std::shared_ptr<Process> TQTerminal::task() const
{
    return m_task;
}

void TQTerminal::setTask(std::shared_ptr<Process> task)
{
    m_task = std::move(task);
}

std::shared_ptr<Pipe> TQTerminal::output() const
{
    return m_output;
}

void TQTerminal::setOutput(std::shared_ptr<Pipe> output)
{
    m_output = std::move(output);
}

std::shared_ptr<Pipe> TQTerminal::error() const
{
    return m_error;
}

void TQTerminal::setError(std::shared_ptr<Pipe> error)
{
    m_error = std::move(error);
}

std::shared_ptr<Pipe> TQTerminal::input() const
{
    return m_input;
}

void TQTerminal::setInput(std::shared_ptr<Pipe> input)
{
    m_input = std::move(input);
}
