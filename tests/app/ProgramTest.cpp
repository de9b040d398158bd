// The tavorin program as a user, a script and the desktop run it.
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/WorkerProtocol.h"
#include "platform/system/Bundle.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSysInfo>
#include <QThread>
#include <QTime>
#include <QTimer>

#include "support/AudioReadBack.h"
#include "support/PdfMakers.h"
#include "support/TestSupport.h"
#include "support/ZipDocumentMakers.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString program = QStringLiteral(TAVORIN_PROGRAM);

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

// Set on the program by the tests that look for its worker processes.
const QString WorkerMarker = u"TAVORIN_TEST_MARKER=%1"_s.arg(::getpid());

QProcessEnvironment environmentWith(const QString &runtimeFolder = QString())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(WorkerMarker.section(u'=', 0, 0), WorkerMarker.section(u'=', 1));
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    // The window's messages follow the desktop's language; these tests read them in English.
    environment.insert(u"LANGUAGE"_s, u"en"_s);
    if (!runtimeFolder.isEmpty())
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeFolder);
    return environment;
}

Outcome run(const QStringList &arguments, const QByteArray &input = {},
            const QString &command = program, const QStringList &environment = {})
{
    QProcess process;
    QProcessEnvironment given = environmentWith();
    for (const QString &entry : environment)
        given.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    process.setProcessEnvironment(given);
    process.start(command, arguments);
    EXPECT_TRUE(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(TestSupport::Patience));
    // A crash is no exit status at all.
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

using TestSupport::readSoundFile;

// The loudness of a speech and its fundamental frequency over the voiced
// frames (autocorrelation of 40 ms frames, 60 to 400 Hz): median and the
// spread between the quartiles, in Hz.
struct Voicing
{
    double rms = 0;
    double f0 = 0;
    double f0Spread = 0;
};

Voicing measure(const std::vector<qint16> &x, int rate)
{
    const qsizetype frame = rate / 25, shortest = rate / 400, longest = rate / 60;
    const auto dot = [&x, frame](qsizetype a, qsizetype b) {
        double sum = 0;
        for (qsizetype i = 0; i < frame; ++i)
            sum += double(x[size_t(a + i)]) * x[size_t(b + i)];
        return sum;
    };
    Voicing v;
    for (const qint16 sample : x)
        v.rms += double(sample) * sample;
    v.rms = std::sqrt(v.rms / double(std::max<size_t>(x.size(), 1)));
    std::vector<std::pair<qsizetype, double>> frames; // start, energy
    double loudest = 0;
    for (qsizetype start = 0; start + frame + longest < qsizetype(x.size()); start += rate / 100) {
        frames.emplace_back(start, dot(start, start));
        loudest = std::max(loudest, frames.back().second);
    }
    std::vector<double> f0;
    for (const auto &[start, energy] : frames) {
        if (energy < loudest / 8)
            continue;
        std::vector<double> r(size_t(longest + 1));
        for (qsizetype lag = shortest; lag <= longest; ++lag)
            r[size_t(lag)] =
                dot(start, start + lag) / std::sqrt(energy * dot(start + lag, start + lag) + 1);
        const double best = *std::max_element(r.begin(), r.end());
        // The shortest period that correlates nearly as well: its multiples
        // correlate too.
        for (qsizetype lag = shortest; best > 0.6 && lag <= longest; ++lag)
            if (r[size_t(lag)] >= 0.9 * best) {
                f0.push_back(double(rate) / double(lag));
                break;
            }
    }
    if (f0.size() < 10)
        return v;
    std::sort(f0.begin(), f0.end());
    v.f0 = f0[f0.size() / 2];
    v.f0Spread = f0[f0.size() * 3 / 4] - f0[f0.size() / 4];
    return v;
}

// Processes this test started, directly or through the program, that still run.
int markedProcesses()
{
    int count = 0;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        count += TestSupport::contents(u"/proc/"_s + entry + u"/environ"_s)
                     .split('\0')
                     .contains(WorkerMarker.toUtf8()) &&
                 entry.toLongLong() != ::getpid();
    return count;
}

// Paragraphs of different lengths, one of them too long to stay whole, so
// that a render with workers has several runs and joints of both kinds.
QString paragraphs()
{
    QString text;
    for (int i = 1; i <= 12; ++i) {
        text += u"Paragraph %1 begins here. "_s.arg(i);
        for (int j = 0; j < (i == 7 ? 40 : 3 + i % 4); ++j)
            text +=
                u"Its sentence number %1 says something of %2 words, more or less! "_s.arg(j).arg(
                    i * 7 + j);
        text += u"\n\n"_s;
    }
    return text;
}

// The words of a WebVTT file's cues, in order.
QStringList cueWords(const QString &path)
{
    QStringList words;
    for (const QString &block : QString::fromUtf8(TestSupport::contents(path)).split(u"\n\n"_s))
        if (block.count(u'\n') == 2)
            words << block.section(u'\n', 2);
    return words;
}

// Every usage error says what is wrong, then where help is.
void expectUsageErrorForm(const Outcome &outcome)
{
    const QRegularExpression form(
        u"tavorin: [^\n]+\nTry 'tavorin --help' for more information.\n"_s);
    if (outcome.status == 2) {
        EXPECT_TRUE(form.match(outcome.err).hasMatch()) << outcome.err.toStdString();
    }
}

} // namespace

TEST(Program, AnswersItsOptionsAndRefusesWrongOnes)
{
    using namespace WorkerProtocol;
    const QString worker = QString::fromLatin1(SpeechSynthesizer::renderWorkerOption());
    const auto runOf = [](const QString &voice) {
        VoiceSettings settings;
        settings.voice = voice;
        return runFrame({u"Hello there."_s, settings, true});
    };
    QByteArray tooLarge;
    appendHeader(tooLarge, FrameType::Run, 0xFFFFFFFF);
    QByteArray fromWorker;
    appendHeader(fromWorker, FrameType::Samples, 0);
    QByteArray otherBuild = runOf(u"gmw/en"_s);
    otherBuild[0] = char(Version + 1);
    const struct
    {
        QStringList arguments;
        int status;
        QString out;
        QString err;
        QByteArray input = {};
        QStringList environment = {};
    } cases[] = {
        {{u"--version"_s}, 0, u"tavorin "_s, {}},
        {{u"--help"_s}, 0, u"--list-voices"_s, {}},
        // With the options of Qt that the window takes.
        {{u"--help-all"_s}, 0, u"--platform"_s, {}},
        // The window cannot take a text from standard input, and says so.
        {{u"-"_s}, 2, {}, u"standard input"_s, "words"},
        {{u"--rate"_s, u"100"_s}, 2, {}, u"--export"_s},
        {{u"--timings"_s, u"t.vtt"_s, u"--split-chapters"_s, u"-"_s}, 2, {}, u"go with --export"_s},
        // The window takes the voice's shape, checked before any display.
        {{u"--volume"_s, u"50.5"_s}, 2, {}, u"from 0 to 200"_s},
        {{u"--export"_s, u"x.aiff"_s, u"--jobs"_s, u"0"_s, u"-"_s}, 2, {}, u"jobs '0'"_s, "a"},
        {{u"--timings"_s, u"x.json"_s, u"--ocr-language"_s, u"../deu"_s, u"-"_s},
         2,
         {},
         u"Tesseract's names"_s,
         "a"},
        {{u"--no-such-option"_s}, 2, {}, {}},
        // A text to speak is checked before any instance is asked.
        {{u"--speak"_s, u"Hi"_s, u"a.txt"_s}, 2, {}, u"without files"_s},
        {{u"--speak"_s, u"-"_s}, 1, {}, u"not valid UTF-8"_s, "caf\xe9"},
        {{u"--speak"_s, u"-"_s}, 1, {}, u"nothing to speak"_s, " \n "},
        {{u"--speak"_s, u"-"_s}, 1, {}, u"larger than 10 MiB"_s, QByteArray(10485761, 'a')},
        // The offscreen platform has no selection, as some desktops.
        {{u"--speak-selection"_s}, 1, {}, u"primary selection"_s},
        // Without a display to speak in: none named, or one that is not there.
        {{u"--speak"_s, u"Hi"_s},
         1,
         {},
         u"cannot reach a display to speak in (DISPLAY and WAYLAND_DISPLAY are unset)"_s,
         {},
         {u"QT_QPA_PLATFORM="_s, u"DISPLAY="_s, u"WAYLAND_DISPLAY="_s}},
        {{u"--speak-selection"_s},
         1,
         {},
         u"cannot reach a display to speak in"_s,
         {},
         {u"QT_QPA_PLATFORM=xcb"_s, u"DISPLAY=:4242"_s, u"WAYLAND_DISPLAY="_s}},
        // A render worker takes whole run frames of this build alone, with a
        // listed voice; nothing else is read, allocated or rendered.
        {{worker},
         2,
         {},
         u"unknown voice '../../../../etc/passwd'"_s,
         runOf(u"../../../../etc/passwd"_s)},
        {{worker}, 2, {}, u"unknown voice 'aaaa"_s, runOf(QString(255, u'a'))},
        {{worker}, 2, {}, u"payload of 4294967295 bytes"_s, tooLarge},
        {{worker}, 2, {}, u"unexpected frame type"_s, fromWorker},
        {{worker}, 2, {}, u"protocol version 2"_s, otherBuild},
        {{worker}, 2, {}, u"inside a frame"_s, runOf(u"gmw/en"_s).first(20)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const Outcome outcome = run(c.arguments, c.input, program, c.environment);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_TRUE(outcome.out.contains(c.out)) << outcome.out.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.err)) << outcome.err.toStdString();
        // A worker's refusal is no person's usage error.
        if (c.arguments.value(0) != worker)
            expectUsageErrorForm(outcome);
    }
}

