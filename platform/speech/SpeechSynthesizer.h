#pragma once

#include "platform/speech/CharacterRange.h"
#include "platform/speech/VoiceSettings.h"
#include "platform/system/TextOutline.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>

class Lexicon;
class SpeechSynthesizer;

// Receives a synthesizer's reports, always on the main thread.
class SpeechSynthesizerDelegate
{
public:
    virtual ~SpeechSynthesizerDelegate() = default;

    // Before each word: its range in UTF-16 code units of the string that was
    // handed to the synthesizer, and that string.
    virtual void speechSynthesizer(SpeechSynthesizer *sender, CharacterRange word,
                                   const QString &string) = 0;
    // Once per speech: true when it reached the end of its text, false when it
    // was ended early.
    virtual void speechSynthesizer(SpeechSynthesizer *sender, bool finishedSpeaking) = 0;
};

class SpeechSynthesizerPrivate;

// Speaks text aloud or into a sound file (AIFF unless the name or the options
// choose another format), optionally with a file of word timings. Synthesis runs on a worker
// thread; the reports (the delegate's calls and the signals, the delegate first) arrive on the main
// thread, each word when the audio reaches it.
class SpeechSynthesizer : public QObject
{
    Q_OBJECT

public:
    // A null identifier means the default voice.
    explicit SpeechSynthesizer(const QString &voiceIdentifier = QString(),
                               QObject *parent = nullptr);
    ~SpeechSynthesizer() override;

    static QStringList availableVoices();
    static QVariantMap attributesForVoice(const QString &identifier);
    static QString defaultVoice();
    // Renders the text without playing it and gives, by each word's location,
    // the time in ms from the start of the audio where the word begins.
    // Blocks until the render ends; empty when it fails.
    static QHash<quint64, double> wordTimes(const QString &text, const QString &voice,
                                            float wordsPerMinute);

    struct ExportOptions
    {
        // A name of SoundFormats; empty: the one the file name's extension
        // says, AIFF for a name without one.
        QString format;
        // A timing file (.vtt, .srt, .json) written beside the audio; with
        // an empty URL, alone.
        QString timingsPath;
        // Processes that render at once: 1 none besides this one; 0 one per
        // core that other programs leave free when the export starts. Never
        // more than the cores, nor than the memory available holds. A short
        // text is always rendered here.
        int jobs = 0;
        // The text's chapters (offsets into the text spoken) and its title,
        // author and language, written where the format holds them.
        TextOutline outline;
        // A chapter list written beside the audio: FFmpeg's metadata form
        // for a name ending in .ffmetadata, else "HH:MM:SS.mmm Title"
        // lines; empty: none.
        QString chapterListPath;
        // One file per chapter instead of one file.
        bool splitChapters = false;
    };
    // The program that renders the parts of a long export, started with
    // renderWorkerOption() as its one argument; without one, exports render
    // in this process alone.
    static void setRenderProgram(const QString &path);
    static const char *renderWorkerOption();
    // That program's main when started so: renders the parts that standard
    // input asks for onto standard output. The exit status.
    static int runRenderWorker();

    // Why an export with these arguments cannot start (an unknown format or
    // extension), or an empty string.
    static QString checkExport(const QString &audioPath, const ExportOptions &options);
    // Why speech with this voice cannot be exported (a system voice, which
    // its server plays itself), or an empty string.
    static QString checkVoiceExport(const QString &voice);

    SpeechSynthesizerDelegate *delegate() const;
    void setDelegate(SpeechSynthesizerDelegate *delegate);

    // Each of the voice's settings (see VoiceSettings) takes effect with the
    // next speech; values beyond the limits are spoken at the nearest one.
    // Words per minute, as given.
    float rate() const;
    void setRate(float wordsPerMinute);
    // Within the limits.
    int pitch() const;
    void setPitch(int pitch);
    int intonation() const;
    void setIntonation(int intonation);
    int volume() const;
    void setVolume(int percent);

    // The pronunciations that the speeches started from now on go through;
    // none by default. Reports still name the words of the text as given.
    void setLexicon(std::shared_ptr<const Lexicon> lexicon);

    QString voice() const;
    // A null identifier selects the default voice. False when the voice is
    // unknown; the current voice is then kept.
    bool setVoice(const QString &identifier);

    bool isSpeaking() const;
    // Why the last speech that ended without success failed, when known.
    QString errorString() const;
    // What the export just started leaves out that the person should know
    // of (chapters a format cannot hold), or an empty string; set by
    // startSpeakingString().
    QString exportNotice() const;

    // Both return at once. Starting while a speech runs ends that speech
    // without an end report.
    bool startSpeakingString(const QString &text);
    bool startSpeakingString(const QString &text, const QUrl &url);
    bool startSpeakingString(const QString &text, const QUrl &url, const ExportOptions &options);

    // Boundary 0 pauses at once.
    void pauseSpeakingAtBoundary(int boundary);
    void continueSpeaking();
    void stopSpeaking();

Q_SIGNALS:
    // The first samples of a speech went to the audio output (or the silent clock).
    void audioStarted();
    // Before each word, like the delegate's word report.
    void willSpeakWord(CharacterRange word, const QString &string);
    // Once per speech, like the delegate's end report.
    void didFinishSpeaking(bool finishedSpeaking);

private:
    std::unique_ptr<SpeechSynthesizerPrivate> d;
};
