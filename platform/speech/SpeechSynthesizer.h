#pragma once

#include "platform/speech/CharacterRange.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>

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

// Where the synthesizer's class operations get the installed voices from.
// The espeak-ng catalogue is used unless a test installs another source.
class VoiceSource
{
public:
    virtual ~VoiceSource() = default;
    virtual QStringList availableVoices() const = 0;
    virtual QVariantMap attributesForVoice(const QString &identifier) const = 0;
    virtual QString defaultVoice() const = 0;
};

class SpeechSynthesizerPrivate;

// Speaks text aloud or into an AIFF file. Synthesis runs on a worker thread;
// the delegate's reports arrive on the main thread, each word when the audio
// reaches it.
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
    // Replaces the voice source of the class operations; nullptr restores
    // espeak-ng's catalogue. The caller keeps ownership.
    static void setVoiceSource(VoiceSource *source);
    // For tests: play on the silent real-time clock even when an audio
    // device exists, as happens when there is none.
    static void setSilentPlaybackForced(bool forced);

    SpeechSynthesizerDelegate *delegate() const;
    void setDelegate(SpeechSynthesizerDelegate *delegate);

    // Words per minute.
    float rate() const;
    void setRate(float wordsPerMinute);

    QString voice() const;
    // A null identifier selects the default voice. False when the voice is
    // unknown; the current voice is then kept.
    bool setVoice(const QString &identifier);

    bool isSpeaking() const;
    // Why the last speech that ended without success failed, when known.
    QString errorString() const;

    // Both return at once. Starting while a speech runs ends that speech
    // without an end report.
    bool startSpeakingString(const QString &text);
    bool startSpeakingString(const QString &text, const QUrl &url);

    // Boundary 0 pauses at once.
    void pauseSpeakingAtBoundary(int boundary);
    void continueSpeaking();
    void stopSpeaking();

Q_SIGNALS:
    // The first samples of a speech went to the audio output (or the silent clock).
    void audioStarted();

private:
    std::unique_ptr<SpeechSynthesizerPrivate> d;
};