// Every voice once, under a label of its own that reads well (the qualifier of
// its language in the name, no underscores, no double spaces, no parenthesis
// but the language's), most languages with a female companion.
TEST(Program, ListsEveryVoiceUnderADistinctReadableLabel)
{
    const Outcome listed = run({u"--list-voices"_s});
    ASSERT_EQ(listed.status, 0);
    // Every voice is loaded to list it, and none was asked for: espeak-ng's
    // own lines about them stay unsaid.
    EXPECT_EQ(listed.err, QString());
    QStringList lines = listed.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 20);
    // The private speech-dispatcher's voices come last, each voice of its
    // module once (not once per variant); without a server that answers,
    // they are gone and the others are all there.
    const auto system = [](const QString &line) { return line.startsWith(u"system:"_s); };
    const auto firstSystem = std::find_if(lines.begin(), lines.end(), system);
    EXPECT_TRUE(std::all_of(firstSystem, lines.end(), system));
    const QStringList systemLines(firstSystem, lines.end());
    EXPECT_GT(systemLines.size(), 20);
    EXPECT_LT(systemLines.size(), 1000);
    EXPECT_TRUE(systemLines.contains(u"system:espeak-ng/English (America)\t"
                                     u"English, America (en-US, espeak-ng)"_s));
    lines.erase(firstSystem, lines.end());
    const Outcome absent = run(
        {u"--list-voices"_s}, {}, program,
        {u"SPEECHD_ADDRESS=unix_socket:/nonexistent/speechd.sock"_s, u"SPEECHD_CMD=/bin/false"_s});
    EXPECT_EQ(absent.status, 0);
    EXPECT_EQ(absent.out.split(u'\n', Qt::SkipEmptyParts), lines);
    EXPECT_TRUE(absent.err.contains(u"speech-dispatcher is not running"_s));
    QHash<QString, QString> labels;
    int female = 0;
    for (const QString &line : lines + systemLines) {
        const QString identifier = line.section(u'\t', 0, 0);
        const QString label = line.section(u'\t', 1);
        SCOPED_TRACE(line.toStdString());
        EXPECT_FALSE(label.contains(u"  "_s) || label.contains(u'_') || label.startsWith(u' '));
        EXPECT_EQ(label.count(u'('), 1);
        EXPECT_TRUE(labels.value(label).isEmpty()) << "also " << labels.value(label).toStdString();
        labels.insert(label, identifier);
        female += label.contains(u'♀');
    }
    EXPECT_GE(female, lines.size() / 3);
    // In the order of the names a person reads.
    const QCollator collator{QLocale(QLocale::English)};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto name = [&](qsizetype at) {
            return lines.at(at).section(u'\t', 1).section(u" ♀"_s, 0, 0).section(u" ♂"_s, 0, 0);
        };
        EXPECT_LE(collator.compare(name(i - 1), name(i)), 0) << lines.at(i).toStdString();
    }
    const std::pair<QString, QString> known[] = {
        {u"gmw/en-US+f3"_s, u"English, America ♀ (en-us)"_s},
        {u"sit/yue"_s, u"Chinese, Cantonese ♂ (yue)"_s},
        {u"grk/grc"_s, u"Greek, Ancient ♂ (grc)"_s},
        {u"cel/gd"_s, u"Gaelic, Scottish ♂ (gd)"_s},
        {u"art/qdb"_s, u"Lang Belta ♂ (qdb)"_s},
        {u"flite:slt"_s, u"English, US ♀ (flite slt)"_s},
        {u"flite:kal"_s, u"English, US ♂ (flite kal)"_s},
    };
    for (const auto &[identifier, label] : known)
        EXPECT_EQ(labels.value(label), identifier) << label.toStdString();
}

