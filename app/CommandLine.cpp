#include "app/CommandLine.h"

#include "app/AppDelegate.h"
#include "app/FileArgument.h"
#include "app/HeadlessExport.h"
#include "app/Preferences.h"
#include "app/VoiceRecords.h"
#include "platform/application/SingleInstance.h"
#include "platform/documents/PdfOcr.h"
#include "platform/speech/Lexicon.h"
#include "platform/speech/SoundFormats.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SystemVoices.h"
#include "platform/speech/WordTimings.h"
#include "platform/system/FileName.h"
#include "platform/system/TextFile.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// More processes than this only cost memory, whatever the machine.
constexpr int MaximumJobs = 256;

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

int CommandLine::usageError(const QString &error)
{
    printLine(stderr, u"tavorin: "_s + error);
    std::fputs("Try 'tavorin --help' for more information.\n", stderr);
    return 2;
}

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
    , m_export(u"export"_s,
               u"Render the speech of FILE, or of standard input, into the sound file OUT without "
               u"a window. Its extension chooses the format: %1 (AIFF without one)."_s.arg(
                   SoundFormats::extensionList()),
               u"OUT"_s)
    , m_voice(u"voice"_s,
              u"With --export or --timings: the voice identifier (see --list-voices)."_s, u"ID"_s)
    , m_rate(u"rate"_s, u"With --export or --timings: the speaking rate in words per minute."_s,
             u"WPM"_s)
    , m_format(u"format"_s,
               u"With --export: the format whatever OUT's extension: %1."_s.arg(
                   SoundFormats::nameList()),
               u"NAME"_s)
    , m_timings(u"timings"_s,
                u"Save when each word is spoken into FILE (%1), beside --export's audio or "
                u"alone."_s.arg(WordTimings::extensionList()),
                u"FILE"_s)
    , m_progress(u"progress"_s,
                 u"Print the progress as plain lines, also when standard error is no terminal."_s)
    , m_pitch(u"pitch"_s,
              u"The voice's pitch from 0 to %1 (%2 by default), for --export, --timings or the "
              u"window."_s.arg(VoiceSettings::MaximumPitch)
                  .arg(VoiceSettings::DefaultPitch),
              u"N"_s)
    , m_intonation(u"intonation"_s,
                   u"How far the pitch moves, from 0 (a monotone) to %1 (%2 by default), for "
                   u"--export, --timings or the window."_s.arg(VoiceSettings::MaximumIntonation)
                       .arg(VoiceSettings::DefaultIntonation),
                   u"N"_s)
    , m_volume(u"volume"_s,
               u"The volume in percent from 0 to %1 (%2 by default), for --export, --timings or "
               u"the window."_s.arg(VoiceSettings::MaximumVolume)
                   .arg(VoiceSettings::DefaultVolume),
               u"N"_s)
    , m_password(u"password"_s,
                 u"With --export or --timings: the password of an encrypted document."_s,
                 u"PASSWORD"_s)
    , m_ocrLanguage(u"ocr-language"_s,
                    u"With --export or --timings: the languages that the scanned pages of a PDF "
                    u"are read in, by Tesseract's names (deu, eng, deu+eng; default: the "
                    u"document's, else the desktop's, else English)."_s,
                    u"LANG"_s)
    , m_speak(u"speak"_s,
              u"Speak TEXT (- reads it from standard input) in the running window, or in a new "
              u"one, without changing the text in its editor."_s,
              u"TEXT"_s)
    , m_speakSelection(u"speak-selection"_s,
                       u"Speak the text selected on the desktop (the primary selection) as "
                       u"--speak does."_s)
    , m_jobs(u"jobs"_s,
             u"With --export or --timings: render a long text with up to N processes at once "
             u"(default: one per core that other programs leave free; 1: one process)."_s,
             u"N"_s)
    , m_lexicon(u"lexicon"_s,
                u"With --export or --timings: also say words as the lexicon FILE says, after "
                u"the personal one (%1); may be given more than once."_s.arg(
                    u"~/.config/tavorin/lexicon.txt"_s),
                u"FILE"_s)
    , m_chapters(u"chapters"_s,
                 u"With --export: write the document's chapters with their times into FILE "
                 u"beside the audio (FFmpeg's metadata form for a name ending in .ffmetadata, "
                 u"else \"HH:MM:SS.mmm Title\" lines)."_s,
                 u"FILE"_s)
    , m_splitChapters(u"split-chapters"_s,
                      u"With --export: one file per chapter of the document, numbered and "
                      u"named by the chapter, instead of one file."_s)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setApplicationDescription(
        u"Tavorin speaks texts aloud and marks each word as it is spoken."_s);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({m_listVoices, m_export, m_format, m_timings, m_chapters, m_splitChapters,
                         m_voice, m_rate, m_pitch, m_intonation, m_volume, m_jobs, m_progress,
                         m_password, m_lexicon, m_ocrLanguage, m_speak, m_speakSelection});
    m_parser.addPositionalArgument(
        u"FILE"_s,
        u"Documents to open: text, HTML, Markdown, PDF, EPUB, OpenDocument, Word or FictionBook "
        u"(with --export: one file, or - for standard input)."_s,
        u"[FILE...]"_s);
}

