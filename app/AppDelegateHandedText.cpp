// Texts that other launches hand over to be spoken, beside the editor's.
#include "app/AppDelegate.h"

#include "app/FindIndicator.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

bool AppDelegate::applicationSpeak(QObject *sender, const QString &text)
{
    Q_UNUSED(sender);
    if (!m_speechSynth)
        return false;
    // An export writes the file the person asked for through the one
    // synthesizer; a text from elsewhere must not end it.
    if (m_isExporting) {
        status()->showFailure(tr("A text handed to Tavorin was not spoken: an export is running."));
        return false;
    }
    // Whatever is being spoken ends, as with Stop; its end report comes
    // after the new speech began and leaves its state alone.
    setIsPlaying(true);
    takeSelectedVoice();
    m_exportInProgress = false;
    setHandedText(text);
    m_speechSynth->startSpeakingString(text);
    status()->show(tr("Speaking..."), true);
    setIsPaused(false);
    return true;
}

void AppDelegate::setHandedText(const QString &text)
{
    m_speakingHandedText = !text.isEmpty();
    if (!m_spokenTextView)
        return;
    if (!m_spokenTextIndicator)
        m_spokenTextIndicator = new FindIndicator(m_spokenTextView);
    m_spokenTextIndicator->clear();
    if (!m_speakingHandedText) {
        if (!m_spokenTextView->isHidden()) {
            m_spokenTextView->hide();
            m_spokenTextView->clear();
        }
        return;
    }
    // Its own document, read-only, without undo: nothing of it reaches the
    // editor or the editor's history.
    m_spokenTextView->setReadOnly(true);
    m_spokenTextView->setUndoRedoEnabled(false);
    m_spokenTextView->setPlainText(text);
    m_spokenTextView->show();
}

void AppDelegate::markHandedWord(CharacterRange word)
{
    if (!m_spokenTextIndicator || word.length == 0)
        return;
    m_spokenTextIndicator->showForRange(word);
    if (m_caretFollowsWords && m_spokenTextView) {
        QTextCursor caret = m_spokenTextView->textCursor();
        caret.setPosition(int(m_spokenTextIndicator->markedRange().location));
        m_spokenTextView->setTextCursor(caret);
    }
}
