// Playback, export and the synthesizer's reports.
#include "app/AppDelegate.h"

#include "app/ExportPanel.h"
#include "app/FindIndicator.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/system/Log.h"

#include <QPlainTextEdit>
#include <QProgressBar>

#include <optional>

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
    // Only a speech that is still paused is continued, over the range it was
    // taken from; anything else starts anew from the selection of the moment.
    const bool continuing = m_isPaused && m_speechSynth && m_speechSynth->isSpeaking();
    if (continuing || !m_textView) {
        speak(std::nullopt);
        return;
    }
    const QTextCursor selection = m_textView->textCursor();
    const int start = selection.selectionStart();
    speak(selection.hasSelection() ? std::optional(CharacterRange{
                                         quint64(start), quint64(selection.selectionEnd() - start)})
                                   : std::nullopt);
}

void AppDelegate::doSpeakFromCursor(QObject *sender)
{
    Q_UNUSED(sender);
    if (!m_textView)
        return;
    // From where the person is (the start of a selection) to the end; with
    // nothing after the cursor, the whole text.
    const quint64 length = quint64(m_textView->document()->characterCount() - 1);
    const auto from = quint64(m_textView->textCursor().selectionStart());
    speak(from < length ? std::optional(CharacterRange{from, length - from})
                        : std::optional(CharacterRange{0, length}));
}

// Starts speaking `range` of the text (the whole text when none is given), or
// continues the paused speech when there is one and no range is given.
void AppDelegate::speak(std::optional<CharacterRange> range)
{
    // Play is not offered during an export: both would speak through the one
    // synthesizer, and starting to play would silently drop the file the
    // person asked for. Stop ends the export (with its report) first.
    if (m_isExporting)
        return;
    const bool continuing = !range && m_isPaused && m_speechSynth && m_speechSynth->isSpeaking();
    setIsPlaying(true);

    QString text;
    if (!continuing) {
        text = textOf(m_textView);
        if (!range)
            range = CharacterRange{0, quint64(text.size())};
        text = text.mid(qsizetype(range->location), qsizetype(range->length));
    }

    QString identifier;
    if (m_voicePopup) {
        if (QAction *item = m_voicePopup->selectedItem())
            identifier =
                MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString();
    }
    if (m_speechSynth) {
        m_speechSynth->setVoice(identifier);
        if (continuing) {
            m_speechSynth->continueSpeaking();
        } else {
            m_spokenRange = *range;
            followEdits();
            m_exportInProgress = false;
            m_speechSynth->startSpeakingString(text);
        }
    }

    showStatus(tr("Speaking..."), true);
    setIsPaused(false);
}

void AppDelegate::doPause(QObject *sender)
{
    Q_UNUSED(sender);
    setIsPlaying(false);
    setIsPaused(true);
    showStatus(tr("Paused"), false);
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
    auto saveTimings = std::make_shared<bool>(false);
    saveDialogWithPath(
        QString(), u"output.aiff"_s,
        [this, saveTimings](const QUrl &url) {
            startExport(url, *saveTimings && url.isLocalFile()
                                 ? ExportPanel::timingsPathFor(url.toLocalFile())
                                 : QString());
        },
        [saveTimings](QFileDialog *panel) {
            return ExportPanel::prepareAudio(panel, saveTimings);
        });
}

void AppDelegate::doExportTimings(QObject *sender)
{
    Q_UNUSED(sender);
    saveDialogWithPath(
        QString(), u"output.vtt"_s,
        [this](const QUrl &url) {
            // Only a local file can be written; anything else fails with its
            // report as an export to it would.
            startExport(url.isLocalFile() ? QUrl() : url, url.toLocalFile());
        },
        &ExportPanel::prepareTimings);
}

void AppDelegate::startExport(const QUrl &url, const QString &timingsPath)
{
    // The export takes the synthesizer over: a playback, running or
    // paused, ends here without a report of its own.
    setIsPlaying(false);
    setIsPaused(false);
    setIsExporting(true);
    const QString text = textOf(m_textView);
    m_exportInProgress = true;
    m_exportPath = url.isEmpty() ? timingsPath : url.toLocalFile();
    m_exportProgress.start(text.size());
    showStatus(tr("Exporting..."), true);
    showExportProgress();
    followEdits();
    if (m_speechSynth)
        m_speechSynth->startSpeakingString(text, url,
                                           {QString(), timingsPath, ExportPanel::jobs()});
}

// The share of the text rendered, with the time taken and the time left; the
// bar has a range only while an export runs.
void AppDelegate::showExportProgress()
{
    if (m_statusLabel)
        m_statusLabel->setText(tr("Exporting... %1").arg(m_exportProgress.text()));
    if (m_statusProgress) {
        m_statusProgress->setAccessibleName(tr("Export progress"));
        m_statusProgress->setRange(0, 1000);
        m_statusProgress->setValue(m_exportProgress.permille());
    }
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                                    const QString &string)
{
    Q_UNUSED(sender);
    Q_UNUSED(string);
    if (m_exportInProgress && m_isExporting &&
        m_exportProgress.advance(qint64(word.location + word.length)))
        showExportProgress();
    if (!m_findIndicator || !m_textFollowed)
        return;
    // An export always speaks the whole text from its start, so its words
    // stand at their own place whatever the last playback spoke.
    const quint64 offset = m_exportInProgress ? 0 : m_spokenRange.location;
    const quint64 start = followedPosition(offset + word.location);
    const quint64 end = followedPosition(offset + word.location + word.length);
    if (end > start) {
        m_findIndicator->showForRange({start, end - start});
        if (m_caretFollowsWords && m_textView) {
            QTextCursor caret = m_textView->textCursor();
            caret.setPosition(int(start));
            m_textView->setTextCursor(caret);
        }
    }
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking)
{
    Q_UNUSED(sender);
    // The end of a stopped speech may come after a newer one began: it is
    // logged, but the state belongs to the newer speech.
    if (!m_speechSynth || !m_speechSynth->isSpeaking()) {
        setIsPlaying(false);
        setIsPaused(false);
        setIsExporting(false);
        hideStatus();
        const QString outcome = finishedSpeaking ? tr("With success") : tr("Without any success");
        announce(outcome);
        exportEnded(finishedSpeaking);
        if (!finishedSpeaking && m_speechSynth)
            m_speechSynth->continueSpeaking();
    }
    Log::write(finishedSpeaking ? u"With success"_s : u"Without any success"_s);
}

void AppDelegate::followEdits()
{
    m_edits.clear();
    m_textFollowed = true;
    QObject::disconnect(m_editObservation);
    if (m_textView) {
        m_editObservation = connect(m_textView->document(), &QTextDocument::contentsChange, this,
                                    [this](int position, int removed, int added) {
                                        m_edits.push_back({position, removed, added});
                                    });
    }
}

// Word ranges are counted in the text as it was when the speech began; the
// edits made since move them to where those words stand now.
quint64 AppDelegate::followedPosition(quint64 position) const
{
    qint64 at = qint64(position);
    for (const Edit &edit : m_edits) {
        if (at >= edit.position + edit.removed)
            at += edit.added - edit.removed;
        else if (at > edit.position)
            at = edit.position + edit.added;
    }
    return quint64(std::max<qint64>(at, 0));
}

// Before the whole text is replaced: a playback of the old text ends (with
// its report); an export goes on writing its file but marks no more words.
void AppDelegate::textWillBeReplaced()
{
    if (m_isPlaying || m_isPaused)
        doStop(this);
    m_textFollowed = false;
    QObject::disconnect(m_editObservation);
    if (m_findIndicator)
        m_findIndicator->clear();
}