TEST(Program, ExportsFromAFileOrStandardInputAndFailuresSayWhyAndLeaveNoFile)
{
    QTemporaryDir dir;
    const QByteArray said("Caf\xc3\xa9 and a second short sentence.");
    const QString input = TestSupport::writeFile(dir.filePath(u"in.txt"_s), said);

    const QString fromFile = dir.filePath(u"file.aiff"_s);
    const Outcome first = run({u"--export"_s, fromFile, u"--rate"_s, u"300"_s, input});
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    const auto fileAudio = readSoundFile(fromFile);
    ASSERT_TRUE(fileAudio.valid);
    EXPECT_GT(fileAudio.info.frames, 1000);
    EXPECT_EQ(fileAudio.info.samplerate, 22050);
    EXPECT_EQ(fileAudio.info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    ASSERT_TRUE(QFile::remove(fromFile));

    // A name of the longest length the folder takes is written as given.
    const QString longest = dir.filePath(QString(250, u'n') + u".aiff"_s);
    EXPECT_EQ(run({u"--export"_s, longest, input}).status, 0);
    EXPECT_TRUE(readSoundFile(longest).valid);
    ASSERT_TRUE(QFile::remove(longest));

    const QString out = dir.filePath(u"out.aiff"_s);
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A row with a shell command line runs the program through bash.
    const QString sameAsInput = u"exec \"$0\" \"$@\" < \"$2\""_s;
    // Any file written is limited to 64 KiB and the signal that enforces it
    // ignored, so that writes fail as on a full disk; both survive the exec.
    const QString fullDisk = u"trap '' XFSZ; ulimit -f 64; exec \"$0\" \"$@\""_s;
    const QString sizeLimit = u"ulimit -f 64; exec \"$0\" \"$@\""_s;
    const QString inFolder = u"cd '%1' && exec \"$0\" \"$@\""_s.arg(dir.path());
    // The timings through a link to where the audio would go.
    ASSERT_TRUE(QFile::link(u"audio.json"_s, dir.filePath(u"link.json"_s)));
    const QByteArray speech =
        QByteArray("Far more speech than sixty-four kilobytes will hold. ").repeated(20);
    // Memory as a small machine has it (a sanitizer's own maps need more).
#if defined(__SANITIZE_ADDRESS__)
    const QString smallMemory = u"exec \"$0\" \"$@\""_s;
#else
    const QString smallMemory = u"ulimit -v 1000000; exec \"$0\" \"$@\""_s;
#endif
    // A few kilobytes whose spine lists a chapter of a million characters
    // 20,000 times.
    const QByteArray repeatedSpine = ZipDocumentMakers::zip(
        {{"mimetype", "application/epub+zip", true},
         {"META-INF/container.xml",
          "<container><rootfiles><rootfile full-path=\"b.opf\"/></rootfiles></container>"},
         {"b.opf", "<package><manifest><item id=\"c\" href=\"c.xhtml\" "
                   "media-type=\"application/xhtml+xml\"/></manifest><spine>" +
                       QByteArray("<itemref idref=\"c\"/>").repeated(20000) + "</spine></package>"},
         {"c.xhtml",
          "<html><body><p>" + QByteArray("word ").repeated(200000) + "</p></body></html>"}});
    QByteArray declarations;
    for (int i = 0; i < 20; ++i)
        declarations += "<!ENTITY e" + QByteArray::number(i) + " \"a > b\">\n";
    const struct
    {
        QStringList arguments;
        QByteArray input;
        int status;
        QString complaint;
        QString shell = {};
    } failures[] = {
        {{out, u"--voice"_s, u"no-such-voice"_s, input}, {}, 1, u"unknown voice 'no-such-voice'"_s},
        // speech-dispatcher plays its voices itself: refused before the
        // text (here none) is read.
        {{out, u"--timings"_s, dir.filePath(u"t.vtt"_s), u"--voice"_s,
          u"system:espeak-ng/English (America)"_s, dir.filePath(u"missing.txt"_s)},
         {},
         1,
         u"cannot be exported; the voices of espeak-ng and flite can"_s},
        {{out, u"-"_s},
         "\x7f"
         "ELF\x02\x01\x01\xff\xfe\x03",
         1,
         u"UTF-8"_s},
        {{out, dir.filePath(u"missing.txt"_s)}, {}, 1, u"missing.txt"_s},
        {{dir.filePath(u"no/such/folder/x.aiff"_s), input}, {}, 1, u"cannot write"_s},
        {{out, u"--rate"_s, u"fast"_s, input}, {}, 2, QString()},
        // Rates the engine would speak at another rate, or not at all.
        {{out, u"--rate"_s, u"79"_s, input}, {}, 2, u"from 80 to 450"_s},
        {{out, u"--rate"_s, u"9950"_s, input}, {}, 2, u"from 80 to 450"_s},
        {{out, u"--pitch"_s, u"101"_s, input},
         {},
         2,
         u"invalid pitch '101': give a whole number"_s},
        {{out, u"--intonation=-1"_s, input}, {}, 2, u"from 0 to 100"_s},
        {{out, u"--volume"_s, u"loud"_s, input}, {}, 2, u"invalid volume 'loud'"_s},
        // Refused before anything is read or rendered.
        {{input, u"--format"_s, u"aiff"_s, input}, {}, 1, u"the file the text comes from"_s},
        {{input, u"--format"_s, u"aiff"_s},
         "ignored",
         1,
         u"the file the text comes from"_s,
         sameAsInput},
        {{fifo, input}, {}, 1, u"not a regular file"_s},
        {{dir.filePath(QString(256, u'n')), input}, {}, 1, u"File name too long"_s},
        {{out, u"-"_s}, " \n\t ", 1, u"nothing to speak"_s},
        {{out, u"-"_s}, repeatedSpine, 1, u"longer than 268435456 characters"_s, smallMemory},
        {{out, u"-"_s},
         "<?xml version=\"1.0\"?>\n<!DOCTYPE FictionBook [\n" + declarations +
             "]>\n<FictionBook><body><p>&e1;</p></body></FictionBook>",
         1,
         u"declares XML entities"_s},
        // Far more speech than an AIFF file holds, refused before rendering.
        {{out, u"-"_s}, QByteArray("word ").repeated(700000), 1, u"WAV, FLAC"_s},
        // Names that choose no format are refused before anything is read.
        {{dir.filePath(u"x.mp4"_s), input}, {}, 2, u".aiff, .aif, .wav"_s},
        {{out, u"--format"_s, u"mp4"_s, input}, {}, 2, u"aiff, wav"_s},
        {{out, u"--timings"_s, dir.filePath(u"x.txt"_s), input}, {}, 2, u".vtt, .srt, .json"_s},
        {{dir.filePath(u"same.json"_s), u"--format"_s, u"wav"_s, u"--timings"_s,
          dir.filePath(u"same.json"_s), input},
         {},
         1,
         u"same file"_s},
        {{dir.filePath(u"audio.json"_s), u"--format"_s, u"wav"_s, u"--timings"_s,
          dir.filePath(u"link.json"_s), input},
         {},
         1,
         u"same file"_s},
        {{out, u"--export"_s, dir.filePath(u"b.aiff"_s), input}, {}, 2, u"more than once"_s},
        {{out, u"--timings"_s, QString(), input}, {}, 2, u"--timings is empty"_s},
        {{u"o.wav/"_s, input}, {}, 2, u"names a folder"_s, inFolder},
        {{out, u"--timings"_s, dir.filePath(u"t.vtt/."_s), input}, {}, 2, u"names a folder"_s},
        // Chapters are asked of a document that marks them, before rendering.
        {{out, u"--chapters"_s, dir.filePath(u"c/"_s), input}, {}, 2, u"names a folder"_s},
        {{out, u"--chapters"_s, u"a"_s, u"--chapters"_s, u"b"_s, input},
         {},
         2,
         u"--chapters is given more than once"_s},
        {{out, u"--chapters"_s, out, input}, {}, 2, u"the chapter list needs a name of its own"_s},
        {{out, u"--chapters"_s, input, input}, {}, 1, u"the file the text comes from"_s},
        {{out, u"--chapters"_s, dir.filePath(u"c.txt"_s), input},
         {},
         1,
         u"in.txt has no chapters"_s},
        {{out, u"--split-chapters"_s, u"-"_s},
         "# Not a heading in a plain text",
         1,
         u"standard input has no chapters"_s},
        // A PDF of 200,000 pages, which Poppler would take minutes to go
        // through, and a password that it would take onto its stack, where
        // it does not fit.
        {{out, u"-"_s},
         PdfMakers::handMadePdf("", 200000),
         1,
         u"it has 200000 pages, more than the 20000 allowed"_s},
        {{out, u"--password"_s, QString(128, u'p'), u"-"_s},
         PdfMakers::encryptedPdf(PdfMakers::textPdf({{{72, 100, u"Locked."_s}}}), u"user"_s,
                                 u"owner"_s),
         1,
         u"the password is longer than 127 bytes"_s},
        // A full disk; an encoder's failure may come only when it is closed.
        {{out, u"-"_s}, speech, 1, out, fullDisk},
        {{dir.filePath(u"full.ogg"_s), u"--timings"_s, dir.filePath(u"full.vtt"_s), u"-"_s},
         speech,
         1,
         u"full.ogg"_s,
         fullDisk},
        {{out, u"-"_s}, speech, 1, u"File too large"_s, sizeLimit},
    };
    for (const auto &failure : failures) {
        SCOPED_TRACE(failure.arguments.join(u' ').toStdString());
        const QStringList arguments = QStringList{u"--export"_s} + failure.arguments;
        const Outcome outcome = failure.shell.isEmpty()
                                    ? run(arguments, failure.input)
                                    : run(QStringList{u"-c"_s, failure.shell, program} + arguments,
                                          failure.input, u"bash"_s);
        EXPECT_EQ(outcome.status, failure.status);
        EXPECT_TRUE(outcome.err.contains(failure.complaint)) << outcome.err.toStdString();
        expectUsageErrorForm(outcome);
    }
    // A size limit that the file keeps within, but that the audio server's
    // client refuses the file it makes as it starts, also in the worker
    // processes: the export goes on.
    const QString limited = dir.filePath(u"limited.wav"_s);
    const Outcome withinLimit =
        run({u"-c"_s,
             u"ulimit -f 60000; PULSE_SERVER=unix:%1/pulse/native exec \"$0\" \"$@\""_s.arg(
                 qEnvironmentVariable("XDG_RUNTIME_DIR")),
             program, u"--export"_s, limited, u"--rate"_s, u"450"_s, u"--jobs"_s, u"2"_s, u"-"_s},
            speech.repeated(32), u"bash"_s);
    EXPECT_EQ(withinLimit.status, 0) << withinLimit.err.toStdString();
    EXPECT_TRUE(readSoundFile(limited).valid);
    QFile::remove(limited);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"in.txt"_s});
    EXPECT_EQ(TestSupport::contents(input), said);
    EXPECT_EQ(markedProcesses(), 0);
}

