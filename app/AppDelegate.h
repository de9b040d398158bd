#pragma once

#include "about/AboutDialog.h"
#include "app/Dialogs.h"
#include "app/DocumentLoader.h"
#include "app/ExportJob.h"
#include "app/FindIndicator.h"
#include "app/OutlineTracker.h"
#include "app/PronunciationDialog.h"
#include "app/ReadingPlaces.h"
#include "app/SpeechSession.h"
#include "app/StatusArea.h"
#include "app/VoiceChoices.h"
#include "app/WindowBindings.h"
#include "platform/application/ApplicationDelegate.h"
#include "platform/speech/CharacterRange.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/VoiceSettings.h"

#include "platform/menu/PopUpButton.h"

#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

// The one controller of the application: receives every command of the main
// window, keeps the state the window's controls follow, and answers the
// application's and the synthesizer's questions. The work is done by its
// parts: the speech session, the export job, the document loader, the voice
// choices and the status area (see docs/ARCHITECTURE.md).
class AppDelegate : public ApplicationDelegate, public SpeechSynthesizerDelegate
{
    Q_OBJECT
    // Outlets, connected by name from the main window description.
    Q_PROPERTY(QMainWindow *window MEMBER m_window)
    Q_PROPERTY(QPlainTextEdit *textView MEMBER m_textView)
    Q_PROPERTY(PopUpButton *voicePopup MEMBER m_voicePopup)
    Q_PROPERTY(QMenu *voicePopupMenu MEMBER m_voicePopupMenu)
    Q_PROPERTY(QLabel *statusLabel MEMBER m_statusLabel)
    Q_PROPERTY(QProgressBar *statusProgress MEMBER m_statusProgress)
    Q_PROPERTY(QPlainTextEdit *spokenTextView MEMBER m_spokenTextView)

    // Observable state: every setter call notifies, changed value or not.
    Q_PROPERTY(bool isPlaying READ isPlaying WRITE setIsPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setIsPaused NOTIFY isPausedChanged)
    Q_PROPERTY(bool isExporting READ isExporting WRITE setIsExporting NOTIFY isExportingChanged)
    Q_PROPERTY(float minRate READ minRate WRITE setMinRate NOTIFY minRateChanged)
    Q_PROPERTY(float maxRate READ maxRate WRITE setMaxRate NOTIFY maxRateChanged)
    Q_PROPERTY(float currentRate READ currentRate WRITE setCurrentRate NOTIFY currentRateChanged)
    Q_PROPERTY(int currentPitch READ currentPitch WRITE setCurrentPitch NOTIFY currentPitchChanged)
    Q_PROPERTY(int currentIntonation READ currentIntonation WRITE setCurrentIntonation NOTIFY
                   currentIntonationChanged)
    Q_PROPERTY(
        int currentVolume READ currentVolume WRITE setCurrentVolume NOTIFY currentVolumeChanged)

public:
    using CompletionAction = std::function<void(int)>;
    using PathAction = std::function<void(const QString &)>;
    using UrlAction = std::function<void(const QUrl &)>;

    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // Application delegate
    void applicationDidFinishLaunching() override;
    bool applicationShouldHandleReopen(bool hasVisibleWindows) override;
    bool applicationShouldTerminateAfterLastWindowClosed() override;
    void applicationWillTerminate() override;
    void application(QObject *sender, const QStringList &files) override;
    // Speaks a text handed over by another launch beside the editor's, which
    // stays as it is; shown above the editor while it is spoken.
    bool applicationSpeak(QObject *sender, const QString &text) override;

    // The pitch, intonation and volume that the command line asked for: they
    // win over the remembered ones at launch, and are not remembered
    // themselves until the person changes them.
    void setLaunchShape(std::function<void(VoiceSettings &)> shape)
    {
        m_voice->setLaunchShape(std::move(shape));
    }

    // Key-value observation of the controller's own currentRate.
    void observeValueForKeyPath(const QString &keyPath, QObject *object, const QVariantMap &change,
                                void *context);

