#pragma once

#include "platform/speech/VoiceSettings.h"

#include <QString>

#include <memory>

class SpeechChannel;
class VoiceSource;

// What the synthesizer and the render workers need of a speech engine: its
// voices, and speeches made into a channel as samples and word marks, one
// after the other, each of which can be ended at any moment. An engine is
// one per process (SpeechEngines has them) and is called from any thread.
class SpeechEngine
{
public:
    struct Request
    {
        QString text;
        VoiceSettings settings;
        std::shared_ptr<SpeechChannel> channel;
        // The silence a speech begins with is left out, unless the speech
        // continues another one (a run of a parallel render).
        bool trimLeadingSilence = true;
        // The text holds [[phonemes]] that the engine reads as such; only
        // for an engine that readsPhonemes().
        bool phonemes = false;
    };

    virtual ~SpeechEngine() = default;

    virtual const VoiceSource &voices() = 0;
    // What a person knows the engine by, for the messages that name it.
    virtual QString name() const = 0;
    // Whether it reads [[phonemes]] in its own spelling within a text.
    virtual bool readsPhonemes() const { return false; }
    // The samples per second of what it makes with the voice (the default
    // voice for one it does not list); 0 when it could not start.
    virtual int sampleRate(const QString &voice) = 0;
    // Roughly how many characters of text the voice renders in a second on
    // one core: worker processes share a long export from some seconds of
    // rendering on.
    virtual int charactersPerSecond(const QString &voice) = 0;
    // Queues the speech. Its word marks carry the sample where each word
    // begins and the word's UTF-16 range in the request's text; the channel
    // is finished however the speech ends, also when it cannot start.
    virtual void submit(Request request) = 0;
    // Cancels the channel's speech, queued or running; a queued one is
    // finished at once.
    virtual void cancel(const std::shared_ptr<SpeechChannel> &channel) = 0;
};
