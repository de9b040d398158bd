// Playback, export and the synthesizer's reports.
#include "app/AppDelegate.h"

#include "app/FindIndicator.h"
#include "platform/Log.h"
#include "platform/MenuItem.h"
#include "platform/PopUpButton.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace {

QString textOf(const QPlainTextEdit *view)
{
    return view ? view->toPlainText() : QString();
}

} // namespace

void AppDelegate::doPlay(QObject *sender)
{
    Q_UNUSED(sender);
    setIsPlaying(true);

    QString text = textOf(m_textView);
    m_spokenRange = {0, quint64(text.size())};
    if (m_textView) {
        const QTextCursor selection = m_textView->textCursor();
        if (selection.hasSelection()) {
            const int start = selection.selectionStart();
            const int length = selection.selectionEnd() - start;
            text = text.mid(start, length);
            m_spokenRange = {quint64(start), quint64(length)};
        }
    }

    QString identifier;
    if (m_voicePopup) {
        if (QAction *item = m_voicePopup->selectedItem())
            identifier =
                MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString();
    }
    if (m_speechSynth) {
        m_speechSynth->setVoice(identifier);
        if (m_isPaused) {
            m_speechSynth->continueSpeaking();
        } else {
            m_exportInProgress = false;
            m_speechSynth->startSpeakingString(text);
        }
    }

    showStatus(u"Speaking..."_s, true);
    setIsPaused(false);
}

void AppDelegate::doPause(QObject *sender)
{
    Q_UNUSED(sender);
    setIsPlaying(false);
    setIsPaused(true);
    showStatus(u"Paused"_s, false);
    if (m_speechSynth)
        m_speechSynth->pauseSpeakingAtBoundary(0);
}

void AppDelegate::doStop(QObject *sender)
{
    Q_UNUSED(sender);
    setIsPlaying(false);
    setIsPaused(false);
    hideStatus();
    if (m_speechSynth)
        m_speechSynth->stopSpeaking();
}

void AppDelegate::doExport(QObject *sender)
{
    Q_UNUSED(sender);
    saveDialogWithPath(QString(), u"output.aiff"_s, [this](const QUrl &url) {
        setIsExporting(true);
        showStatus(u"Exporting..."_s, true);
        m_exportInProgress = true;
        m_exportPath = url.toLocalFile();
        if (m_speechSynth)
            m_speechSynth->startSpeakingString(textOf(m_textView), url);
    });
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                                    const QString &string)
{
    Q_UNUSED(sender);
    Q_UNUSED(string);
    if (!m_findIndicator)
        return;
    // An export always speaks the whole text from its start, so its words
    // stand at their own place whatever the last playback spoke.
    const quint64 offset = m_exportInProgress ? 0 : m_spokenRange.location;
    m_findIndicator->showForRange({offset + word.location, word.length});
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking)
{
    Q_UNUSED(sender);
    setIsPlaying(false);
    setIsExporting(false);
    hideStatus();
    exportEnded(finishedSpeaking);
    if (!finishedSpeaking) {
        if (m_speechSynth)
            m_speechSynth->continueSpeaking();
        Log::write(u"Without any success"_s);
    } else {
        Log::write(u"With success"_s);
    }
}