// The same text rendered with other settings: a higher pitch is heard
// higher, less intonation moves the pitch less, a higher volume is louder, a
// faster rate is shorter; with espeak-ng, and with flite's kinds of voices
// (rms makes a pitch contour of its own that the settings must reach too).
TEST(Program, RatePitchIntonationAndVolumeShapeTheRenderedVoice)
{
    QTemporaryDir dir;
    const QString input = TestSupport::writeFile(
        dir.filePath(u"in.txt"_s), "Would you believe it? The old lighthouse keeper never once "
                                   "saw the sea, although he lived beside it for fifty years.");
    for (const QString &voice : {u"gmw/en"_s, u"flite:rms"_s, u"flite:kal"_s}) {
        SCOPED_TRACE(voice.toStdString());
        qint64 frames = 0;
        const auto render = [&](const QStringList &shape) {
            const QString out = dir.filePath(shape.join(u'_') + u".wav"_s);
            const Outcome outcome = run(QStringList{u"--export"_s, out, u"--voice"_s, voice} +
                                        shape + QStringList{input});
            EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
            const auto audio = readSoundFile(out);
            frames = audio.info.frames;
            return measure(audio.samples, audio.info.samplerate);
        };
        render({u"--rate"_s, u"350"_s});
        const qint64 fast = frames;
        const Voicing low = render({u"--pitch"_s, u"20"_s});
        EXPECT_LT(fast, frames * 2 / 3);
        const Voicing high = render({u"--pitch"_s, u"80"_s});
        const Voicing monotone = render({u"--intonation"_s, u"0"_s});
        const Voicing lively = render({u"--intonation"_s, u"100"_s});
        const Voicing quiet = render({u"--volume"_s, u"50"_s});
        const Voicing loud = render({u"--volume"_s, u"150"_s});
        EXPECT_GT(low.f0, 50);
        EXPECT_GT(high.f0, 1.25 * low.f0);
        EXPECT_GT(lively.f0Spread, 2 * monotone.f0Spread);
        EXPECT_GT(loud.rms, 2 * quiet.rms);
    }
}

// With espeak-ng's voice (22050 Hz) and flite's at 16 and 8 kHz: the sound
// at the voice's rate (Opus resamples), and a cue per written word that ends
// with the sound.
TEST(Program, ExportWritesEachFormatItsExtensionOrFormatNames)
{
    QTemporaryDir dir;
    const QString input = TestSupport::writeFile(
        dir.filePath(u"in.txt"_s), "Every format holds the same speech, at 3:45 on 24.12.2023. "
                                   "Nothing is lost.");
    const QStringList tokens = {u"Every"_s,   u"format"_s, u"holds"_s, u"the"_s, u"same"_s,
                                u"speech"_s,  u"at"_s,     u"3:45"_s,  u"on"_s,  u"24.12.2023"_s,
                                u"Nothing"_s, u"is"_s,     u"lost"_s};
    const struct
    {
        QString name;
        QString format; // --format, or empty
        int major;
        bool lossy;
    } rows[] = {
        {u"a.aif"_s, {}, SF_FORMAT_AIFF, false},
        {u"a.wav"_s, {}, SF_FORMAT_WAVEX, false},
        {u"a.FLAC"_s, {}, SF_FORMAT_FLAC, false},
        {u"a.ogg"_s, {}, SF_FORMAT_OGG, true},
        {u"a.opus"_s, {}, SF_FORMAT_OGG, true},
        {u"a.mp3"_s, {}, SF_FORMAT_MPEG, true},
        {u"a.speech"_s, u"flac"_s, SF_FORMAT_FLAC, false},
    };
    for (const auto &[voice, rate] :
         {std::pair{u"gmw/en"_s, 22050}, {u"flite:slt"_s, 16000}, {u"flite:kal"_s, 8000}}) {
        SCOPED_TRACE(voice.toStdString());
        const QString reference = dir.filePath(u"reference.aiff"_s);
        ASSERT_EQ(run({u"--export"_s, reference, u"--voice"_s, voice, input}).status, 0);
        const auto expected = readSoundFile(reference);
        ASSERT_GT(expected.info.frames, rate);
        EXPECT_EQ(expected.info.samplerate, rate);
        for (const auto &row : rows) {
            SCOPED_TRACE(row.name.toStdString());
            const QString path = dir.filePath(row.name);
            const QString vtt = dir.filePath(u"cues.vtt"_s);
            QStringList arguments{u"--export"_s, path,  u"--timings"_s, vtt,
                                  u"--voice"_s,  voice, input};
            if (!row.format.isEmpty())
                arguments << u"--format"_s << row.format;
            const Outcome outcome = run(arguments);
            ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
            EXPECT_EQ(cueWords(vtt), tokens);
            const QString lastTimes =
                QString::fromUtf8(TestSupport::contents(vtt)).trimmed().section(u'\n', -2, -2);
            const QTime end =
                QTime::fromString(lastTimes.section(u" --> "_s, 1), u"hh:mm:ss.zzz"_s);
            EXPECT_NEAR(end.msecsSinceStartOfDay(), double(expected.info.frames) * 1000 / rate, 1)
                << "the last cue ends with the sound";
            const auto written = readSoundFile(path);
            ASSERT_TRUE(written.valid);
            EXPECT_EQ(written.info.format & SF_FORMAT_TYPEMASK, row.major);
            EXPECT_EQ(written.info.channels, 1);
            if (!row.lossy) {
                EXPECT_EQ(written.samples, expected.samples);
                continue;
            }
            // The codecs' padding and Opus's own rate aside, the same length.
            const double seconds = double(written.info.frames) / written.info.samplerate;
            EXPECT_NEAR(seconds, double(expected.info.frames) / rate, 0.1);
            const auto loudest = std::max_element(
                written.samples.begin(), written.samples.end(),
                [](qint16 a, qint16 b) { return std::abs(int(a)) < std::abs(int(b)); });
            EXPECT_GT(std::abs(int(*loudest)), 3000) << "silent";
        }
    }
}

