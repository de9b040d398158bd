#pragma once

#include "platform/speech/SpeechSynthesizer.h"

#include <QString>

#include <optional>

class QSocketNotifier;

// Renders the speech of a text file, or of standard input, into an AIFF file
// with the synthesizer the window uses, without any display. Progress goes to
// standard error when it is a terminal; Ctrl+C (or SIGTERM) stops the render
// and leaves no file behind.
class HeadlessExport
{
public:
    struct Request
    {
        QString input;  // a path, or "-" for standard input
        QString output; // absolute
        std::optional<QString> voice;
        std::optional<float> rate;
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
    void showProgress(int percent);

    SpeechSynthesizer *m_synth = nullptr;
    qsizetype m_textLength = 0;
    int m_shownPercent = -1;
    bool m_progressOnTerminal = false;
    bool m_interrupted = false;
    std::optional<bool> m_finished;
};