bool CommandLine::isTask(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        // Its value is a text to speak, whatever it reads like.
        if (argument == "--speak") {
            ++i;
            continue;
        }
        if (argument == "-h" || argument == "--help" || argument == "--help-all" ||
            argument == "-v" || argument == "--version" || argument == "--list-voices" ||
            argument == "--export" || argument.startsWith("--export=") || argument == "--timings" ||
            argument.startsWith("--timings="))
            return true;
    }
    return false;
}

bool CommandLine::asksForAllHelp(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == "--help-all")
            return true;
    }
    return false;
}

bool CommandLine::parse(const QStringList &arguments)
{
    const bool parsed = m_parser.parse(arguments);
    m_files = m_parser.positionalArguments();
    m_onlyUnknownOptions = false;
    if (!parsed && m_parser.unknownOptionNames().isEmpty()) {
        m_error = m_parser.errorText();
        return false;
    }
    // The last of two values would win unseen.
    for (const QCommandLineOption *option :
         {&m_export, &m_timings, &m_chapters, &m_format, &m_speak}) {
        if (m_parser.values(*option).size() > 1) {
            m_error = u"--%1 is given more than once"_s.arg(option->names().constFirst());
            return false;
        }
    }
    // A name made absolute would lose what makes it a folder's ("o.wav/").
    for (const QCommandLineOption *option : {&m_export, &m_timings, &m_chapters}) {
        const QString name = m_parser.value(*option);
        const QString last = name.section(u'/', -1);
        if (!m_parser.isSet(*option) || (last != u""_s && last != u"."_s && last != u".."_s))
            continue;
        const QString given = option->names().constFirst();
        m_error = name.isEmpty() ? u"the file name given to --%1 is empty"_s.arg(given)
                                 : u"--%1 %2 names a folder, not a file"_s.arg(given, name);
        return false;
    }
    const bool exporting = m_parser.isSet(m_export) || m_parser.isSet(m_timings);
    if (!exporting &&
        (m_parser.isSet(m_voice) || m_parser.isSet(m_rate) || m_parser.isSet(m_jobs) ||
         m_parser.isSet(m_progress) || m_parser.isSet(m_password) || m_parser.isSet(m_lexicon) ||
         m_parser.isSet(m_ocrLanguage))) {
        m_error = u"--voice, --rate, --jobs, --progress, --password, --lexicon and --ocr-language "
                  u"go with --export or --timings"_s;
        return false;
    }
    if (m_parser.isSet(m_ocrLanguage) &&
        !Documents::Pdf::isOcrLanguageList(m_parser.value(m_ocrLanguage))) {
        m_error = u"--ocr-language takes Tesseract's names of languages, such as deu or "
                  u"deu+eng, not '%1'"_s.arg(m_parser.value(m_ocrLanguage));
        return false;
    }
    if (m_parser.isSet(m_format) && !m_parser.isSet(m_export)) {
        m_error = u"--format goes with --export"_s;
        return false;
    }
    if ((m_parser.isSet(m_chapters) || m_parser.isSet(m_splitChapters)) &&
        !m_parser.isSet(m_export)) {
        m_error = u"--chapters and --split-chapters go with --export"_s;
        return false;
    }
    if (exporting && m_parser.positionalArguments().size() > 1) {
        m_error = u"--export and --timings take one input file"_s;
        return false;
    }
    // The window has no way to take a text from standard input; a file
    // named "-" is "./-".
    if (!exporting && !m_parser.isSet(m_listVoices) && m_files.contains(u"-"_s)) {
        m_error = u"standard input ('-') can only be read with --export; give the window a "
                  "file (./- for a file named '-')"_s;
        return false;
    }
    if (asksToSpeak() && (exporting || m_parser.isSet(m_listVoices) || !m_files.isEmpty() ||
                          (m_parser.isSet(m_speak) && m_parser.isSet(m_speakSelection)))) {
        m_error = u"--speak and --speak-selection go alone, without files or other tasks"_s;
        return false;
    }
    if (exporting && m_parser.isSet(m_listVoices)) {
        m_error = u"--export and --timings cannot be combined with --list-voices"_s;
        return false;
    }
    if (!readShape())
        return false;
    if (!parsed) {
        m_error = m_parser.errorText();
        m_onlyUnknownOptions = true;
        return false;
    }
    return true;
}

