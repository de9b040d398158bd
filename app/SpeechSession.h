#pragma once

#include "app/EditorText.h"
#include "app/TextUnits.h"
#include "platform/speech/CharacterRange.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <tuple>

class EditTracker;
class FindIndicator;
class PopUpButton;
class QMenu;
class QPlainTextEdit;
class SpeechSynthesizer;
class SpeechSynthesizerDelegate;
class StatusArea;

// What the window is speaking, and how far it has come: the one synthesizer,
// the state of its speech, the range of the text a speech was taken from and
// the word heard last, the moves to other sentences and paragraphs, and the
// texts handed over by other launches. Each word is marked where it stands
// in the text, however the text was edited since the speech began.
class SpeechSession : public QObject
{
    Q_OBJECT

public:
    enum class State { Idle, Speaking, Paused, Exporting };
    Q_ENUM(State)

    explicit SpeechSession(QObject *parent = nullptr);
    ~SpeechSession() override;

    // The window's parts the session speaks from and shows in; any may be
    // missing, and what it would show there is then left out.
    struct Views
    {
        QPlainTextEdit *text = nullptr;
        QPlainTextEdit *handedText = nullptr; // shows a text handed over
        PopUpButton *voices = nullptr;
        QMenu *voiceMenu = nullptr;
        StatusArea *status = nullptr;
    };
    void setViews(const Views &views);
    // A new synthesizer with the default voice, reporting to `delegate`, in
    // place of any before.
    SpeechSynthesizer *startSynthesizer(SpeechSynthesizerDelegate *delegate);
    SpeechSynthesizer *synthesizer() const { return m_synthesizer.get(); }

    State state() const { return m_state; }
    void setState(State state);

    // Play: continues a paused speech, else speaks the selection or, with
    // none, the whole text.
    void play();
    // From the cursor (a selection's start) to the end; with nothing after
    // the cursor, the whole text.
    void speakFromCursor();
    void pause();
    void stop();
    // Whether there is a playback of the editor's text, running or paused,
    // to move in.
    bool canMove() const;
    // On from the start of the next or the previous sentence or paragraph,
    // to the end of the range asked for; a paused speech stays paused there.
    void move(TextUnits::Unit unit, bool forward);
    // Speaks a text handed over by another launch beside the editor's,
    // which stays as it is. False during an export, which must not end.
    bool speakHandedText(const QString &text);
    // An export takes the synthesizer over: a playback, running or paused,
    // ends without a report of its own. The text to export.
    QString beginExport();

    // The synthesizer's reports: a word heard, marked where it stands; a
    // word an export reached, marked without moving the view; the end.
    void wordHeard(CharacterRange word);
    void markExported(CharacterRange word);
    void ended(bool finished);
    // Before the whole text is replaced: a playback of the old text ends (with
    // its report); an export goes on writing its file but marks no more words.
    void textWillBeReplaced();

    CharacterRange spokenRange() const { return m_spokenRange; }
    // Where the last word heard of the editor's text starts; -1 before any.
    qint64 lastHeard() const { return m_lastHeard; }
    FindIndicator *findIndicator() const;
    // Whether the editor's caret moves to each word as it is spoken.
    bool caretFollowsWords() const { return m_caretFollowsWords; }
    void setCaretFollowsWords(bool follows) { m_caretFollowsWords = follows; }
    // The voice an export speaks with, as the export panel names it: the
    // one last played, or the default one before any.
    QString exportVoice() const;

Q_SIGNALS:
    void stateChanged(State state);
    // A speech of the session's own began: whatever spoke before is over.
    void started();

private:
    void speak(std::optional<CharacterRange> range);
    void takeSelectedVoice();
    void markWord(quint64 start, quint64 end);
    // Keeps the sentence and the paragraph being heard, and since when.
    void notePlace(qint64 position, bool fresh);
    // How long playback has been heard, pauses left out.
    qint64 listenedMs() const;
    // Shows a handed-over text as the one being spoken, or with an empty
    // text, hides it: the editor's text is what speech is about again.
    void setHandedText(const QString &text);
    void showHandedPart(qsizetype from);
    void markHandedWord(CharacterRange word);
    std::tuple<quint64, quint64, quint64> editorRange(const EditorText::Excerpt &spoken,
                                                      CharacterRange word) const;

    std::unique_ptr<SpeechSynthesizer> m_synthesizer;
    QPointer<QPlainTextEdit> m_text;
    QPointer<QPlainTextEdit> m_handedText;
    QPointer<PopUpButton> m_voices;
    QPointer<QMenu> m_voiceMenu;
    QPointer<StatusArea> m_status;
    QPointer<FindIndicator> m_marks;
    QPointer<FindIndicator> m_handedMarks;
    EditTracker *m_edits = nullptr;
    State m_state = State::Idle;
    CharacterRange m_spokenRange;
    // The range the person asked to hear: a move to another sentence or
    // paragraph speaks a part of it, and moves only inside it.
    CharacterRange m_readingRange;
    // The text of m_spokenRange as handed to the synthesizer (shared with it):
    // a move forward takes the rest from it instead of reading the editor.
    EditorText::Excerpt m_spoken;
    // Where the words of the text being exported stand in the editor.
    EditorText::Excerpt m_exported;
    // Where the last word heard begins (the start of the speech before any).
    quint64 m_heardPosition = 0;
    qint64 m_lastHeard = -1;
    struct Place
    {
        TextUnits::Span span{-1, -1};
        qint64 since = 0;
    };
    Place m_heardSentence;
    Place m_heardParagraph;
    QElapsedTimer m_listening;
    qint64 m_listenedBefore = 0;
    bool m_speakingHandedText = false;
    // A handed-over text, and the part of it the strip shows.
    QString m_handedWhole;
    CharacterRange m_handedShown;
    bool m_caretFollowsWords = false;
    // Whether a speech has set the synthesizer's voice from the pop-up yet.
    bool m_voiceTaken = false;
};
