#include "app/Startup.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/TextEditor.h"
#include "controls/Controls.h"
#include "platform/application/Application.h"
#include "platform/application/SingleInstance.h"
#include "platform/application/UiLoader.h"
#include "platform/documents/PdfText.h"
#include "platform/speech/EspeakVoiceSource.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SystemVoices.h"
#include "platform/system/BundleInfo.h"
#include "platform/system/Log.h"
#include "platform/system/ProcessExit.h"
#include "platform/system/StandardError.h"
#include "platform/system/Translations.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <vector>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void describeApplication()
{
    QCoreApplication::setApplicationName(u"tavorin"_s);
    QCoreApplication::setApplicationVersion(BundleInfo::shortVersion);
    QGuiApplication::setApplicationDisplayName(BundleInfo::name);
    QGuiApplication::setDesktopFileName(u"org.tavorin.Tavorin"_s);
}

// What a launch needs a display for, said when it cannot reach one.
const char *displayUse = "show the window on";
QtMessageHandler previousHandler = nullptr;

[[noreturn]] void cannotReachDisplay(const QString &why)
{
    std::fprintf(stderr, "tavorin: cannot reach a display to %s (%s)\n", displayUse,
                 why.toLocal8Bit().constData());
    ProcessExit::leave(1);
}

// Qt ends the process when its platform plugin cannot connect; the launch
// says why instead, as it does for any other failure.
void failWithoutDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        QStringList set;
        for (const char *name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
            if (!qEnvironmentVariableIsEmpty(name))
                set << QString::fromLatin1(name) + u'=' + qEnvironmentVariable(name);
        cannotReachDisplay(u"no platform plugin of Qt connects with "_s + set.join(u", "_s));
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

bool choosesPlatform(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == "-platform" || argument == "--platform")
            return true;
    }
    return false;
}

// Launched from the desktop there is no terminal to read standard error:
// the person sees a message box, unless there is no screen to show it on.
void reportLaunchFailure(const QString &message)
{
    Log::write(message);
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen"_s || platform == u"minimal"_s)
        return;
    QMessageBox::warning(nullptr, BundleInfo::name, message);
}

} // namespace

void Startup::registerWidgetClasses()
{
    Controls::registerWidgetClasses();
    UiLoader::registerWidgetClass(u"TextEditor"_s,
                                  [](QWidget *parent) { return new TextEditor(parent); });
}

QWidget *Startup::loadMainWindow(AppDelegate *delegate)
{
    registerWidgetClasses();
    return Application::loadMainWindow(u":/ui/MainWindow.ui"_s, delegate);
}

int Startup::main(int argc, char **argv)
{
    // A file that grows past the process's limit (ulimit -f) fails to write
    // as on a full disk, rather than ending the process with nothing said
    // (and the window with the person's text). The workers too: the audio
    // server's client in espeak-ng makes a shared memory file as it starts,
    // which such a limit refuses.
    std::signal(SIGXFSZ, SIG_IGN);
    // A process of a parallel export: no options, no voice list, no window.
    if (argc == 2 && qstrcmp(argv[1], SpeechSynthesizer::renderWorkerOption()) == 0)
        return SpeechSynthesizer::runRenderWorker();
    // The process that reads a PDF's pages for the others.
    if (argc == 2 && qstrcmp(argv[1], Documents::pdfWorkerOption) == 0)
        return Documents::runPdfWorker();
    // Before the engine thread starts, which reads the voice list quietly.
    StandardError::takeOver();
    // Long exports are rendered by more processes of this very program, and
    // PDFs are read by one, out of harm's way.
    SpeechSynthesizer::setRenderProgram(u"/proc/self/exe"_s);
    Documents::setPdfWorkerProgram(u"/proc/self/exe"_s);
    // Reading the voice list takes a while; it goes on while the rest starts.
    EspeakVoiceSource::prepare();
    CommandLine commandLine;
    const bool parsed = commandLine.parse(CommandLine::arguments(argc, argv));
    if (CommandLine::asksForAllHelp(argc, argv)) {
        // The window's Qt options are those of a QApplication, which needs a
        // platform: the one that needs no display will do to list them.
        std::vector<char *> arguments(argv, argv + argc);
        static char platformOption[] = "-platform";
        static char offscreen[] = "offscreen";
        arguments.insert(arguments.begin() + 1, {platformOption, offscreen});
        int count = int(arguments.size());
        QApplication app(count, arguments.data());
        describeApplication();
        commandLine.showHelpWithQtOptions(app);
    }
    if (CommandLine::isTask(argc, argv)) {
        // No window: no display is needed, so scripts and servers can use it.
        QCoreApplication app(argc, argv);
        describeApplication();
        if (!parsed)
            return CommandLine::usageError(commandLine.errorText());
        return commandLine.runTask();
    }

    // Wrong arguments are reported before a display is needed; only options
    // unknown to the program wait for QApplication, which may take them.
    // Only Qt knows its own options, so an unknown one waits for
    // QApplication; but without any display that would end in Qt's failure
    // to connect, and a typo over SSH must still read as one.
    const bool displayAvailable = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
                                  !qEnvironmentVariableIsEmpty("DISPLAY") ||
                                  !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!parsed && (!commandLine.lacksOnlyUnknownOptions() || !displayAvailable))
        return CommandLine::usageError(commandLine.errorText());
    if (commandLine.asksToSpeak())
        displayUse = "speak in";
    if (!displayAvailable && !choosesPlatform(argc, argv))
        cannotReachDisplay(u"DISPLAY and WAYLAND_DISPLAY are unset"_s);
    const std::vector<char *> given(argv, argv + argc);
    previousHandler = qInstallMessageHandler(failWithoutDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
    describeApplication();
    if (!parsed && !commandLine.acceptWhatQtLeft(given, argc, argv))
        return CommandLine::usageError(commandLine.errorText());
    // The window speaks the desktop's language; the command line's messages
    // above stay in English, as scripts may read them.
    const Translations translations(QLocale::system().uiLanguages());

    QString speech;
    if (commandLine.asksToSpeak()) {
        QString error;
        speech = commandLine.speech(error);
        if (speech.isEmpty()) {
            // From a terminal the line is enough; from a desktop shortcut
            // only a message box reaches the person.
            if (::isatty(STDERR_FILENO))
                std::fprintf(stderr, "tavorin: %s\n", error.toLocal8Bit().constData());
            else
                reportLaunchFailure(error);
            return 1;
        }
    }

    const QStringList files = commandLine.files();
    const auto shape = commandLine.voiceShape();
    SingleInstance instance;
    SingleInstance *channel = &instance;
    switch (instance.handOver(files, speech)) {
    case SingleInstance::Outcome::HandedOver:
        if (shape)
            std::fputs("tavorin: already running: --pitch, --intonation and --volume shape only "
                       "the voice of a window that this command starts\n",
                       stderr);
        return 0;
    case SingleInstance::Outcome::Primary:
        break;
    case SingleInstance::Outcome::Standalone:
        // No channel at all: whatever is at its place may be another
        // instance's.
        Log::write(u"Running without the instance channel: "_s + instance.errorString());
        channel = nullptr;
        break;
    case SingleInstance::Outcome::Failed:
        reportLaunchFailure(instance.errorString());
        return 1;
    }
    registerWidgetClasses();
    // speech-dispatcher takes seconds to list its voices: the window shows
    // them when they come.
    SystemVoices::prepare();
    return Application::run(
        [shape] {
            auto *delegate = new AppDelegate;
            delegate->setLaunchShape(shape);
            return delegate;
        },
        files, channel, speech);
}
