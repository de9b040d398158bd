#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <memory>

class QFileDialog;

// What the save panels of Export and Export Word Timings add to a plain save
// panel: the formats as filters, with the file name's extension kept in step
// with the chosen one, and for audio the choice to save the word timings too
// and the number of processes that render it.
class ExportPanel
{
    Q_DECLARE_TR_FUNCTIONS(ExportPanel)

public:
    // What the person chose in the audio panel besides the file.
    struct AudioChoices
    {
        bool saveTimings = false;
        bool splitChapters = false;
    };
    // `choices` receives the choices when the panel is accepted; they are
    // remembered for the next export. `voice` names the voice the export
    // speaks with, which the panel says; `chapters` how many chapters the
    // text has, which it says too, with the choice of a file for each.
    static std::function<void()> prepareAudio(QFileDialog *panel, const QString &voice,
                                              qsizetype chapters,
                                              std::shared_ptr<AudioChoices> choices);
    static std::function<void()> prepareTimings(QFileDialog *panel, const QString &voice);
    // How many processes render an export at once (the panel's setting,
    // remembered): 0, automatic, unless the person chose a number.
    static int jobs();
    // The timing file saved with an audio file: its name, ending in .vtt.
    static QString timingsPathFor(const QString &audioPath);
};
