// The sound of a handheld's play as 16-bit mono PCM at 22050 Hz, and that sound as a WAV file.
//
// Tick t starts at sample ⌊t × 220.5⌋. A note is a square wave at its key's frequency f, its phase
// starting afresh: sample i of the note is +level when ⌊2 × f × i / 22050⌋ is even, else −level,
// with level = amplitude × 511. Silence between notes is 0.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "handheld/handheld_player.h"

namespace handheld {

inline constexpr unsigned kSampleRate = 22050;
inline constexpr int kLevelPerAmplitude = 511;
inline constexpr std::uint64_t kLongestRenderTicks = 30 * 60 * kTicksPerSecond;  // 30 minutes

// round(440 × 2^((key − 69) / 12)) Hz.
unsigned KeyFrequency(std::uint8_t key);

// The sample at which tick `tick` starts.
std::uint64_t SampleOfTick(std::uint64_t tick);

enum class RenderOutcome { Rendered, TooLong };

struct Wave {
  RenderOutcome outcome = RenderOutcome::Rendered;
  double seconds = 0;  // the play's length, also when it is too long to render
  std::vector<std::int16_t> samples;
};

// A play longer than kLongestRenderTicks is not rendered.
Wave RenderWave(const HandheldPlay& play);

// A PCM WAV file: a 44-byte header (RIFF, little-endian), then the samples.
std::vector<std::uint8_t> WavFile(std::span<const std::int16_t> samples);

}  // namespace handheld
