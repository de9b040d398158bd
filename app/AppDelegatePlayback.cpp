// Playback, export and the synthesizer's reports.
#include "app/AppDelegate.h"

#include "app/ExportPanel.h"
#include "app/FindIndicator.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/system/Log.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextDocument>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Previous within this time of the start of a sentence or paragraph goes to
// the one before: by then the person has heard little more than its first
// word.
constexpr qint64 RestartAfterMs = 1000;

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

    if (m_speechSynth) {
        takeSelectedVoice();
        if (continuing) {
            m_speechSynth->continueSpeaking();
        } else {
            m_spokenRange = *range;
            m_spokenText = text;
            m_readingRange = *range;
            m_heardPosition = range->location;
            setHandedText(QString());
            followEdits();
            notePlace(qint64(range->location), true);
            m_exportInProgress = false;
            m_speechSynth->startSpeakingString(text);
        }
    }

    status()->show(tr("Speaking..."), true);
    setIsPaused(false);
}

// The voice chosen in the pop-up becomes the synthesizer's, which an export
// then speaks with too.
void AppDelegate::takeSelectedVoice()
{
    m_speechSynth->setVoice(selectedVoice());
    m_voiceTaken = true;
}

// What the export panel says of the voice an export speaks with: the one of
// the last playback, or the default one before any.
QString AppDelegate::exportVoice() const
{
    const QString identifier = m_speechSynth ? m_speechSynth->voice() : QString();
    QString label = identifier;
    if (m_voicePopupMenu) {
        for (QAction *item : m_voicePopupMenu->actions()) {
            const QVariantMap record = MenuItem::representedObject(item).toMap();
            if (record.value(u"identifier"_s).toString() == identifier)
                label = record.value(u"label"_s).toString();
        }
    }
    return m_voiceTaken ? tr("Voice: %1, the voice last played").arg(label)
                        : tr("Voice: %1, the default voice").arg(label);
}

QString AppDelegate::selectedVoice() const
{
    if (m_voicePopup) {
        if (QAction *item = m_voicePopup->selectedItem())
            return MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString();
    }
    return QString();
}

void AppDelegate::doPause(QObject *sender)
{
    Q_UNUSED(sender);
    setIsPlaying(false);
    setIsPaused(true);
    status()->show(tr("Paused"), false);
    if (m_speechSynth)
        m_speechSynth->pauseSpeakingAtBoundary(0);
}

void AppDelegate::doStop(QObject *sender)
{
    Q_UNUSED(sender);
    setIsPlaying(false);
    setIsPaused(false);
    status()->hide();
    if (m_speechSynth)
        m_speechSynth->stopSpeaking();
}

void AppDelegate::doNextSentence(QObject *sender)
{
    Q_UNUSED(sender);
    moveInSpeech(TextUnits::Unit::Sentence, true);
}

void AppDelegate::doPreviousSentence(QObject *sender)
{
    Q_UNUSED(sender);
    moveInSpeech(TextUnits::Unit::Sentence, false);
}

void AppDelegate::doNextParagraph(QObject *sender)
{
    Q_UNUSED(sender);
    moveInSpeech(TextUnits::Unit::Paragraph, true);
}

void AppDelegate::doPreviousParagraph(QObject *sender)
{
    Q_UNUSED(sender);
    moveInSpeech(TextUnits::Unit::Paragraph, false);
}

// A text handed over by another launch is not the editor's: the moves find
// their sentences and paragraphs in the editor's text.
bool AppDelegate::canMoveInSpeech() const
{
    return (m_isPlaying || m_isPaused) && !m_isExporting && !m_exportInProgress &&
           !m_speakingHandedText && m_textView && m_textFollowed && m_speechSynth &&
           m_speechSynth->isSpeaking();
}

// Previous goes back to the start of the sentence or paragraph being heard,
// or, when that began only a moment ago, to the one before, as a player's
// Previous does with tracks. Next after the last one does nothing: the
// speech goes on and the person keeps their place.
void AppDelegate::moveInSpeech(TextUnits::Unit unit, bool forward)
{
    if (!canMoveInSpeech())
        return;
    QTextDocument *document = m_textView->document();
    const qint64 size = document->characterCount() - 1;
    const auto now = [&](quint64 position) {
        return std::min(qint64(followedPosition(position)), size);
    };
    const TextUnits::Span reading{now(m_readingRange.location),
                                  now(m_readingRange.location + m_readingRange.length)};
    const qint64 here = std::clamp(now(m_heardPosition), reading.start, reading.end);
    std::optional<qint64> target;
    if (forward) {
        target = TextUnits::next(document, unit, here, reading);
    } else {
        const TextUnits::Span current = TextUnits::at(document, unit, here, reading);
        const Place &heard = unit == TextUnits::Unit::Sentence ? m_heardSentence : m_heardParagraph;
        const bool justBegun =
            heard.span.start == current.start && listenedMs() - heard.since < RestartAfterMs;
        target = current.start;
        if (justBegun)
            target = TextUnits::previous(document, unit, here, reading).value_or(current.start);
    }
    if (!target)
        return;

    // A new speech of the rest, which ends the one before without a report
    // and drops its words still on their way. Unless the text changed, the
    // rest of a move forward is in the text being spoken: reading a long
    // text out of the editor again would delay the first word.
    const qint64 skipped = *target - qint64(m_spokenRange.location);
    const qsizetype length = qsizetype(reading.end - *target);
    m_spokenText = m_edits.empty() && skipped >= 0 && skipped + length <= m_spokenText.size()
                       ? m_spokenText.mid(qsizetype(skipped), length)
                       : textOf(m_textView).mid(qsizetype(*target), length);
    m_readingRange = {quint64(reading.start), quint64(reading.end - reading.start)};
    m_spokenRange = {quint64(*target), quint64(length)};
    m_heardPosition = quint64(*target);
    followEdits();
    notePlace(*target, true);
    takeSelectedVoice();
    m_speechSynth->startSpeakingString(m_spokenText);
    if (m_isPaused) {
        m_speechSynth->pauseSpeakingAtBoundary(0);
        // Where Continue goes on from.
        const TextUnits::Span word = TextUnits::firstWord(document, *target, reading);
        markWord(quint64(word.start), quint64(word.end));
    }
}