// A document is spoken as the plain text it holds: the very samples of that
// text's own export.
TEST(Program, ExportsEachKindOfDocumentAsThePlainTextItHolds)
{
    QTemporaryDir dir;
    // Files a page names are never read: this one would never end.
    const QByteArray fifo = QFile::encodeName(dir.filePath(u"fifo"_s));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const QString page = u"A heading\nFirst paragraph & more.\nSecond one."_s;
    const QString german = u"„Grüße aus München“, schöne Straße für 5 €."_s;
    const QByteArray utf16(reinterpret_cast<const char *>(german.utf16()), german.size() * 2);
    QByteArray utf16be = utf16;
    for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
        std::swap(utf16be[i], utf16be[i + 1]);
    const struct
    {
        QString name;
        QByteArray bytes;
        QString text;
    } rows[] = {
        {u"page.html"_s,
         "<!DOCTYPE html><html><head><title>Not said</title><link rel=stylesheet href=" + fifo +
             "><style>@import url(" + fifo +
             "); p { color: red }</style><script>var notSaid;</script></head><body>"
             "<h1>A heading</h1><p>First paragraph &amp; more.<img src=fifo></p>"
             "<p>Second one.</p></body></html>",
         page},
        {u"notes.md"_s, "# A heading\n\nFirst paragraph & more.![](fifo)\n\nSecond *one*.\n", page},
        {u"cp1252.txt"_s,
         "\x84Gr\xfc\xdf"
         "e aus M\xfcnchen\x93, sch\xf6ne Stra\xdf"
         "e f\xfcr 5 \x80.",
         german},
        {u"utf16le.txt"_s, "\xff\xfe" + utf16, german},
        {u"utf16be.txt"_s, "\xfe\xff" + utf16be, german},
        {u"bom.txt"_s, "\xef\xbb\xbf" + german.toUtf8(), german},
        // The kind comes from the content, not the name.
        {u"book.txt"_s,
         ZipDocumentMakers::epub(
             {{"one.xhtml", ZipDocumentMakers::xhtml("Not said", "<h1>A heading</h1>")},
              {"two.xhtml",
               ZipDocumentMakers::xhtml("Not said",
                                        "<p>First paragraph &amp; more.</p><p>Second one.</p>")}}),
         u"A heading\n\nFirst paragraph & more.\nSecond one."_s},
        {u"text.odt"_s,
         ZipDocumentMakers::odt("<text:h>A heading</text:h><text:p>First paragraph &amp; "
                                "more.</text:p><text:p>Second one.</text:p>"),
         page},
        {u"text.docx"_s,
         ZipDocumentMakers::docx(
             "<w:p><w:r><w:t>A heading</w:t></w:r></w:p><w:p><w:r><w:t "
             "xml:space=\"preserve\">First paragraph &amp; more.</w:t></w:r></w:p>"
             "<w:p><w:r><w:t>Second one.</w:t></w:r></w:p>"),
         page},
        {u"paper.pdf"_s,
         PdfMakers::textPdf({{{72, 100, u"A heading"_s},
                              {72, 160, u"First paragraph & more."_s},
                              {72, 220, u"Second one."_s}}}),
         u"A heading\n\nFirst paragraph & more.\n\nSecond one."_s},
        {u"deep.html"_s,
         "<html><body>" + QByteArray("<div>").repeated(100000) + "Deep down." +
             QByteArray("</div>").repeated(100000),
         u"Deep down."_s},
        // A file of the kernel's, which says it is empty until it is read.
        {u"/proc/sys/kernel/ostype"_s, {}, u"Linux"_s},
    };
    QHash<QString, std::vector<qint16>> spoken;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        if (!spoken.contains(row.text)) {
            const QString plain =
                TestSupport::writeFile(dir.filePath(u"plain.txt"_s), row.text.toUtf8());
            ASSERT_EQ(run({u"--export"_s, dir.filePath(u"plain.wav"_s), plain}).status, 0);
            spoken[row.text] = readSoundFile(dir.filePath(u"plain.wav"_s)).samples;
        }
        const QString input = row.name.startsWith(u'/')
                                  ? row.name
                                  : TestSupport::writeFile(dir.filePath(row.name), row.bytes);
        const QString output = dir.filePath(QFileInfo(row.name).fileName() + u".wav"_s);
        const Outcome outcome = run({u"--export"_s, output, input});
        ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
        EXPECT_TRUE(readSoundFile(output).samples == spoken[row.text]);
    }
}

// An audiobook from a book: the chapters of its contents reach the player's
// chapter list in each format that holds one, and one file per chapter adds
// up to the whole.
TEST(Program, ABookBecomesAnAudiobookWithItsChapters)
{
    QTemporaryDir dir;
    const QString book = dir.filePath(u"book.epub"_s);
    QFile file(book);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ZipDocumentMakers::epub(
        {{"one.xhtml", ZipDocumentMakers::xhtml("One", "<p>It begins on a quiet road.</p>")},
         {"two.xhtml", ZipDocumentMakers::xhtml("Two", "<p>The road turns to the sea.</p>")},
         {"three.xhtml", ZipDocumentMakers::xhtml("Three", "<p>And there it ends.</p>")}}));
    file.close();
    const QStringList titles{u"Chapter 1"_s, u"Chapter 2"_s, u"Chapter 3"_s};
    for (const QString &name : {u"book.m4b"_s, u"book.mp3"_s, u"book.opus"_s}) {
        const Outcome exported = run({u"--export"_s, dir.filePath(name), book});
        ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
        const ReadBack audio = readBack(dir.filePath(name));
        QStringList read;
        for (const ReadChapter &chapter : audio.chapters)
            read << chapter.title;
        EXPECT_EQ(read, titles) << name.toStdString();
        ASSERT_EQ(audio.chapters.size(), 3);
        EXPECT_LT(audio.chapters[0].endMs, audio.chapters[2].startMs) << name.toStdString();
    }
    const Outcome aiff = run({u"--export"_s, dir.filePath(u"book.aiff"_s), book});
    EXPECT_EQ(aiff.status, 0);
    EXPECT_TRUE(aiff.err.contains(u"AIFF files hold no chapters"_s)) << aiff.err.toStdString();

    QDir split(dir.filePath(u"split"_s));
    ASSERT_TRUE(split.mkpath(u"."_s));
    const Outcome each =
        run({u"--export"_s, split.filePath(u"book.flac"_s), u"--split-chapters"_s, book});
    ASSERT_EQ(each.status, 0) << each.err.toStdString();
    const QStringList files = split.entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{u"01 Chapter 1.flac"_s, u"02 Chapter 2.flac"_s,
                                  u"03 Chapter 3.flac"_s}));
    qint64 frames = 0;
    for (const QString &name : files)
        frames += qint64(readSoundFile(split.filePath(name)).samples.size());
    const qint64 whole = qint64(readSoundFile(dir.filePath(u"book.aiff"_s)).samples.size());
    EXPECT_NEAR(double(frames), double(whole), 0.01 * double(whole));
}

TEST(Program, TimingsFollowTheWordsOfTheAudio)
{
    QTemporaryDir dir;
    // Words the engine folds into its neighbour's report or reports with
    // length 0, and a time it reports in parts: each its own cue.
    const QString said =
        u"From the lantern in the wind, he said “a quote” and left. It is 3:45 on 24.12.2023."_s;
    const QString input = TestSupport::writeFile(dir.filePath(u"in.txt"_s), said.toUtf8());
    const QString audio = dir.filePath(u"out.wav"_s);
    const QString vtt = dir.filePath(u"out.vtt"_s);
    const QString json = dir.filePath(u"alone.json"_s);
    ASSERT_EQ(run({u"--export"_s, audio, u"--timings"_s, vtt, input}).status, 0);
    const Outcome alone = run({u"--timings"_s, json, u"--progress"_s, input});
    ASSERT_EQ(alone.status, 0);
    EXPECT_TRUE(alone.err.contains(u"100%"_s)) << alone.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4) << "audio with --timings alone";

    const auto sound = readSoundFile(audio);
    const auto firstSound = std::find_if(sound.samples.begin(), sound.samples.end(),
                                         [](qint16 s) { return std::abs(int(s)) > 100; });
    ASSERT_NE(firstSound, sound.samples.end());
    const double soundStartMs = double(firstSound - sound.samples.begin()) * 1000.0 / 22050;
    const double audioEndMs = double(sound.info.frames) * 1000.0 / 22050;
    const qsizetype words =
        SpeechSynthesizer::wordTimes(said, SpeechSynthesizer::defaultVoice(), 175.0f).size();

    // WebVTT: the header, then cues of a number, "start --> end" and the
    // word, each closed by a blank line.
    const QStringList blocks = QString::fromUtf8(TestSupport::contents(vtt)).split(u"\n\n"_s);
    ASSERT_GT(blocks.size(), 2);
    EXPECT_EQ(blocks.first(), u"WEBVTT"_s);
    EXPECT_TRUE(blocks.last().isEmpty());
    const QRegularExpression cue(
        uR"(^(\d+)\n(\d\d):(\d\d):(\d\d)\.(\d{3}) --> (\d\d):(\d\d):(\d\d)\.(\d{3})\n(\S.*)$)"_s);
    const auto ms = [](const QRegularExpressionMatch &m, int first) {
        return ((m.captured(first).toLongLong() * 60 + m.captured(first + 1).toLongLong()) * 60 +
                m.captured(first + 2).toLongLong()) *
                   1000 +
               m.captured(first + 3).toLongLong();
    };
    const QJsonArray jsonWords =
        QJsonDocument::fromJson(TestSupport::contents(json)).object().value(u"words"_s).toArray();
    EXPECT_EQ(blocks.size() - 2, words);
    EXPECT_EQ(jsonWords.size(), words);
    qint64 previousEnd = 0;
    for (qsizetype i = 1; i + 1 < blocks.size(); ++i) {
        const QRegularExpressionMatch m = cue.match(blocks[i]);
        ASSERT_TRUE(m.hasMatch()) << blocks[i].toStdString();
        EXPECT_EQ(m.captured(1).toLongLong(), i);
        const qint64 start = ms(m, 2);
        const qint64 end = ms(m, 6);
        if (i == 1) {
            EXPECT_NEAR(double(start), soundStartMs, 5.0);
        }
        EXPECT_GE(start, previousEnd);
        EXPECT_GE(end, start);
        previousEnd = end;
        // The JSON of the render without audio has the same cues, and the
        // word's place in the text.
        const QJsonObject word = jsonWords.at(i - 1).toObject();
        EXPECT_EQ(word.value(u"start"_s).toInteger(), start);
        EXPECT_EQ(word.value(u"end"_s).toInteger(), end);
        const QJsonArray range = word.value(u"utf16"_s).toArray();
        EXPECT_EQ(said.mid(range.at(0).toInteger(), range.at(1).toInteger()),
                  word.value(u"text"_s).toString());
        EXPECT_EQ(m.captured(10), word.value(u"text"_s).toString());
    }
    EXPECT_LE(double(previousEnd), audioEndMs);
    EXPECT_EQ(cueWords(vtt).join(u' ').toStdString(),
              "From the lantern in the wind he said a quote and left It is 3:45 on 24.12.2023");
}

