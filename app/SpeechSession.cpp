#include "app/SpeechSession.h"

#include "app/EditTracker.h"
#include "app/EditorText.h"
#include "app/FindIndicator.h"
#include "app/StatusArea.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/speech/SpeechSynthesizer.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Previous within this time of the start of a sentence or paragraph goes to
// the one before: by then the person has heard little more than its first
// word.
constexpr qint64 RestartAfterMs = 1000;

// The part of a handed-over text the strip shows: laying out a text of
// megabytes would stop the window, and the strip shows a few lines.
constexpr qsizetype HandedWindow = 4096;

} // namespace

SpeechSession::SpeechSession(QObject *parent)
    : QObject(parent)
    , m_edits(new EditTracker(this))
{}

SpeechSession::~SpeechSession()
{
    // The synthesizer must not report to a half-destroyed controller.
    if (m_synthesizer)
        m_synthesizer->setDelegate(nullptr);
}

void SpeechSession::setViews(const Views &views)
{
    m_text = views.text;
    m_handedText = views.handedText;
    m_voices = views.voices;
    m_voiceMenu = views.voiceMenu;
    m_status = views.status;
    if (m_text && !m_marks)
        m_marks = new FindIndicator(m_text);
}

SpeechSynthesizer *SpeechSession::startSynthesizer(SpeechSynthesizerDelegate *delegate)
{
    if (m_synthesizer)
        m_synthesizer->setDelegate(nullptr);
    m_synthesizer = std::make_unique<SpeechSynthesizer>();
    m_synthesizer->setDelegate(delegate);
    return m_synthesizer.get();
}

FindIndicator *SpeechSession::findIndicator() const
{
    return m_marks;
}

void SpeechSession::setState(State state)
{
    // Playback is heard only while it speaks: the clock that tells how long
    // a sentence has been heard runs then alone.
    if (state == State::Speaking && !m_listening.isValid()) {
        m_listening.start();
    } else if (state != State::Speaking && m_listening.isValid()) {
        m_listenedBefore += m_listening.elapsed();
        m_listening.invalidate();
    }
    if (m_marks)
        m_marks->setHeld(state == State::Paused);
    if (std::exchange(m_state, state) != state)
        Q_EMIT stateChanged(state);
}

void SpeechSession::play()
{
    // Only a speech that is still paused is continued, over the range it was
    // taken from; anything else starts anew from the selection of the moment.
    if (m_state == State::Paused && m_synthesizer && m_synthesizer->isSpeaking()) {
        speak(std::nullopt);
        return;
    }
    if (!m_text) {
        speak(std::nullopt);
        return;
    }
    const QTextCursor selection = m_text->textCursor();
    const int start = selection.selectionStart();
    speak(selection.hasSelection() ? std::optional(CharacterRange{
                                         quint64(start), quint64(selection.selectionEnd() - start)})
                                   : std::nullopt);
}

void SpeechSession::speakFromCursor()
{
    if (!m_text)
        return;
    const quint64 length = quint64(m_text->document()->characterCount() - 1);
    const auto from = quint64(m_text->textCursor().selectionStart());
    speak(from < length ? std::optional(CharacterRange{from, length - from})
                        : std::optional(CharacterRange{0, length}));
}

// Starts speaking `range` of the text (the whole text when none is given), or
// continues the paused speech when there is one and no range is given.
void SpeechSession::speak(std::optional<CharacterRange> range)
{
    // Play is not offered during an export: both would speak through the one
    // synthesizer, and starting to play would silently drop the file the
    // person asked for. Stop ends the export (with its report) first.
    if (m_state == State::Exporting)
        return;
    const bool continuing =
        !range && m_state == State::Paused && m_synthesizer && m_synthesizer->isSpeaking();
    if (m_synthesizer) {
        takeSelectedVoice();
        if (continuing) {
            m_synthesizer->continueSpeaking();
        } else {
            QTextDocument *document = m_text ? m_text->document() : nullptr;
            if (!range)
                range = CharacterRange{0, document ? quint64(document->characterCount() - 1) : 0};
            const auto start = qint64(range->location);
            m_spoken = document ? EditorText::read(document, start, start + qint64(range->length))
                                : EditorText::Excerpt{};
            m_spokenRange = *range;
            m_readingRange = *range;
            m_heardPosition = range->location;
            setHandedText(QString());
            m_edits->follow(m_text ? m_text->document() : nullptr);
            notePlace(qint64(range->location), true);
            Q_EMIT started();
            m_synthesizer->startSpeakingString(m_spoken.text);
        }
    }
    if (m_status)
        m_status->show(tr("Speaking..."), true);
    // Last: what the window offers then depends on the speech under way.
    setState(State::Speaking);
}