void AppDelegate::notePlace(qint64 position, bool fresh)
{
    if (!m_textView)
        return;
    QTextDocument *document = m_textView->document();
    const TextUnits::Span reading{
        qint64(followedPosition(m_readingRange.location)),
        qint64(followedPosition(m_readingRange.location + m_readingRange.length))};
    for (auto [place, unit] : {std::pair{&m_heardSentence, TextUnits::Unit::Sentence},
                               std::pair{&m_heardParagraph, TextUnits::Unit::Paragraph}}) {
        if (fresh || position < place->span.start || position >= place->span.end) {
            place->span = TextUnits::at(document, unit, position, reading);
            place->since = listenedMs();
        }
    }
}

qint64 AppDelegate::listenedMs() const
{
    return m_listenedBefore + (m_listening.isValid() ? m_listening.elapsed() : 0);
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
        [this, saveTimings](QFileDialog *panel) {
            return ExportPanel::prepareAudio(panel, exportVoice(), saveTimings);
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
        [this](QFileDialog *panel) { return ExportPanel::prepareTimings(panel, exportVoice()); });
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
    m_exportMarkedUpTo = 0;
    m_exportPath = url.isEmpty() ? timingsPath : url.toLocalFile();
    m_exportProgress.start(text.size());
    setHandedText(QString());
    status()->show(tr("Exporting..."), true);
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
    status()->showProgress(tr("Exporting... %1").arg(m_exportProgress.text()),
                           m_exportProgress.permille(), tr("Export progress"));
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                                    const QString &string)
{
    Q_UNUSED(sender);
    Q_UNUSED(string);
    if (m_exportInProgress) {
        markExportedWord(word);
        return;
    }
    if (m_speakingHandedText) {
        markHandedWord(word);
        return;
    }
    if (!m_findIndicator || !m_textFollowed)
        return;
    const quint64 offset = m_spokenRange.location;
    const quint64 start = followedPosition(offset + word.location);
    const quint64 end = followedPosition(offset + word.location + word.length);
    if (end > start) {
        m_heardPosition = offset + word.location;
        notePlace(qint64(start), false);
    }
    markWord(start, end);
}

// An export runs many times faster than speech: its words are marked only as
// often as its progress is shown, and always further on, where they stand in
// the text whatever the last playback spoke (an export speaks the whole text
// from its start). The view stays where the person is reading.
void AppDelegate::markExportedWord(CharacterRange word)
{
    const quint64 end = word.location + word.length;
    if (!m_isExporting || !m_exportProgress.advance(qint64(end)))
        return;
    showExportProgress();
    if (!m_findIndicator || !m_textFollowed || word.location < m_exportMarkedUpTo)
        return;
    m_exportMarkedUpTo = end;
    const quint64 start = followedPosition(word.location);
    const quint64 stop = followedPosition(end);
    if (stop > start)
        m_findIndicator->showForRange({start, stop - start}, false);
}

void AppDelegate::markWord(quint64 start, quint64 end)
{
    if (!m_findIndicator || end <= start)
        return;
    m_findIndicator->showForRange({start, end - start});
    if (m_caretFollowsWords && m_textView) {
        QTextCursor caret = m_textView->textCursor();
        caret.setPosition(int(start));
        m_textView->setTextCursor(caret);
    }
}

void AppDelegate::exportEnded(bool finishedSpeaking)
{
    const bool wasExporting = m_exportInProgress;
    m_exportInProgress = false;
    if (wasExporting && m_findIndicator)
        m_findIndicator->clear();
    // A stopped export has no reason; a failed one has.
    const QString reason = m_speechSynth ? m_speechSynth->errorString() : QString();
    if (wasExporting && !finishedSpeaking && !reason.isEmpty())
        status()->showFailure(tr("Cannot export to %1: %2").arg(m_exportPath, reason));
}

void AppDelegate::speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking)
{
    Q_UNUSED(sender);
    // The end of a stopped speech may come after a newer one began: it is
    // logged, but the state belongs to the newer speech.
    if (!m_speechSynth || !m_speechSynth->isSpeaking()) {
        m_spokenText.clear();
        setIsPlaying(false);
        setIsPaused(false);
        setIsExporting(false);
        status()->hide();
        exportEnded(finishedSpeaking);
        setHandedText(QString());
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
    // A handed-over text is not the editor's: its speech goes on.
    if ((m_isPlaying || m_isPaused) && !m_speakingHandedText)
        doStop(this);
    m_textFollowed = false;
    QObject::disconnect(m_editObservation);
    if (m_findIndicator)
        m_findIndicator->clear();
}
