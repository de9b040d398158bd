#include "app/HeadlessExport.h"

#include "platform/documents/DocumentReader.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/FileName.h"
#include "platform/system/SystemError.h"
#include "platform/system/TextFile.h"
#include "platform/system/UniqueFd.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
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

// Why an encrypted document was not read, with what to do about it.
QString readError(const Documents::Result &read, bool passwordGiven)
{
    if (!read.needsPassword)
        return read.error;
    const QString reason = read.error.isEmpty() ? u"it is encrypted"_s : read.error;
    return passwordGiven ? reason : reason + u" (give its password with --password)"_s;
}

// True when the output already exists as the very file the text comes from
// (the same device and inode, whatever the names and links on the way).
bool isInput(const QString &input, const QByteArray &output)
{
    struct stat target = {};
    struct stat source = {};
    if (::stat(output.constData(), &target) != 0)
        return false;
    const int read = input == u"-"_s ? ::fstat(STDIN_FILENO, &source)
                                     : ::stat(FileName::encode(input).constData(), &source);
    return read == 0 && source.st_dev == target.st_dev && source.st_ino == target.st_ino;
}

bool sameFile(const QString &first, const QString &second)
{
    struct stat one = {};
    struct stat other = {};
    return ::stat(FileName::encode(first).constData(), &one) == 0 &&
           ::stat(FileName::encode(second).constData(), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool isBlank(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

HeadlessExport::HeadlessExport() = default;

HeadlessExport::~HeadlessExport() = default;

int HeadlessExport::run(const Request &request)
{
    // Everything that can be known about the outputs is checked before the
    // text is read, so that nothing is rendered for a file that cannot be
    // written, and the text's own file is never replaced by its speech.
    const QString voiceRefused = SpeechSynthesizer::checkVoiceExport(request.settings.voice);
    if (!voiceRefused.isEmpty()) {
        fail(voiceRefused);
        return 1;
    }
    QStringList outputs;
    QStringList roles;
    const std::pair<QString, QString> named[] = {{request.output, u"the audio"_s},
                                                 {request.timings, u"the timings"_s},
                                                 {request.chapterList, u"the chapter list"_s}};
    for (const auto &[output, role] : named) {
        if (!output.isEmpty()) {
            outputs << output;
            roles << role;
        }
    }
    for (const QString &output : std::as_const(outputs)) {
        const QString targetError = AtomicFile::checkTarget(output);
        if (!targetError.isEmpty()) {
            fail(u"cannot write %1: %2"_s.arg(output, targetError));
            return 1;
        }
        if (isInput(request.input, FileName::encode(output))) {
            fail(u"cannot write %1: it is the file the text comes from"_s.arg(output));
            return 1;
        }
    }
    // Compared as the files they lead to, also before they exist.
    QString unused;
    for (qsizetype later = 1; later < outputs.size(); ++later) {
        for (qsizetype earlier = 0; earlier < later; ++earlier) {
            if (AtomicFile::resolvedTarget(outputs[earlier], unused) ==
                    AtomicFile::resolvedTarget(outputs[later], unused) ||
                sameFile(outputs[earlier], outputs[later])) {
                fail(u"cannot write %1: %2 and %3 would be the same file"_s.arg(
                    outputs[later], roles[earlier], roles[later]));
                return 1;
            }
        }
    }

    // Any document, up to the size of text that was always exported.
    Documents::Options options;
    options.limits.maximumText = TextFile::maximumSize;
    options.password = request.password;
    options.ocrLanguage = request.ocrLanguage;
    const bool fromInput = request.input == u"-"_s;
    Documents::Result read;
    if (fromInput) {
        const TextFile::Bytes input = TextFile::readStandardInput(TextFile::maximumSize);
        if (!input.bytes) {
            fail(u"cannot read standard input: %1"_s.arg(input.error));
            return 1;
        }
        read = Documents::read(*input.bytes, QString(), options);
    } else {
        read = Documents::read(request.input, options);
    }
    if (!read.text) {
        fail(u"cannot read %1: %2"_s.arg(fromInput ? u"standard input"_s : request.input,
                                         readError(read, !request.password.isEmpty())));
        return 1;
    }
    QString text = std::move(*read.text);
    const QString source = fromInput ? u"standard input"_s : request.input.section(u'/', -1);
    if ((request.splitChapters || !request.chapterList.isEmpty()) &&
        read.outline.chapters.isEmpty()) {
        fail(u"%1 has no chapters: %2 needs a document whose contents or headings mark them "
             u"(EPUB, Word, OpenDocument, HTML, Markdown, FictionBook or a PDF with an outline)"_s
                 .arg(source, request.splitChapters ? u"--split-chapters"_s : u"--chapters"_s));
        return 1;
    }

    if (isBlank(text)) {
        fail(u"nothing to speak: %1 holds no text"_s.arg(
            request.input == u"-"_s ? u"standard input"_s : request.input));
        return 1;
    }

    SpeechSynthesizer synth;
    m_synth = &synth;
    const VoiceSettings &settings = request.settings;
    if (!synth.setVoice(settings.voice)) {
        fail(u"unknown voice '%1' (see tavorin --list-voices)"_s.arg(settings.voice));
        return 1;
    }
    synth.setRate(settings.rate);
    synth.setPitch(settings.pitch);
    synth.setIntonation(settings.intonation);
    synth.setVolume(settings.volume);
    synth.setLexicon(request.lexicon);
    const QMetaObject::Connection words =
        QObject::connect(&synth, &SpeechSynthesizer::willSpeakWord, &synth,
                         [this](CharacterRange word) { wordWillBeSpoken(word); });
    const QMetaObject::Connection end =
        QObject::connect(&synth, &SpeechSynthesizer::didFinishSpeaking, &synth,
                         [this](bool finishedSpeaking) { speechFinished(finishedSpeaking); });

    // Signals reach the event loop through a pipe: a handler may do no more.
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        fail(u"cannot set up signal handling (%1)"_s.arg(systemError()));
        return 1;
    }
    const UniqueFd signalReadEnd{g_signalPipe[0]};
    const UniqueFd signalWriteEnd{g_signalPipe[1]};
    QSocketNotifier signals(signalReadEnd.get(), QSocketNotifier::Read);
    QObject::connect(&signals, &QSocketNotifier::activated, &signals,
                     [this, fd = signalReadEnd.get()] {
                         char drained[16];
                         while (::read(fd, drained, sizeof drained) > 0) {
                         }
                         interrupt();
                     });
    struct sigaction action = {};
    action.sa_handler = onInterruptSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction previousInt = {}, previousTerm = {};
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);

    m_progress.start(text.size());
    m_progressOnTerminal = ::isatty(STDERR_FILENO) == 1;
    m_progressLines = request.plainProgress && !m_progressOnTerminal;
    showProgress(0);

    QEventLoop loop;
    const QUrl url = request.output.isEmpty() ? QUrl() : QUrl::fromLocalFile(request.output);
    synth.startSpeakingString(text, url,
                              {request.format, request.timings, request.jobs,
                               std::move(read.outline), request.chapterList,
                               request.splitChapters});
    if (!synth.exportNotice().isEmpty())
        fail(synth.exportNotice());
    while (!m_finished)
        loop.processEvents(QEventLoop::WaitForMoreEvents);

    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    g_signalPipe[0] = g_signalPipe[1] = -1;
    QObject::disconnect(words);
    QObject::disconnect(end);
    m_synth = nullptr;

    if (m_progressOnTerminal)
        std::fputs("\n", stderr);
    const QString written = outputs.join(u" and "_s);
    if (m_interrupted) {
        fail(u"interrupted; %1 was not written"_s.arg(written));
        return 130;
    }
    if (!*m_finished) {
        const QString reason = synth.errorString();
        fail(reason.isEmpty() ? u"cannot write %1"_s.arg(written)
                              : u"cannot write %1: %2"_s.arg(written, reason));
        return 1;
    }
    return 0;
}

void HeadlessExport::wordWillBeSpoken(CharacterRange word)
{
    showProgress(qint64(word.location + word.length));
}

void HeadlessExport::speechFinished(bool finishedSpeaking)
{
    if (finishedSpeaking)
        showProgress(std::numeric_limits<qint64>::max());
    m_finished = finishedSpeaking;
}

void HeadlessExport::interrupt()
{
    m_interrupted = true;
    if (m_synth)
        m_synth->stopSpeaking();
}

void HeadlessExport::showProgress(qint64 done)
{
    if ((!m_progressOnTerminal && !m_progressLines) || !m_progress.advance(done))
        return;
    const QByteArray line = (u"Exporting... "_s + m_progress.text()).toLocal8Bit();
    // On a terminal the line is rewritten in place, and cleared to its end
    // since it may have become shorter.
    if (m_progressOnTerminal)
        std::fprintf(stderr, "\r%s\033[K", line.constData());
    else
        std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}