    // Synthesizer delegate
    void speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                           const QString &string) override;
    void speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking) override;

    // Commands
    Q_INVOKABLE void doPlay(QObject *sender);
    // Speaks from the cursor to the end of the text.
    Q_INVOKABLE void doSpeakFromCursor(QObject *sender);
    Q_INVOKABLE void doPause(QObject *sender);
    Q_INVOKABLE void doStop(QObject *sender);
    // While speaking or paused: on from the start of the next or the
    // previous sentence or paragraph of the text being spoken, to the end of
    // it; a paused speech stays paused there.
    Q_INVOKABLE void doNextSentence(QObject *sender);
    Q_INVOKABLE void doPreviousSentence(QObject *sender);
    Q_INVOKABLE void doNextParagraph(QObject *sender);
    Q_INVOKABLE void doPreviousParagraph(QObject *sender);
    // Whether there is a playback, running or paused, to move in.
    bool canMoveInSpeech() const;
    Q_INVOKABLE void doExport(QObject *sender);
    Q_INVOKABLE void doExportTimings(QObject *sender);
    Q_INVOKABLE void doNew(QObject *sender);
    Q_INVOKABLE void doOpen(QObject *sender);
    Q_INVOKABLE void activeVoiceChanged(QObject *sender);
    Q_INVOKABLE void aboutMe(QObject *sender);
    Q_INVOKABLE void doPronunciation(QObject *sender);
    // Whether the editor's caret moves to each word as it is spoken (off by
    // default, so that a screen reader does not read over the speech); a
    // checkable item sends its own checked state.
    Q_INVOKABLE void followWordsWithCaret(QObject *sender);
    bool caretFollowsWords() const { return m_session->caretFollowsWords(); }

    // The largest text file the window opens.
    static constexpr qint64 maximumTextSize = DocumentLoader::maximumTextSize;

    // Voice catalogue: a fresh list of voice records, in the platform's order.
    QVariantList getAvailableVoices();

    // Sheet dialogs on the main window (see Dialogs); each completion runs
    // at most once.
    using PanelPreparation = Dialogs::PanelPreparation;
    void confirmationDialogWithTitle(const QString &title, const QString &information,
                                     const QString &defaultValue, const QString &alternativeValue,
                                     CompletionAction action)
    {
        Dialogs::confirm(title, information, defaultValue, alternativeValue, std::move(action));
    }
    void yesNoConfirmationDialogWithTitle(const QString &title, const QString &information,
                                          CompletionAction action)
    {
        Dialogs::yesNo(title, information, std::move(action));
    }
    void openDialogForFiles(bool files, bool directories, const QStringList &fileTypes,
                            PathAction action, const PanelPreparation &prepare = {})
    {
        Dialogs::open(files, directories, fileTypes, std::move(action), prepare);
    }
    void passwordDialogForFile(const QString &fileName, const QString &reason, PathAction action)
    {
        Dialogs::password(fileName, reason, std::move(action));
    }
    void saveDialogWithPath(const QString &path, const QString &filename, UrlAction action,
                            const PanelPreparation &prepare = {})
    {
        Dialogs::save(path, filename, std::move(action), prepare);
    }

    // The playback and export state, seen as the three flags the window
    // follows; each setter makes its flag the one that holds.
    bool isPlaying() const { return m_session->state() == SpeechSession::State::Speaking; }
    bool isPaused() const { return m_session->state() == SpeechSession::State::Paused; }
    bool isExporting() const { return m_session->state() == SpeechSession::State::Exporting; }
    float minRate() const { return m_voice->minRate(); }
    float maxRate() const { return m_voice->maxRate(); }
    float currentRate() const { return m_voice->rate(); }
    void setIsPlaying(bool value);
    void setIsPaused(bool value);
    void setIsExporting(bool value);
    void setMinRate(float value) { m_voice->setMinRate(value); }
    void setMaxRate(float value) { m_voice->setMaxRate(value); }
    void setCurrentRate(float value) { m_voice->setRate(value); }
    // The next speech's pitch, intonation and volume (see SpeechSynthesizer).
    int currentPitch() const { return m_voice->pitch(); }
    int currentIntonation() const { return m_voice->intonation(); }
    int currentVolume() const { return m_voice->volume(); }
    void setCurrentPitch(int value) { m_voice->setPitch(value); }
    void setCurrentIntonation(int value) { m_voice->setIntonation(value); }
    void setCurrentVolume(int value) { m_voice->setVolume(value); }

    SpeechSynthesizer *speechSynth() const { return m_session->synthesizer(); }
    AboutDialog *aboutDialog() const { return m_aboutDialog.get(); }
    PronunciationDialog *pronunciationDialog() const { return m_pronunciationDialog; }
    CharacterRange spokenRange() const { return m_session->spokenRange(); }
    FindIndicator *findIndicator() const { return m_session->findIndicator(); }
    WindowBindings *windowBindings() const { return m_bindings; }

Q_SIGNALS:
    void isPlayingChanged(bool value);
    void isPausedChanged(bool value);
    void isExportingChanged(bool value);
    void minRateChanged(float value);
    void maxRateChanged(float value);
    void currentRateChanged(float value);
    void currentPitchChanged(int value);
    void currentIntonationChanged(int value);
    void currentVolumeChanged(int value);
    // A file asked for by Open or by the desktop has been read into the
    // editor (true) or could not be (false).
    void fileLoadFinished(const QString &path, bool loaded);

private:
    void buildVoiceMenu();
    void loadLexicon();
    void applyLexicon(std::shared_ptr<const Lexicon> lexicon);
    // speech-dispatcher's voices came, or went with its server.
    void systemVoicesChanged();
    // The choices remembered from the last launch, then the command line's,
    // applied as if the person had made them.
    void applyRememberedChoices();
    // The status area, made on first use from the outlets.
    StatusArea *status();
    void setFlag(SpeechSession::State state, bool value);
    void clearText();
    // Keeps where the reader stopped in the document the editor holds, and
    // goes back there when it is opened again.
    void rememberPlace();
    void restorePlace();
    // Starts the export of the whole text: the audio when `url` is given, the
    // word timings when `timingsPath` is; one file per chapter of the text
    // when `splitChapters` is set.
    void startExport(const QUrl &url, const QString &timingsPath, bool splitChapters = false);
    // Says why the voice of the next export cannot be exported, if so.
    bool refuseExport();

    QPointer<PronunciationDialog> m_pronunciationDialog;
    QPointer<QMainWindow> m_window;
    QPointer<QPlainTextEdit> m_textView;
    QPointer<PopUpButton> m_voicePopup;
    QPointer<QMenu> m_voicePopupMenu;
    QPointer<QLabel> m_statusLabel;
    QPointer<QProgressBar> m_statusProgress;
    QPointer<QPlainTextEdit> m_spokenTextView;

    std::unique_ptr<AboutDialog> m_aboutDialog;
    SpeechSession *m_session = nullptr;
    ExportJob *m_export = nullptr;
    VoiceChoices *m_voice = nullptr;
    DocumentLoader *m_documents = nullptr;
    // The chapters of the document opened, handed to every export.
    OutlineTracker *m_outline = nullptr;
    QPointer<WindowBindings> m_bindings;
    QPointer<StatusArea> m_status;
    QMetaObject::Connection m_rateObservation;
    // The file the editor's text was read from; none for any other text.
    std::optional<ReadingPlaces::File> m_document;
};
