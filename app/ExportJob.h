#pragma once

#include "app/ExportProgress.h"
#include "platform/speech/CharacterRange.h"
#include "platform/speech/SpeechSynthesizer.h"

#include <QObject>
#include <QString>
#include <QUrl>

// One export of the whole text to a sound file, a timing file or both: it
// starts the synthesizer's render, follows its words to tell how far it is,
// and says why it failed when it did. The window shows what it reports.
class ExportJob : public QObject
{
    Q_OBJECT

public:
    explicit ExportJob(QObject *parent = nullptr);
    ~ExportJob() override;

    // Renders `text` into `url` when given, and the word timings into the
    // options' timingsPath when given.
    void start(SpeechSynthesizer *synthesizer, const QString &text, const QUrl &url,
               SpeechSynthesizer::ExportOptions options);
    bool isRunning() const { return m_running; }
    // Something else took the synthesizer over: its end is not this export's.
    void abandon() { m_running = false; }

    // A word of the export was rendered. True when the window may mark it:
    // as often as the progress is shown, and only ever further on.
    bool reach(CharacterRange word);
    // The synthesizer's end report: a failed export says why, a stopped one
    // says nothing, a finished one what its file leaves out (chapters the
    // format cannot hold), if anything.
    void end(bool finished, const QString &reason);

Q_SIGNALS:
    // The line the status area shows, and the thousandths of the text done.
    void progressed(const QString &line, int permille);
    void failed(const QString &message);
    void noticed(const QString &message);

private:
    ExportProgress m_progress;
    QString m_path;
    QString m_notice;
    // Where the last word the window marked ends.
    quint64 m_markedUpTo = 0;
    bool m_running = false;
};
