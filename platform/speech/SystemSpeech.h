#pragma once

#include "platform/speech/CharacterRange.h"
#include "platform/speech/VoiceSettings.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <libspeechd.h>

#include <memory>
#include <vector>

class SpeechChannel;

// Speeches with speech-dispatcher's voices (SystemVoices). The server plays
// them itself: their channel carries no samples, only the words as the
// server reaches them and the end, so the synthesizer treats them as it
// treats its own speeches. Main thread only; libspeechd's callbacks come on
// its thread and are handed over with queued calls.
//
// The text goes one sentence at a time, each as SSML with a mark before
// every written token; the next is sent when the server has finished the
// last, so that the server never holds more than one of them and a long
// text costs it nothing. A module that reports no marks (seen when a
// sentence ends without one) has each sentence marked as it begins.
class SystemSpeech : public QObject
{
    Q_OBJECT

public:
    static SystemSpeech &instance();
    // Closes the connection, for a process that ends.
    static void shutDown();
    // A connection to the server, which is started when none answers; null
    // (and the reason logged) when there is none.
    static SPDConnection *open(const char *component, SPDConnectionMode mode);
    ~SystemSpeech() override;

    // Speaks the text, ending the speech before it without a report; the
    // channel is finished however the speech ends, also when it cannot start.
    void submit(const QString &text, const VoiceSettings &settings,
                std::shared_ptr<SpeechChannel> channel);
    // The server's own pause is not used (see pause()).
    void pause();
    void resume();
    // Cancels the channel's speech; the channel is finished when the server
    // says it has ended.
    void cancel(const std::shared_ptr<SpeechChannel> &channel);

    // The speech-dispatcher scale, -100 to 100, of each setting.
    static int rateScale(float wordsPerMinute);
    static int serverScale(int value, int maximum); // pitch, intonation, volume

private:
    struct Speech
    {
        QString text;
        QString module;
        std::shared_ptr<SpeechChannel> channel;
        qsizetype position = 0; // where the text not yet sent begins
        int message = -1;       // the server's id of the sentence being spoken
        qsizetype resumeAt = 0; // where the word being spoken begins
        CharacterRange sentence;
        std::vector<CharacterRange> tokens; // the sentence's, mark N is token N
        bool marked = false;                // a mark of the sentence came
        bool cancelled = false;
    };

    SystemSpeech();
    bool connect(QString &why);
    bool apply(const VoiceSettings &settings);
    void sendNext();
    void notified(int message, int type, const QString &mark);
    void markSentence();
    void finish(int result, const QString &error = QString());
    void lost(const QString &why);
    void check();

    SPDConnection *m_connection = nullptr;
    std::unique_ptr<Speech> m_speech;
    // Paused: no message of the speech is with the server.
    bool m_paused = false;
    // Whether each module sends the marks it is given, once known.
    QHash<QString, bool> m_modulesMark;
    // Marks a sentence whose module is not yet known to mark, when no mark
    // came soon after it began.
    QTimer m_sentenceTimer;
    // Asks the server now and then during a speech: a server that dies
    // sends nothing more.
    QTimer m_watch;

    friend struct SystemSpeechCallbacks;
};