void SpeechSession::takeSelectedVoice()
{
    QString voice;
    if (m_voices) {
        if (QAction *item = m_voices->selectedItem())
            voice = MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString();
    }
    m_synthesizer->setVoice(voice);
    m_voiceTaken = true;
}

QString SpeechSession::exportVoice() const
{
    const QString identifier = m_synthesizer ? m_synthesizer->voice() : QString();
    QString label = identifier;
    if (m_voiceMenu) {
        for (QAction *item : m_voiceMenu->actions()) {
            const QVariantMap record = MenuItem::representedObject(item).toMap();
            if (record.value(u"identifier"_s).toString() == identifier)
                label = record.value(u"label"_s).toString();
        }
    }
    return m_voiceTaken ? tr("Voice: %1, the voice last played").arg(label)
                        : tr("Voice: %1, the default voice").arg(label);
}

void SpeechSession::pause()
{
    setState(State::Paused);
    if (m_status)
        m_status->show(tr("Paused"), false);
    if (m_synthesizer)
        m_synthesizer->pauseSpeakingAtBoundary(0);
}

void SpeechSession::stop()
{
    setState(State::Idle);
    if (m_status)
        m_status->hide();
    if (m_synthesizer)
        m_synthesizer->stopSpeaking();
}

// A text handed over by another launch is not the editor's: the moves find
// their sentences and paragraphs in the editor's text.
bool SpeechSession::canMove() const
{
    return (m_state == State::Speaking || m_state == State::Paused) && !m_speakingHandedText &&
           m_text && m_edits->isFollowing() && m_synthesizer && m_synthesizer->isSpeaking();
}