bool CommandLine::acceptWhatQtLeft(const std::vector<char *> &given, int argc, char **argv)
{
    // Qt takes its options out by moving the pointers that remain.
    const std::vector<char *> left(argv, argv + argc);
    const auto taken = [&left](char *argument) {
        return std::find(left.begin(), left.end(), argument) == left.end();
    };

    const QStringList unknown = m_parser.unknownOptionNames();
    for (char *argument : left) {
        const QString option = FileName::decode(argument);
        if (option == u"--"_s)
            break;
        if (option.size() < 2 || !option.startsWith(u'-'))
            continue;
        const QString name = option.mid(option.startsWith(u"--"_s) ? 2 : 1).section(u'=', 0, 0);
        if (unknown.contains(name)) {
            m_error = u"Unknown option '%1'."_s.arg(name);
            return false;
        }
    }

    // Each file is paired with the last unpaired argument of the same text,
    // from the end: a file given after an option of Qt's with the same text
    // as that option's value stays a file.
    QStringList files;
    qsizetype file = m_files.size() - 1;
    for (std::size_t i = given.size(); i-- > 1 && file >= 0;) {
        if (FileName::decode(given[i]) != m_files.at(file))
            continue;
        if (!taken(given[i]))
            files.prepend(m_files.at(file));
        --file;
    }
    m_files = files;
    m_onlyUnknownOptions = false;
    m_error.clear();
    return true;
}

// A whole number within the limits, as the person wrote it: a value the
// synthesizer would take at its nearest limit is refused rather than
// silently spoken otherwise.
bool CommandLine::readShape()
{
    const struct
    {
        const QCommandLineOption &option;
        int VoiceSettings::*value;
        int maximum;
    } options[] = {
        {m_pitch, &VoiceSettings::pitch, VoiceSettings::MaximumPitch},
        {m_intonation, &VoiceSettings::intonation, VoiceSettings::MaximumIntonation},
        {m_volume, &VoiceSettings::volume, VoiceSettings::MaximumVolume},
    };
    m_shape.clear();
    for (const auto &[option, value, maximum] : options) {
        if (!m_parser.isSet(option))
            continue;
        const QString given = m_parser.value(option);
        bool ok = false;
        const int number = given.trimmed().toInt(&ok);
        if (!ok || number < 0 || number > maximum) {
            m_error = u"invalid %1 '%2': give a whole number from 0 to %3"_s.arg(
                option.names().constFirst(), given, QString::number(maximum));
            return false;
        }
        m_shape.emplace_back(value, number);
    }
    return true;
}

std::function<void(VoiceSettings &)> CommandLine::voiceShape() const
{
    if (m_shape.empty())
        return {};
    return [shape = m_shape](VoiceSettings &settings) {
        for (const auto &[value, number] : shape)
            settings.*value = number;
    };
}

QStringList CommandLine::files() const
{
    QStringList files;
    for (const QString &file : m_files)
        files << (FileArgument::isUrl(file) ? file : absolutePath(file));
    return files;
}

bool CommandLine::asksToSpeak() const
{
    return m_parser.isSet(m_speak) || m_parser.isSet(m_speakSelection);
}

