#include "app/CommandLine.h"

#include "app/HeadlessExport.h"
#include "app/VoiceRecords.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/system/FileName.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void printLine(FILE *stream, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// Made absolute as text: the name keeps the bytes it was given, which
// QFileInfo, decoding the working folder its own way, would not promise.
QString absolutePath(const QString &file)
{
    if (file.startsWith(u'/'))
        return file;
    char *folder = ::getcwd(nullptr, 0);
    const QString absolute = folder ? FileName::decode(folder) + u'/' + file : file;
    std::free(folder);
    return QDir::cleanPath(absolute);
}

} // namespace

QStringList CommandLine::arguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << FileName::decode(argv[i]);
    return arguments;
}

CommandLine::CommandLine()
    : m_listVoices(u"list-voices"_s,
                   u"Print the installed voices, one a line: identifier, a tab, label."_s)
    , m_export(
          u"export"_s,
          u"Render the speech of FILE, or of standard input, into the AIFF file OUT without a window."_s,
          u"OUT"_s)
    , m_voice(u"voice"_s, u"With --export: the voice identifier (see --list-voices)."_s, u"ID"_s)
    , m_rate(u"rate"_s, u"With --export: the speaking rate in words per minute."_s, u"WPM"_s)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setApplicationDescription(
        u"Tavorin speaks texts aloud and marks each word as it is spoken."_s);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({m_listVoices, m_export, m_voice, m_rate});
    m_parser.addPositionalArgument(
        u"FILE"_s, u"Text files to open (with --export: one file, or - for standard input)."_s,
        u"[FILE...]"_s);
}

bool CommandLine::isTask(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help" || argument == "--help-all" ||
            argument == "-v" || argument == "--version" || argument == "--list-voices" ||
            argument == "--export" || argument.startsWith("--export="))
            return true;
    }
    return false;
}

bool CommandLine::parse(const QStringList &arguments, bool allowQtOptions)
{
    if (!m_parser.parse(arguments)) {
        // Options of Qt's own (-platform, -style, ...) are taken out of the
        // arguments by QApplication, which does not exist yet at this point.
        static const QStringList qtOptions{u"platform"_s,
                                           u"platformpluginpath"_s,
                                           u"platformtheme"_s,
                                           u"plugin"_s,
                                           u"qwindowgeometry"_s,
                                           u"qwindowicon"_s,
                                           u"qwindowtitle"_s,
                                           u"reverse"_s,
                                           u"session"_s,
                                           u"display"_s,
                                           u"geometry"_s,
                                           u"style"_s,
                                           u"stylesheet"_s,
                                           u"widgetcount"_s,
                                           u"name"_s,
                                           u"title"_s,
                                           u"visual"_s,
                                           u"nograb"_s,
                                           u"dograb"_s,
                                           u"sync"_s,
                                           u"fn"_s,
                                           u"font"_s,
                                           u"bg"_s,
                                           u"background"_s,
                                           u"fg"_s,
                                           u"foreground"_s,
                                           u"btn"_s,
                                           u"button"_s,
                                           u"im"_s,
                                           u"inputstyle"_s};
        const QStringList unknown = m_parser.unknownOptionNames();
        const bool onlyQt = !unknown.isEmpty() &&
                            std::all_of(unknown.begin(), unknown.end(), [](const QString &name) {
                                return qtOptions.contains(name);
                            });
        if (allowQtOptions && onlyQt)
            return true;
        m_error = m_parser.errorText();
        return false;
    }
    const bool exporting = m_parser.isSet(m_export);
    if (!exporting && (m_parser.isSet(m_voice) || m_parser.isSet(m_rate))) {
        m_error = u"--voice and --rate go with --export"_s;
        return false;
    }
    if (exporting && m_parser.positionalArguments().size() > 1) {
        m_error = u"--export takes one input file"_s;
        return false;
    }
    if (exporting && m_parser.isSet(m_listVoices)) {
        m_error = u"--export and --list-voices cannot be combined"_s;
        return false;
    }
    return true;
}

QStringList CommandLine::files() const
{
    QStringList files;
    const QStringList positional = m_parser.positionalArguments();
    for (const QString &file : positional)
        files << absolutePath(file);
    return files;
}

int CommandLine::runTask()
{
    if (m_parser.isSet(u"help"_s)) {
        std::fputs(m_parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (m_parser.isSet(u"version"_s)) {
        printLine(stdout, QCoreApplication::applicationName() + u' ' +
                              QCoreApplication::applicationVersion());
        return 0;
    }
    if (m_parser.isSet(m_listVoices))
        return listVoices();
    if (m_parser.isSet(m_export))
        return exportSpeech();
    return 0;
}

int CommandLine::listVoices()
{
    const QVariantList records = VoiceRecords::availableVoiceRecords();
    for (const QVariant &record : records) {
        const QVariantMap voice = record.toMap();
        printLine(stdout, voice.value(u"identifier"_s).toString() + u'\t' +
                              voice.value(u"label"_s).toString());
    }
    return 0;
}

int CommandLine::exportSpeech()
{
    HeadlessExport::Request request;
    request.output = absolutePath(m_parser.value(m_export));
    const QStringList positional = m_parser.positionalArguments();
    request.input = positional.isEmpty() ? u"-"_s : positional.constFirst();
    if (m_parser.isSet(m_voice))
        request.voice = m_parser.value(m_voice);
    if (m_parser.isSet(m_rate)) {
        // Only rates that the engine speaks as asked: it would speak any
        // other at another rate, or not at all.
        const auto [minimum, maximum] = SpeechSynthesizer::rateRange();
        bool ok = false;
        const float rate = m_parser.value(m_rate).toFloat(&ok);
        if (!ok || !(rate >= float(minimum) && rate <= float(maximum))) {
            printLine(stderr, u"tavorin: invalid rate '%1': give words per minute from %2 to %3"_s
                                  .arg(m_parser.value(m_rate))
                                  .arg(minimum)
                                  .arg(maximum));
            return 2;
        }
        request.rate = rate;
    }
    HeadlessExport task;
    return task.run(request);
}