// The personal lexicon and those given change how words sound; every cue
// still names the written word where it stands. A broken entry stops the
// export before anything is written.
TEST(Program, ALexiconChangesTheSpeechWhileCuesNameTheWrittenWords)
{
    QTemporaryDir dir;
    const QString said = u"I use Tavorin every day. See § 12 now, hello there."_s;
    const QString input = TestSupport::writeFile(dir.filePath(u"in.txt"_s), said.toUtf8());
    QDir(dir.path()).mkpath(u"config/tavorin"_s);
    TestSupport::writeFile(dir.filePath(u"config/tavorin/lexicon.txt"_s),
                           "Tavorin = Ta vo rin ta vo rin\n");
    const QString given =
        TestSupport::writeFile(dir.filePath(u"given.txt"_s),
                               "/\u00a7 ?(\\d+)/ = Paragraph \\1\nhello = [[h@l'oU h@l'oU]]\n");
    const QString broken = TestSupport::writeFile(dir.filePath(u"broken.txt"_s),
                                                  "# fine\nday = night\n\n/(day/ = night\n");
    const auto cues = [&](const QString &configuration, const QStringList &lexicons) {
        QStringList arguments{u"--timings"_s, dir.filePath(u"out.json"_s), input};
        for (const QString &lexicon : lexicons)
            arguments << u"--lexicon"_s << lexicon;
        const Outcome outcome =
            run(arguments, {}, program, {u"XDG_CONFIG_HOME="_s + dir.filePath(configuration)});
        EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
        QHash<QString, std::pair<qint64, qint64>> found; // text: utf16 location, duration
        const QJsonArray words =
            QJsonDocument::fromJson(TestSupport::contents(dir.filePath(u"out.json"_s)))
                .object()
                .value(u"words"_s)
                .toArray();
        for (const QJsonValue &value : words) {
            const QJsonObject word = value.toObject();
            const QJsonArray range = word.value(u"utf16"_s).toArray();
            EXPECT_EQ(said.mid(range.at(0).toInteger(), range.at(1).toInteger()),
                      word.value(u"text"_s).toString());
            found.insert(word.value(u"text"_s).toString(),
                         {range.at(0).toInteger(),
                          word.value(u"end"_s).toInteger() - word.value(u"start"_s).toInteger()});
        }
        return found;
    };
    const auto plain = cues(u"none"_s, {});
    const auto changed = cues(u"config"_s, {given});
    EXPECT_EQ(plain.size(), 11);
    EXPECT_EQ(changed.size(), 10) << "the paragraph and its number are one cue";
    ASSERT_TRUE(changed.contains(u"\u00a7 12"_s));
    EXPECT_EQ(changed.value(u"\u00a7 12"_s).first, said.indexOf(u'\u00a7'));
    for (const QString &word : {u"Tavorin"_s, u"hello"_s}) {
        EXPECT_EQ(changed.value(word).first, plain.value(word).first);
        EXPECT_GT(changed.value(word).second, plain.value(word).second * 3 / 2)
            << word.toStdString();
    }
    EXPECT_NEAR(double(changed.value(u"every"_s).second), double(plain.value(u"every"_s).second),
                50.0);

    const QString out = dir.filePath(u"refused.wav"_s);
    const Outcome refused =
        run({u"--export"_s, out, u"--lexicon"_s, given, u"--lexicon"_s, broken, input});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.startsWith(u"tavorin: "_s + broken +
                                       u" line 4: the regular expression does not compile"_s))
        << refused.err.toStdString();
    expectUsageErrorForm(refused);
    EXPECT_FALSE(QFileInfo::exists(out));
}

// A scanned page is read aloud in the language asked for; one whose data is
// not installed is said once and English read instead.
TEST(Program, ReadsTheWordsOfAScannedPage)
{
    QTemporaryDir dir;
    const QStringList lines = {u"Über den Bäumen hörte man früh die Vögel, während"_s,
                               u"der Fluss größer wurde. Am Abend schloss die Fähre."_s};
    const QString scan = TestSupport::writeFile(
        dir.filePath(u"scan.pdf"_s),
        PdfMakers::textPdf({{{72, 100, lines[0]}, {72, 118, lines[1]}}}, true));
    const QString json = dir.filePath(u"scan.json"_s);
    for (const QString &language : {u"deu"_s, u"xyz+deu"_s}) {
        SCOPED_TRACE(language.toStdString());
        const Outcome outcome = run({u"--timings"_s, json, u"--ocr-language"_s, language, scan});
        ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
        EXPECT_EQ(outcome.err.count(u"no language data for xyz"_s), language.contains(u"xyz"));
        QStringList spoken;
        for (const QJsonValue &word : QJsonDocument::fromJson(TestSupport::contents(json))
                                          .object()
                                          .value(u"words"_s)
                                          .toArray())
            spoken.append(word.toObject().value(u"text"_s).toString());
        const QStringList words =
            lines.join(u' ').split(QRegularExpression(u"[\\s,.]+"_s), Qt::SkipEmptyParts);
        const auto read = std::count_if(words.cbegin(), words.cend(),
                                        [&](const QString &w) { return spoken.contains(w); });
        EXPECT_GE(double(read), words.size() * 0.9) << spoken.join(u' ').toStdString();
    }
}

