#pragma once

#include "app/ExportProgress.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/VoiceSettings.h"

#include <QString>

#include <memory>
#include <optional>

class Lexicon;
class QSocketNotifier;

// Renders the speech of a document, or of standard input, into a sound file
// and/or a file of word timings with the synthesizer the window uses, without
// any display. Progress goes to standard error when it is a terminal, or as
// plain lines when asked; Ctrl+C (or SIGTERM) stops the render and leaves no
// file behind.
class HeadlessExport
{
public:
    struct Request
    {
        QString input;   // a path, or "-" for standard input
        QString output;  // absolute, or empty for timings alone
        QString timings; // absolute, or empty
        QString format;  // empty: by the output's extension
        // A null voice is the default one.
        VoiceSettings settings;
        int jobs = 0; // processes rendering at once; 0: one per core
        bool plainProgress = false;
        QByteArray password; // of an encrypted document; empty when none was given
        std::shared_ptr<const Lexicon> lexicon;
        // A chapter list beside the audio (absolute, or empty), and one file
        // per chapter: both need a document with chapters.
        QString chapterList;
        bool splitChapters = false;
        QString ocrLanguage; // of a scanned PDF's pages; empty: the document's or the desktop's
    };

    HeadlessExport();
    ~HeadlessExport();

    // Runs the export in the current event loop; the exit status: 0 done,
    // 1 failed, 130 interrupted.
    int run(const Request &request);

private:
    void wordWillBeSpoken(CharacterRange word);
    void speechFinished(bool finishedSpeaking);
    void interrupt();
    void showProgress(qint64 done);

    SpeechSynthesizer *m_synth = nullptr;
    ExportProgress m_progress;
    bool m_progressOnTerminal = false;
    bool m_progressLines = false;
    bool m_interrupted = false;
    std::optional<bool> m_finished;
};