QString CommandLine::speech(QString &error) const
{
    constexpr qint64 limit = AppDelegate::maximumTextSize;
    static_assert(limit <= SingleInstance::maximumSpeech);
    const QString tooLarge = u"the text is larger than %1 MiB"_s.arg(limit / (1024 * 1024));
    std::optional<QString> text;
    if (m_parser.isSet(m_speakSelection)) {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard->supportsSelection()) {
            error = u"this desktop has no primary selection to speak"_s;
            return QString();
        }
        text = clipboard->text(QClipboard::Selection);
        if (text->toUtf8().size() > limit) {
            error = tooLarge;
            return QString();
        }
    } else if (const QString given = m_parser.value(m_speak); given != u"-"_s) {
        // The argument's own bytes, as the shell passed them.
        text = TextFile::decodeUtf8(FileName::encode(given));
    } else {
        const TextFile::Bytes input = TextFile::readStandardInput(limit);
        if (!input.bytes) {
            error = u"cannot read standard input: "_s + input.error;
            return QString();
        }
        text = TextFile::decodeUtf8(*input.bytes);
    }
    if (!text) {
        error = u"the text to speak is not valid UTF-8"_s;
        return QString();
    }
    if (std::all_of(text->begin(), text->end(), [](QChar c) { return c.isSpace(); })) {
        error = m_parser.isSet(m_speakSelection) ? u"nothing to speak: no text is selected"_s
                                                 : u"nothing to speak: the text is empty"_s;
        return QString();
    }
    return *text;
}

void CommandLine::showHelpWithQtOptions(QCoreApplication &application)
{
    // Only the parser knows how to print Qt's options, and only on its way
    // out of the process.
    m_parser.process(application);
    std::exit(0);
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
    if (m_parser.isSet(m_export) || m_parser.isSet(m_timings))
        return exportSpeech();
    return 0;
}

int CommandLine::listVoices()
{
    SystemVoices::waitForVoices();
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
    if (m_parser.isSet(m_export))
        request.output = absolutePath(m_parser.value(m_export));
    if (m_parser.isSet(m_timings))
        request.timings = absolutePath(m_parser.value(m_timings));
    if (m_parser.isSet(m_chapters))
        request.chapterList = absolutePath(m_parser.value(m_chapters));
    request.splitChapters = m_parser.isSet(m_splitChapters);
    request.format = m_parser.value(m_format);
    request.plainProgress = m_parser.isSet(m_progress);
    if (m_parser.isSet(m_password))
        request.password = FileName::encode(m_parser.value(m_password));
    request.ocrLanguage = m_parser.value(m_ocrLanguage);
    // Names that choose no format are refused before anything is read.
    const QString refused = SpeechSynthesizer::checkExport(
        request.output,
        {request.format, request.timings, 0, {}, request.chapterList, request.splitChapters});
    if (!refused.isEmpty())
        return usageError(refused);
    const QStringList positional = m_parser.positionalArguments();
    request.input = positional.isEmpty() ? u"-"_s : positional.constFirst();
    if (m_parser.isSet(m_voice))
        request.settings.voice = m_parser.value(m_voice);
    if (m_parser.isSet(m_rate)) {
        // Only rates that the engine speaks as asked: it would speak any
        // other at another rate, or not at all.
        const int minimum = VoiceSettings::MinimumRate;
        const int maximum = VoiceSettings::MaximumRate;
        bool ok = false;
        const float rate = m_parser.value(m_rate).toFloat(&ok);
        if (!ok || !(rate >= float(minimum) && rate <= float(maximum)))
            return usageError(u"invalid rate '%1': give words per minute from %2 to %3"_s
                                  .arg(m_parser.value(m_rate))
                                  .arg(minimum)
                                  .arg(maximum));
        request.settings.rate = rate;
    }
    if (const auto shape = voiceShape())
        shape(request.settings);
    if (m_parser.isSet(m_jobs)) {
        bool ok = false;
        const int jobs = m_parser.value(m_jobs).toInt(&ok);
        if (!ok || jobs < 1 || jobs > MaximumJobs)
            return usageError(
                u"invalid number of jobs '%1': give 1 to %2"_s.arg(m_parser.value(m_jobs))
                    .arg(MaximumJobs));
        request.jobs = jobs;
    }
    // Every broken entry is refused before anything is read or rendered.
    auto lexicon = std::make_shared<Lexicon>();
    QStringList lexicons = m_parser.values(m_lexicon);
    if (QFileInfo::exists(Preferences::lexiconPath()))
        lexicons.prepend(Preferences::lexiconPath());
    for (const QString &file : std::as_const(lexicons)) {
        QString error;
        if (!lexicon->load(file, error))
            return usageError(u"cannot read the lexicon %1: %2"_s.arg(file, error));
    }
    if (!lexicon->problems().isEmpty()) {
        const QStringList problems = lexicon->problems();
        for (qsizetype i = 0; i + 1 < problems.size(); ++i)
            printLine(stderr, u"tavorin: "_s + problems[i]);
        return usageError(problems.constLast());
    }
    request.lexicon = std::move(lexicon);
    HeadlessExport task;
    return task.run(request);
}
