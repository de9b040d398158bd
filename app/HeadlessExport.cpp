#include "app/HeadlessExport.h"

#include "platform/TextFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onInterruptSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void fail(const QString &message)
{
    std::fprintf(stderr, "tavorin: %s\n", message.toLocal8Bit().constData());
}

std::optional<QString> readStandardInput(QString &error)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return std::nullopt;
        }
        if (count == 0)
            break;
        bytes.append(buffer, qsizetype(count));
        if (bytes.size() > TextFile::maximumSize) {
            error = u"it is larger than %1 MiB"_s.arg(TextFile::maximumSize / (1024 * 1024));
            return std::nullopt;
        }
    }
    std::optional<QString> text = TextFile::decodeUtf8(bytes);
    if (!text)
        error = u"it is not valid UTF-8 text"_s;
    return text;
}

} // namespace

HeadlessExport::HeadlessExport() = default;

HeadlessExport::~HeadlessExport() = default;

int HeadlessExport::run(const Request &request)
{
    QString text;
    if (request.input == u"-"_s) {
        QString error;
        std::optional<QString> read = readStandardInput(error);
        if (!read) {
            fail(u"cannot read standard input: %1"_s.arg(error));
            return 1;
        }
        text = std::move(*read);
    } else {
        TextFile::Result read = TextFile::read(request.input);
        if (!read.text) {
            fail(u"cannot read %1: %2"_s.arg(request.input, read.error));
            return 1;
        }
        text = std::move(*read.text);
    }

    const QFileInfo output(request.output);
    if (output.isDir() || !QFileInfo(output.absolutePath()).isDir()) {
        fail(u"cannot write %1: %2"_s.arg(
            request.output, output.isDir() ? u"it is a folder"_s : u"its folder does not exist"_s));
        return 1;
    }

    SpeechSynthesizer synth;
    m_synth = &synth;
    if (request.voice && !synth.setVoice(*request.voice)) {
        fail(u"unknown voice '%1' (see tavorin --list-voices)"_s.arg(*request.voice));
        return 1;
    }
    if (request.rate)
        synth.setRate(*request.rate);
    synth.setDelegate(this);

    // Signals reach the event loop through a pipe: a handler may do no more.
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        fail(u"cannot set up signal handling"_s);
        return 1;
    }
    QSocketNotifier signals(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signals, &QSocketNotifier::activated, &signals, [this] {
        char drained[16];
        while (::read(g_signalPipe[0], drained, sizeof drained) > 0) {
        }
        interrupt();
    });
    struct sigaction action = {};
    action.sa_handler = onInterruptSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction previousInt = {}, previousTerm = {};
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);

    m_textLength = text.size();
    m_progressOnTerminal = ::isatty(STDERR_FILENO) == 1;
    showProgress(0);

    QEventLoop loop;
    synth.startSpeakingString(text, QUrl::fromLocalFile(output.absoluteFilePath()));
    while (!m_finished)
        loop.processEvents(QEventLoop::WaitForMoreEvents);

    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
    synth.setDelegate(nullptr);
    m_synth = nullptr;

    if (m_progressOnTerminal)
        std::fputs("\n", stderr);
    if (m_interrupted) {
        fail(u"interrupted; %1 was not written"_s.arg(request.output));
        return 130;
    }
    if (!*m_finished) {
        fail(u"cannot write %1"_s.arg(request.output));
        return 1;
    }
    return 0;
}

void HeadlessExport::speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                                       const QString &string)
{
    Q_UNUSED(sender);
    Q_UNUSED(string);
    if (m_textLength > 0)
        showProgress(int(100 * (word.location + word.length) / quint64(m_textLength)));
}

void HeadlessExport::speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking)
{
    Q_UNUSED(sender);
    if (finishedSpeaking)
        showProgress(100);
    m_finished = finishedSpeaking;
}

void HeadlessExport::interrupt()
{
    m_interrupted = true;
    if (m_synth)
        m_synth->stopSpeaking();
}

void HeadlessExport::showProgress(int percent)
{
    if (!m_progressOnTerminal || percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    std::fprintf(stderr, "\rExporting... %3d%%", percent);
    std::fflush(stderr);
}