TEST(Program, ExportWritesThroughLinksKeepsOnlyPermissionBitsAndClearsItsLeftovers)
{
    QTemporaryDir dir;
    // Names as bytes that are not UTF-8 reach the file system unchanged.
    const QByteArray folder = QFile::encodeName(dir.path());
    const auto touch = [](const QByteArray &path) {
        return ::close(::open(path.constData(), O_CREAT | O_WRONLY, 0600)) == 0;
    };
    const QByteArray real = folder + "/real\xfe.aiff";
    const QByteArray link = folder + "/link.aiff";
    // QTemporaryDir cannot remove names that are not UTF-8.
    const auto removeBytes = qScopeGuard([&] {
        ::unlink(real.constData());
        ::unlink(QByteArray(folder + "/bad\xffname.txt").constData());
    });
    ASSERT_TRUE(touch(real));
    ASSERT_EQ(::chmod(real.constData(), 04751), 0);
    ASSERT_EQ(::symlink("real\xfe.aiff", link.constData()), 0);

    // Leftovers of a killed export: one of a process that is gone, one older
    // than the process that now has its number. A running export's stays.
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QByteArray ours = QByteArray::number(qint64(::getpid()));
    const QByteArray gone = folder + "/.tavorin.999999999.aaaaaa." + host + ".tmp";
    const QByteArray reused = folder + "/.tavorin." + ours + ".bbbbbb." + host + ".tmp";
    const QByteArray running = folder + "/.tavorin." + ours + ".cccccc." + host + ".tmp";
    for (const QByteArray &leftover : {gone, reused, running})
        ASSERT_TRUE(touch(leftover));
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, reused.constData(), longAgo, 0), 0);

    // QProcess cannot pass bytes that are not UTF-8: the shell makes them,
    // and the input file under such a name.
    const Outcome bytes =
        run({u"-c"_s,
             u"in=$(printf '%b' \"$2\"); printf 'Hello there.' > \"$in\"; "
             u"exec \"$0\" --export \"$(printf '%b' \"$1\")\" \"$in\""_s,
             program, dir.path() + u"/link.aiff"_s, dir.path() + u"/bad\\0377name.txt"_s},
            {}, u"/bin/sh"_s);
    EXPECT_EQ(bytes.status, 0) << bytes.err.toStdString();

    struct stat info = {};
    ASSERT_EQ(::lstat(link.constData(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat(real.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0751u);
    EXPECT_GT(readSoundFile(dir.path() + u"/link.aiff"_s).info.frames, 1000);
    EXPECT_NE(::access(gone.constData(), F_OK), 0);
    EXPECT_NE(::access(reused.constData(), F_OK), 0);
    EXPECT_EQ(::access(running.constData(), F_OK), 0);
}

TEST(Program, AnInterruptedExportLeavesNoFile)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(u"long.aiff"_s);
    QProcess process;
    process.setProcessEnvironment(environmentWith());
    process.start(program, {u"--export"_s, out, u"--rate"_s, u"80"_s, u"--jobs"_s, u"2"_s, u"-"_s});
    ASSERT_TRUE(process.waitForStarted());
    process.write(QByteArray("Many words to speak slowly for a long while. ").repeated(20000));
    process.closeWriteChannel();
    // Wait until the render has opened its file in the target's folder (it
    // may have no name there until it is complete).
    const QString fds = u"/proc/%1/fd"_s.arg(process.processId());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList open =
                QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
            return std::any_of(open.begin(), open.end(), [&](const QString &fd) {
                char target[4096] = {};
                const QByteArray link = QFile::encodeName(fds + u'/' + fd);
                const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
                return length > 0 && QFile::decodeName(target).startsWith(dir.path());
            });
        },
        TestSupport::Patience));
    // Rendered with a worker (however busy the machine), ended with the export.
    if (QThread::idealThreadCount() > 1) {
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !TestSupport::children(process.processId()).isEmpty(); },
                            TestSupport::Patience));
    }
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(TestSupport::Patience));
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_EQ(markedProcesses(), 0);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(u"interrupted"_s));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

namespace {

// A text long enough to be rendered by workers.
QString longText()
{
    QString text;
    while (text.size() < 33 * 1024)
        text += paragraphs();
    return text;
}

// The program's children while it runs: the most at once.
qsizetype mostChildren(QProcess &process)
{
    qsizetype most = 0;
    QElapsedTimer waited;
    waited.start();
    while (process.state() != QProcess::NotRunning && waited.elapsed() < TestSupport::Patience) {
        most = std::max(most, TestSupport::children(process.processId()).size());
        process.waitForFinished(10);
    }
    return most;
}

} // namespace

// However many processes are asked for, no more workers run than there are
// cores.
TEST(Program, AnExportStartsNoMoreWorkersThanThereAreCores)
{
    QTemporaryDir dir;
    const QString input = TestSupport::writeFile(dir.filePath(u"in.txt"_s), longText().toUtf8());
    QProcess process;
    process.setProcessEnvironment(environmentWith());
    process.start(program, {u"--timings"_s, dir.filePath(u"out.json"_s), u"--rate"_s, u"450"_s,
                            u"--jobs"_s, u"256"_s, input});
    ASSERT_TRUE(process.waitForStarted());
    const qsizetype workers = mostChildren(process);
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_LE(workers, QThread::idealThreadCount());
    EXPECT_EQ(workers > 0, QThread::idealThreadCount() > 1);
}

TEST(Program, ACrashedWorkerFailsTheExportWithItsReasonAndLeavesNothing)
{
    if (QThread::idealThreadCount() < 2)
        GTEST_SKIP() << "one core: no workers";
    QTemporaryDir dir;
    const QString input = TestSupport::writeFile(dir.filePath(u"in.txt"_s), longText().toUtf8());
    const QString out = TestSupport::writeFile(dir.filePath(u"out.wav"_s), "old contents");
    QProcess process;
    process.setProcessEnvironment(environmentWith());
    process.start(program, {u"--export"_s, out, u"--timings"_s, dir.filePath(u"out.vtt"_s),
                            u"--jobs"_s, u"2"_s, input});
    ASSERT_TRUE(process.waitForStarted());
    QList<qint64> workers;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !(workers = TestSupport::children(process.processId())).isEmpty(); },
        TestSupport::Patience));
    ::kill(pid_t(workers.constFirst()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(TestSupport::Patience));
    EXPECT_EQ(process.exitCode(), 1);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    // Only the reason: nothing the worker said before it was ended.
    EXPECT_TRUE(err.contains(u"rendering process was ended by SIGKILL\n"_s)) << err.toStdString();
    EXPECT_EQ(TestSupport::contents(out), "old contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{u"in.txt"_s, u"out.wav"_s}));
    EXPECT_EQ(markedProcesses(), 0);
}

class SingleInstanceProgram : public ::testing::Test
{
protected:
    // The runtime folder is the user's own, as the desktop makes it.
    SingleInstanceProgram()
    {
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
    }

    void TearDown() override
    {
        for (QProcess *process : std::as_const(running)) {
            process->terminate();
            if (!process->waitForFinished(TestSupport::Patience))
                process->kill();
            process->waitForFinished(TestSupport::Patience);
            delete process;
        }
    }

    // `limits` run the program under prlimit with those options.
    QProcess *start(const QStringList &arguments = {}, const QStringList &limits = {})
    {
        auto *process = new QProcess;
        process->setProcessEnvironment(environmentWith(runtime.path()));
        if (limits.isEmpty())
            process->start(program, arguments);
        else
            process->start(u"prlimit"_s, limits + QStringList{program} + arguments);
        EXPECT_TRUE(process->waitForStarted());
        running << process;
        return process;
    }

    QString channel() const { return runtime.filePath(u"tavorin/instance.socket"_s); }

    ino_t channelInode() const
    {
        struct stat info = {};
        return ::stat(QFile::encodeName(channel()).constData(), &info) == 0 ? info.st_ino : 0;
    }

    QString folder()
    {
        const QString path = runtime.filePath(u"tavorin"_s);
        QDir(runtime.path()).mkpath(u"tavorin"_s);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        return path;
    }

    static bool waitForLine(QProcess *process, QString &seen, const QString &line)
    {
        return QTest::qWaitFor(
            [&] {
                seen += QString::fromUtf8(process->readAllStandardError());
                return seen.contains(line);
            },
            TestSupport::Patience);
    }

    // One more launch, waited for: its exit status (-1 for a crash or a hang)
    // and what it said.
    std::pair<int, QString> launch(const QStringList &arguments = {})
    {
        QProcess *process = start(arguments);
        // The test's own timers go on meanwhile.
        if (!QTest::qWaitFor([process] { return process->state() == QProcess::NotRunning; },
                             TestSupport::Patience) ||
            process->exitStatus() != QProcess::NormalExit)
            return {-1, QString()};
        return {process->exitCode(), QString::fromUtf8(process->readAllStandardError())};
    }

    QTemporaryDir runtime;
    QList<QProcess *> running;
};

// One instance through what its channel meets: a launch frozen while it held
// the lock, the channel a crash left, two launches at once, a hand-over,
// floods of idle and of trickling connections, and a pause. Each launch ends
// and says why, and the running instance's channel is never replaced.
TEST_F(SingleInstanceProgram, OneInstanceOutlastsFrozenLaunchesStaleFilesRacesFloodsAndPauses)
{
    const QByteArray lock = QFile::encodeName(folder() + u"/instance.lock"_s);
    const int held = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto [frozen, frozenSaid] = launch();
    ::close(held);
    EXPECT_EQ(frozen, 1);
    EXPECT_TRUE(frozenSaid.contains(u"does not finish"_s)) << frozenSaid.toStdString();
    EXPECT_FALSE(QFile::exists(channel()));

    // A socket file that nobody answers on.
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(channel());
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ::close(stale);
    // Two launches at once: one hands over to the other and exits. Each has
    // fewer descriptors than the flood below has connections.
    QProcess *a = start({}, {u"--nofile=64"_s});
    QProcess *b = start({}, {u"--nofile=64"_s});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning; },
        TestSupport::Patience));
    QProcess *first = a->state() == QProcess::Running ? a : b;
    QProcess *exited = first == a ? b : a;
    EXPECT_EQ(exited->exitCode(), 0);
    ASSERT_EQ(first->state(), QProcess::Running);
    // Its channel in place of the stale one.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(channel());
            return probe.waitForConnected(1000);
        },
        TestSupport::Patience));
    const ino_t inode = channelInode();

    QTemporaryDir dir;
    EXPECT_EQ(launch({TestSupport::writeFile(dir.filePath(u"note.txt"_s), "hello")}).first, 0);
    QString seen;
    EXPECT_TRUE(waitForLine(first, seen, u"Another launch asked for the window"_s));

    const auto connections = [&address](int count) {
        std::vector<int> connected;
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address),
                      0);
            connected.push_back(fd);
        }
        return connected;
    };
    const std::vector<int> idle = connections(80);
    // Each idle connection is dropped after a short while.
    const bool allDropped = QTest::qWaitFor(
        [&] {
            return std::all_of(idle.begin(), idle.end(), [](int fd) {
                char byte;
                return ::recv(fd, &byte, 1, MSG_PEEK) == 0;
            });
        },
        TestSupport::Patience);
    for (const int fd : idle)
        ::close(fd);
    EXPECT_TRUE(allDropped);
    EXPECT_EQ(launch().first, 0);

    // Connections that send a byte a second hold their places no longer
    // than idle ones: a launch turned away meanwhile asks again.
    const std::vector<int> trickling = connections(32);
    QTimer drip;
    drip.callOnTimeout([&trickling] {
        for (const int fd : trickling)
            static_cast<void>(::send(fd, "{", 1, MSG_NOSIGNAL | MSG_DONTWAIT));
    });
    drip.start(1000);
    const auto [behind, behindSaid] = launch();
    drip.stop();
    for (const int fd : trickling)
        ::close(fd);
    EXPECT_EQ(behind, 0) << behindSaid.toStdString();

    ::kill(pid_t(first->processId()), SIGSTOP);
    const auto [busy, busySaid] = launch();
    ::kill(pid_t(first->processId()), SIGCONT);
    EXPECT_EQ(busy, 1);
    EXPECT_TRUE(busySaid.contains(u"does not answer"_s)) << busySaid.toStdString();
    // Answering again, it takes the next launch.
    EXPECT_EQ(launch().first, 0);
    EXPECT_EQ(channelInode(), inode);
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleInstanceProgram, QtTakesItsOwnOptionsAndTheRestAreTheFiles)
{
    QLocalServer instance;
    ASSERT_TRUE(instance.listen(folder() + u"/instance.socket"_s));
    QProcess *launch = start({u"-style"_s, u"fusion"_s, u"-reverse"_s, u"/a.txt"_s, u"fusion"_s,
                              u"file:///b%20c.txt"_s});
    ASSERT_TRUE(instance.waitForNewConnection(TestSupport::Patience));
    QLocalSocket *request = instance.nextPendingConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return request->canReadLine(); }, TestSupport::Patience));
    const QByteArray line = request->readLine();
    request->write("ok\n");
    request->flush();
    ASSERT_TRUE(launch->waitForFinished(TestSupport::Patience));
    EXPECT_EQ(launch->exitCode(), 0);
    const QString here = QDir::currentPath();
    EXPECT_EQ(QJsonDocument::fromJson(line).object().value(u"files"_s).toVariant().toStringList(),
              QStringList({u"/a.txt"_s, here + u"/fusion"_s, u"file:///b%20c.txt"_s}));
}

