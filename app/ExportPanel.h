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
    // `saveTimings` receives the choice when the panel is accepted; the
    // choice is remembered for the next export. `voice` names the voice the
    // export speaks with, which the panel says.
    static std::function<void()> prepareAudio(QFileDialog *panel, const QString &voice,
                                              std::shared_ptr<bool> saveTimings);
    static std::function<void()> prepareTimings(QFileDialog *panel, const QString &voice);
    // How many processes render an export at once (the panel's setting,
    // remembered): 0, automatic, unless the person chose a number.
    static int jobs();
    // The timing file saved with an audio file: its name, ending in .vtt.
    static QString timingsPathFor(const QString &audioPath);
};
