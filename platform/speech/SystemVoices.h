#pragma once

#include "platform/speech/VoiceSource.h"

#include <QObject>

// The voices of the desktop's speech service, speech-dispatcher, as
// "system:MODULE/VOICE": each voice of each output module once, not once per
// variant (its espeak-ng module alone lists thousands of pairs), the modules
// that only repeat an engine of our own last. The server plays these voices
// itself, so they can be heard but not exported.
//
// The server takes seconds to list its voices, so they are read on a thread
// of their own; until then, and once the server stops answering, there are
// none, and changed() tells the main thread.
class SystemVoices : public QObject
{
    Q_OBJECT

public:
    static constexpr auto Prefix = "system:";

    // The object that reports changes; it lives on the thread that first
    // asks for it, the main thread.
    static SystemVoices &instance();
    static bool isSystemVoice(const QString &identifier);
    // The output module and the module's voice name of an identifier.
    static QString module(const QString &identifier);
    static QString voiceName(const QString &identifier);

    // The voices listed so far; hasVoice() waits for the list.
    static const VoiceSource &source();
    // Starts reading the list, once; waitForVoices() starts it too and
    // returns when it is read or has failed.
    static void prepare();
    static void waitForVoices();
    // Why there are no system voices, when there are none.
    static QString problem();
    // The server stopped answering: its voices are gone.
    static void lose(const QString &why);
    // Why, in the words of problem().
    static QString notRunning();
    static QString stoppedAnswering();
    // Waits for a list still being read, for a process that ends.
    static void shutDown();

Q_SIGNALS:
    void changed();

private:
    SystemVoices() = default;
};
