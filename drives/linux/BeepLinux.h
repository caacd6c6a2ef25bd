#pragma once

#include <cstdint>
#include <vector>

namespace vorlane {

inline constexpr unsigned BeepSampleRate = 48000;

// One channel of 16-bit samples at BeepSampleRate: a square wave of the given frequency.
std::vector<std::int16_t> SquareWave(unsigned frequencyHz, unsigned durationMs);

// Blocks for durationMs while a square tone of that frequency plays (or silently, without audio).
void BeepOnDefaultOutput(unsigned frequencyHz, unsigned durationMs);

}  // namespace vorlane
