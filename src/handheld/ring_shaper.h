// An alarm-ready tune made from a format 0 or 1 tune: its melody alone, one note at a time,
// timed so that the handheld plays it as long as the original's melody lasts.
//
// The melody (melody_line.h) is placed at its real times rounded to the handheld's 10 ms ticks
// and written with division 50 at tempo 500000, where one MIDI tick is one handheld tick, so the
// player's rounding never accumulates. No delta passes 4294 ticks, where the player's 32-bit
// product would wrap: a longer one is split by a velocity-0 Note On of a key not sounding. One
// track on channel 1: one Set Tempo, Note Ons of velocity 127, each Off a Note On of velocity 0,
// all under running status as the handheld's own sounds are written, and End of Track where the
// last note ends.
//
// By default the melody moves by whole octaves: up by the fewest that bring its median key (the
// lower middle of an even count) to 72 or above, where the handheld's own sounds lie, then down
// one at a time while a key would pass 127. A chosen shift of -3 to +3 is taken as it is, and a
// key it moves outside 0 to 127 refuses the tune.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/palm_database.h"

namespace handheld {

inline constexpr int kLargestOctaveShift = 3;

struct RingOptions {
  unsigned channel = 0;           // 1 to 16, or 0 for every channel but 10 (the drums)
  std::optional<int> octave;      // -3 to +3; none: chosen by the median key
  std::optional<double> seconds;  // cut the tune at this many seconds of its real time
};

struct ShapedTune {
  std::vector<std::uint8_t> bytes;    // a format-0 Standard MIDI File; empty when refused
  std::string refusal;                // why not, in plain words
  std::optional<std::size_t> offset;  // where in the tune, for a tune the MIDI reader refuses

  bool Refused() const { return !refusal.empty(); }
};

ShapedTune ShapeToRing(std::span<const std::uint8_t> tune, const RingOptions& options);

}  // namespace handheld