// An instance from before texts could be handed over only brings its window
// back: the launch must not report that as the text spoken.
TEST_F(SingleInstanceProgram, SpeechHandedToAnOlderInstanceIsNoSuccess)
{
    QLocalServer older;
    ASSERT_TRUE(older.listen(folder() + u"/instance.socket"_s));
    QProcess *launch = start({u"--speak"_s, u"Hello there"_s});
    ASSERT_TRUE(older.waitForNewConnection(TestSupport::Patience));
    QLocalSocket *request = older.nextPendingConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return request->canReadLine(); }, TestSupport::Patience));
    EXPECT_EQ(QJsonDocument::fromJson(request->readLine()).object().value(u"speak"_s),
              u"Hello there"_s);
    request->write("ok\n");
    request->flush();
    ASSERT_TRUE(launch->waitForFinished(TestSupport::Patience));
    EXPECT_EQ(launch->exitCode(), 1);
    EXPECT_TRUE(launch->readAllStandardError().contains("cannot speak a text handed to it"));
}

TEST_F(SingleInstanceProgram, WithoutAPrivateFolderNoChannelIsOpenedNorRemoved)
{
    // The folder is a link to where another instance's channel lives.
    QTemporaryDir elsewhere;
    QLocalServer other;
    ASSERT_TRUE(other.listen(elsewhere.filePath(u"instance.socket"_s)));
    ASSERT_TRUE(QFile::link(elsewhere.path(), runtime.filePath(u"tavorin"_s)));

    // Opening the file comes last before an instance would be listening.
    QProcess *standalone = start({runtime.filePath(u"missing.txt"_s)});
    QString seen;
    ASSERT_TRUE(waitForLine(standalone, seen, u"Running without the instance channel"_s));
    ASSERT_TRUE(waitForLine(standalone, seen, u"missing.txt"_s));
    QLocalSocket client;
    client.connectToServer(elsewhere.filePath(u"instance.socket"_s));
    EXPECT_TRUE(client.waitForConnected(TestSupport::Patience));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return other.hasPendingConnections(); }, TestSupport::Patience));
}

TEST(Install, PutsEverythingWhereTheDesktopLooksAndRuns)
{
    QTemporaryDir prefix;
    QProcess install;
    install.start(u"cmake"_s, {u"--install"_s, QStringLiteral(TAVORIN_BUILD_DIR), u"--prefix"_s,
                               prefix.path()});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    const QDir root(prefix.path());
    for (const QString &file :
         {u"bin/tavorin"_s, u"share/applications/org.tavorin.Tavorin.desktop"_s,
          u"share/icons/hicolor/scalable/apps/org.tavorin.Tavorin.svg"_s,
          u"share/metainfo/org.tavorin.Tavorin.metainfo.xml"_s, u"share/tavorin/getpath.sh"_s,
          u"share/tavorin/ACKNOWLEDGMENTS.md"_s})
        EXPECT_TRUE(QFile::exists(root.filePath(file))) << file.toStdString();

    // The installed program's resource folder is its own, not the source tree's.
    const QStringList folders = Bundle::resourceDirectoriesFor(root.filePath(u"bin"_s));
    EXPECT_EQ(Bundle::pathForResource(u"getpath.sh"_s, folders),
              root.filePath(u"share/tavorin/getpath.sh"_s));
    EXPECT_EQ(Bundle::pathForResource(u"MainWindow.ui"_s, folders), QString());

    for (const QStringList &validator :
         {QStringList{u"desktop-file-validate"_s,
                      root.filePath(u"share/applications/org.tavorin.Tavorin.desktop"_s)},
          QStringList{u"appstreamcli"_s, u"validate"_s, u"--no-net"_s,
                      root.filePath(u"share/metainfo/org.tavorin.Tavorin.metainfo.xml"_s)}}) {
        const Outcome valid = run(validator.mid(1), {}, validator.first());
        EXPECT_EQ(valid.status, 0) << valid.out.toStdString();
    }
    const QString out = root.filePath(u"installed.aiff"_s);
    EXPECT_EQ(run({u"--export"_s, out, u"-"_s}, "Installed and speaking.",
                  root.filePath(u"bin/tavorin"_s))
                  .status,
              0);
    EXPECT_TRUE(readSoundFile(out).valid);
}
