#pragma once

#include <optional>

// The pitch, intonation and volume asked for on the command line, within
// the synthesizer's limits; those not asked for are empty.
struct VoiceShape
{
    std::optional<int> pitch;
    std::optional<int> intonation;
    std::optional<int> volume;
};