// Previous goes back to the start of the sentence or paragraph being heard,
// or, when that began only a moment ago, to the one before, as a player's
// Previous does with tracks. Next after the last one does nothing: the
// speech goes on and the person keeps their place.
void SpeechSession::move(TextUnits::Unit unit, bool forward)
{
    if (!canMove())
        return;
    QTextDocument *document = m_text->document();
    const qint64 size = document->characterCount() - 1;
    const auto now = [&](quint64 position) {
        return std::min(qint64(m_edits->position(position)), size);
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
    const bool spoken = !m_edits->hasEdits() && *target >= m_spoken.start &&
                        reading.end <= qint64(m_spokenRange.location + m_spokenRange.length);
    m_spoken = spoken ? m_spoken.part(*target, reading.end)
                      : EditorText::read(document, *target, reading.end);
    m_readingRange = {quint64(reading.start), quint64(reading.end - reading.start)};
    m_spokenRange = {quint64(*target), quint64(reading.end - *target)};
    m_heardPosition = quint64(*target);
    m_edits->follow(document);
    notePlace(*target, true);
    takeSelectedVoice();
    m_synthesizer->startSpeakingString(m_spoken.text);
    if (m_state == State::Paused) {
        m_synthesizer->pauseSpeakingAtBoundary(0);
        // Where Continue goes on from.
        const TextUnits::Span word = TextUnits::firstWord(document, *target, reading);
        markWord(quint64(word.start), quint64(word.end));
    }
}

void SpeechSession::notePlace(qint64 position, bool fresh)
{
    if (!m_text)
        return;
    QTextDocument *document = m_text->document();
    const TextUnits::Span reading{
        qint64(m_edits->position(m_readingRange.location)),
        qint64(m_edits->position(m_readingRange.location + m_readingRange.length))};
    for (auto [place, unit] : {std::pair{&m_heardSentence, TextUnits::Unit::Sentence},
                               std::pair{&m_heardParagraph, TextUnits::Unit::Paragraph}}) {
        if (fresh || position < place->span.start || position >= place->span.end) {
            place->span = TextUnits::at(document, unit, position, reading);
            place->since = listenedMs();
        }
    }
}

qint64 SpeechSession::listenedMs() const
{
    return m_listenedBefore + (m_listening.isValid() ? m_listening.elapsed() : 0);
}

bool SpeechSession::speakHandedText(const QString &text)
{
    if (!m_synthesizer)
        return false;
    // An export writes the file the person asked for through the one
    // synthesizer; a text from elsewhere must not end it.
    if (m_state == State::Exporting) {
        if (m_status)
            m_status->showFailure(
                tr("A text handed to Tavorin was not spoken: an export is running."));
        return false;
    }
    // Whatever is being spoken ends, as with Stop; its end report comes
    // after the new speech began and leaves its state alone.
    takeSelectedVoice();
    setHandedText(text);
    Q_EMIT started();
    m_synthesizer->startSpeakingString(text);
    if (m_status)
        m_status->show(tr("Speaking..."), true);
    setState(State::Speaking);
    return true;
}

QString SpeechSession::beginExport()
{
    setState(State::Exporting);
    setHandedText(QString());
    m_edits->follow(m_text ? m_text->document() : nullptr);
    EditorText::Excerpt whole =
        m_text ? EditorText::read(m_text->document()) : EditorText::Excerpt{};
    m_exported = {QString(), 0, std::move(whole.joins)};
    return std::move(whole.text);
}

void SpeechSession::wordHeard(CharacterRange word)
{
    if (m_speakingHandedText) {
        markHandedWord(word);
        return;
    }
    if (!m_marks || !m_edits->isFollowing())
        return;
    const auto [then, start, end] = editorRange(m_spoken, word);
    if (end > start) {
        m_heardPosition = then;
        m_lastHeard = qint64(start);
        notePlace(qint64(start), false);
    }
    markWord(start, end);
}

// An export always speaks the whole text from its start, so its words stand
// at their own place whatever the last playback spoke.
void SpeechSession::markExported(CharacterRange word)
{
    if (!m_marks || !m_edits->isFollowing())
        return;
    const auto [then, start, end] = editorRange(m_exported, word);
    if (end > start)
        m_marks->showForRange({start, end - start}, false);
}

// Where a word of the text a speech was given stood in the editor when the
// speech began, and where it stands now, from its start to its end.
std::tuple<quint64, quint64, quint64> SpeechSession::editorRange(const EditorText::Excerpt &spoken,
                                                                 CharacterRange word) const
{
    const auto then = quint64(spoken.position(qint64(word.location)));
    return {then, m_edits->position(then),
            m_edits->position(quint64(spoken.endPosition(qint64(word.location + word.length))))};
}

void SpeechSession::markWord(quint64 start, quint64 end)
{
    if (!m_marks || end <= start)
        return;
    m_marks->showForRange({start, end - start});
    if (m_caretFollowsWords && m_text) {
        QTextCursor caret = m_text->textCursor();
        caret.setPosition(int(start));
        m_text->setTextCursor(caret);
    }
}

void SpeechSession::ended(bool finished)
{
    m_spoken.text.clear();
    setState(State::Idle);
    if (m_status)
        m_status->hide();
    setHandedText(QString());
    if (!finished && m_synthesizer)
        m_synthesizer->continueSpeaking();
}

void SpeechSession::textWillBeReplaced()
{
    // A handed-over text is not the editor's: its speech goes on.
    if ((m_state == State::Speaking || m_state == State::Paused) && !m_speakingHandedText)
        stop();
    m_edits->stop();
    m_lastHeard = -1;
    if (m_marks)
        m_marks->clear();
}

void SpeechSession::setHandedText(const QString &text)
{
    m_speakingHandedText = !text.isEmpty();
    m_handedWhole = text;
    if (!m_handedText)
        return;
    if (!m_handedMarks)
        m_handedMarks = new FindIndicator(m_handedText);
    m_handedMarks->clear();
    if (!m_speakingHandedText) {
        if (!m_handedText->isHidden()) {
            m_handedText->hide();
            m_handedText->clear();
        }
        return;
    }
    // Its own document, read-only, without undo: nothing of it reaches the
    // editor or the editor's history.
    m_handedText->setReadOnly(true);
    m_handedText->setUndoRedoEnabled(false);
    showHandedPart(0);
    m_handedText->show();
}

// The strip shows the handed-over text from about `from` on.
void SpeechSession::showHandedPart(qsizetype from)
{
    const QString &text = m_handedWhole;
    from = std::clamp<qsizetype>(from, 0, text.size());
    if (from > 0 && from < text.size() && text.at(from).isLowSurrogate())
        --from;
    qsizetype to = std::min(text.size(), from + HandedWindow);
    if (to < text.size() && text.at(to).isLowSurrogate())
        ++to;
    m_handedShown = {quint64(from), quint64(to - from)};
    m_handedText->setPlainText(text.mid(from, to - from));
}

void SpeechSession::markHandedWord(CharacterRange word)
{
    if (!m_handedMarks || word.length == 0)
        return;
    if (word.location < m_handedShown.location ||
        word.location + word.length > m_handedShown.location + m_handedShown.length)
        showHandedPart(qsizetype(word.location) - HandedWindow / 4);
    m_handedMarks->showForRange({word.location - m_handedShown.location, word.length});
    if (m_caretFollowsWords && m_handedText) {
        QTextCursor caret = m_handedText->textCursor();
        caret.setPosition(int(m_handedMarks->markedRange().location));
        m_handedText->setTextCursor(caret);
    }
}
