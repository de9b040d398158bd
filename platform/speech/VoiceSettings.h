#pragma once

#include <QString>

#include <algorithm>
#include <cmath>

// A voice and the way it speaks, as the window, the command line, the
// synthesizer, its engines and the render workers pass it on. The values are
// kept as they were asked for; clamped() is what is spoken.
struct VoiceSettings
{
    // The rates in words per minute that espeak-ng speaks as asked: it speaks
    // a slower one at the minimum and a faster one not at all.
    static constexpr int MinimumRate = 80;
    static constexpr int MaximumRate = 450;
    static constexpr float DefaultRate = 175.0f;
    static constexpr int MaximumPitch = 100;
    static constexpr int DefaultPitch = 50;
    static constexpr int MaximumIntonation = 100;
    static constexpr int DefaultIntonation = 50;
    static constexpr int MaximumVolume = 200;
    static constexpr int DefaultVolume = 100;

    QString voice;                      // an identifier; empty for the default voice
    float rate = DefaultRate;           // words per minute
    int pitch = DefaultPitch;           // from 0
    int intonation = DefaultIntonation; // how far the pitch moves, from 0 (a monotone)
    int volume = DefaultVolume;         // in percent

    // Each value within its limits, taken at the nearest one.
    VoiceSettings clamped() const
    {
        VoiceSettings within = *this;
        within.rate = std::isnan(rate) ? DefaultRate
                                       : std::clamp(rate, float(MinimumRate), float(MaximumRate));
        within.pitch = std::clamp(pitch, 0, MaximumPitch);
        within.intonation = std::clamp(intonation, 0, MaximumIntonation);
        within.volume = std::clamp(volume, 0, MaximumVolume);
        return within;
    }

    friend bool operator==(const VoiceSettings &, const VoiceSettings &) = default;
};
