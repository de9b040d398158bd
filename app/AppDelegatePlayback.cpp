// Playback, export and the synthesizer's reports: the commands of the
// window, handed to the speech session and the export job.
#include "app/AppDelegate.h"

#include "app/ExportPanel.h"
#include "platform/system/Log.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

void AppDelegate::doPlay(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->play();
}

void AppDelegate::doSpeakFromCursor(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->speakFromCursor();
}

void AppDelegate::doPause(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->pause();
}

void AppDelegate::doStop(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->stop();
}

void AppDelegate::doNextSentence(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->move(TextUnits::Unit::Sentence, true);
}

void AppDelegate::doPreviousSentence(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->move(TextUnits::Unit::Sentence, false);
}

void AppDelegate::doNextParagraph(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->move(TextUnits::Unit::Paragraph, true);
}

void AppDelegate::doPreviousParagraph(QObject *sender)
{
    Q_UNUSED(sender);
    m_session->move(TextUnits::Unit::Paragraph, false);
}

bool AppDelegate::canMoveInSpeech() const
{
    return m_session->canMove();
}

bool AppDelegate::applicationSpeak(QObject *sender, const QString &text)
{
    Q_UNUSED(sender);
    return m_session->speakHandedText(text);
}

bool AppDelegate::refuseExport()
{
    SpeechSynthesizer *synthesizer = m_session->synthesizer();
    const QString refused =
        SpeechSynthesizer::checkVoiceExport(synthesizer ? synthesizer->voice() : QString());
    if (!refused.isEmpty())
        status()->showFailure(refused);
    return !refused.isEmpty();
}

void AppDelegate::doExport(QObject *sender)
{
    Q_UNUSED(sender);
    if (refuseExport())
        return;
    auto choices = std::make_shared<ExportPanel::AudioChoices>();
    saveDialogWithPath(
        QString(), u"output.aiff"_s,
        [this, choices](const QUrl &url) {
            startExport(url,
                        choices->saveTimings && url.isLocalFile()
                            ? ExportPanel::timingsPathFor(url.toLocalFile())
                            : QString(),
                        choices->splitChapters);
        },
        [this, choices](QFileDialog *panel) {
            return ExportPanel::prepareAudio(panel, m_session->exportVoice(),
                                             m_outline->chapterCount(), choices);
        });
}

void AppDelegate::doExportTimings(QObject *sender)
{
    Q_UNUSED(sender);
    if (refuseExport())
        return;
    saveDialogWithPath(
        QString(), u"output.vtt"_s,
        [this](const QUrl &url) {
            // Only a local file can be written; anything else fails with its
            // report as an export to it would.
            startExport(url.isLocalFile() ? QUrl() : url, url.toLocalFile());
        },
        [this](QFileDialog *panel) {
            return ExportPanel::prepareTimings(panel, m_session->exportVoice());
        });
}

void AppDelegate::startExport(const QUrl &url, const QString &timingsPath, bool splitChapters)
{
    // Taken before the export starts: the person may edit on meanwhile.
    TextOutline outline = m_outline->forText();
    const QString text = m_session->beginExport();
    status()->show(tr("Exporting..."), true);
    const bool split = splitChapters && !outline.chapters.isEmpty();
    m_export->start(
        m_session->synthesizer(), text, url,
        {QString(), timingsPath, ExportPanel::jobs(), std::move(outline), QString(), split});
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                                    const QString &string)
{
    Q_UNUSED(sender);
    Q_UNUSED(string);
    if (!m_export->isRunning()) {
        m_session->wordHeard(word);
    } else if (isExporting() && m_export->reach(word)) {
        m_session->markExported(word);
    }
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking)
{
    Q_UNUSED(sender);
    // The end of a stopped speech may come after a newer one began: it is
    // logged, but the state belongs to the newer speech.
    SpeechSynthesizer *synthesizer = m_session->synthesizer();
    if (!synthesizer || !synthesizer->isSpeaking()) {
        const bool exported = m_export->isRunning();
        m_session->ended(finishedSpeaking);
        if (!exported)
            rememberPlace();
        m_export->end(finishedSpeaking, synthesizer ? synthesizer->errorString() : QString());
        if (exported && findIndicator())
            findIndicator()->clear();
    }
    Log::write(finishedSpeaking ? u"With success"_s : u"Without any success"_s);
}
