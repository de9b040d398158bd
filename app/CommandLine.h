#pragma once

#include "platform/speech/VoiceSettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// The program's command line:
//   tavorin [SHAPE] [FILE...]                  the window (or the running one)
//   tavorin --list-voices                      one voice a line
//   tavorin --export OUT [--format NAME] [--timings FILE] [--chapters FILE]
//           [--split-chapters] [--voice ID] [--rate WPM] [SHAPE] [--jobs N]
//           [--progress] [--password PASSWORD] [--ocr-language LANG] [FILE|-]
//   tavorin --timings FILE [--voice ID] [--rate WPM] [SHAPE] [--jobs N] [--progress]
//           [--password PASSWORD] [--ocr-language LANG] [FILE|-]
// each of the two with any number of --lexicon FILE,
//   tavorin --speak TEXT|- | --speak-selection   spoken by the window
// plus --help and --version, where SHAPE is any of --pitch N, --intonation N
// and --volume N. Only SHAPE reaches a window, and only one it starts.
class CommandLine
{
public:
    CommandLine();

    // The program's arguments as strings that give back their exact bytes
    // (see FileName): a file name need not be valid UTF-8.
    static QStringList arguments(int argc, char **argv);

    // True when the arguments ask for a task without a window, which then
    // runs without any display.
    static bool isTask(int argc, char **argv);

    // Says what is wrong with the arguments and where help is, as every
    // usage error does; the exit status for it.
    static int usageError(const QString &error);

    // True when the arguments hold --help-all.
    static bool asksForAllHelp(int argc, char **argv);

    // Parses `arguments` (the program's, name first). False, with the error
    // in errorText(), when they do not fit.
    bool parse(const QStringList &arguments);
    QString errorText() const { return m_error; }

    // True after a failed parse whose only fault is options that the program
    // does not know: for the window, QApplication may know them as its own
    // (-style, -platform, the platform plugin's), which only it can tell.
    bool lacksOnlyUnknownOptions() const { return m_onlyUnknownOptions; }

    // After QApplication has taken its options out of argv, which held
    // `given` before: false, with the error, when some option is still there
    // that nobody knows. What Qt took as its options' values is no file.
    bool acceptWhatQtLeft(const std::vector<char *> &given, int argc, char **argv);

    QCommandLineParser &parser() { return m_parser; }

    // Prints the help with the options of Qt that `application` takes, and
    // ends the process with status 0.
    [[noreturn]] void showHelpWithQtOptions(QCoreApplication &application);

    // Runs a task; the exit status. Needs a QCoreApplication.
    int runTask();

    // The window's files, made absolute.
    QStringList files() const;
    // Puts the pitch, intonation and volume asked for, checked by parse(),
    // into the settings it is given; none when none is asked for.
    std::function<void(VoiceSettings &)> voiceShape() const;

    // True when the arguments ask the window to speak a text.
    bool asksToSpeak() const;
    // The text to speak: --speak's, read from standard input for "-", or
    // the desktop's primary selection (which needs a QGuiApplication).
    // Empty, with the reason in `error`, when there is none to speak.
    QString speech(QString &error) const;

private:
    int listVoices();
    int exportSpeech();
    bool readShape();

    QCommandLineParser m_parser;
    QCommandLineOption m_listVoices;
    QCommandLineOption m_export;
    QCommandLineOption m_voice;
    QCommandLineOption m_rate;
    QCommandLineOption m_format;
    QCommandLineOption m_timings;
    QCommandLineOption m_progress;
    QCommandLineOption m_pitch;
    QCommandLineOption m_intonation;
    QCommandLineOption m_volume;
    std::vector<std::pair<int VoiceSettings::*, int>> m_shape;
    QCommandLineOption m_password;
    QCommandLineOption m_ocrLanguage;
    QCommandLineOption m_speak;
    QCommandLineOption m_speakSelection;
    QCommandLineOption m_jobs;
    QCommandLineOption m_lexicon;
    QCommandLineOption m_chapters;
    QCommandLineOption m_splitChapters;
    QStringList m_files;
    QString m_error;
    bool m_onlyUnknownOptions = false;
};
