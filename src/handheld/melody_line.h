// The melody of a tune: the highest key sounding at every moment (its skyline), without the
// flickers shorter than 10 ms that a one-voice player cannot make heard.
//
// - Note On and Note Off pair by channel and key, oldest first; a note with no Off ends at its
//   track's End of Track. One key sounding on two channels is one key.
// - At one instant Offs apply before Ons, and the skyline is taken after the instant. A note under
//   a higher one is silent until it becomes the highest and then sounds for the rest of its
//   length. A Note On of the top key, from any channel, strikes it anew.
// - A stretch is one key from one strike. Stretches shorter than 10 ms of real time are dropped:
//   the next-highest key then sounding takes their time (else silence), and neighbouring
//   stretches of one strike join again. Dropping repeats until no short stretch is left, since a
//   key revealed under a dropped one may sound shorter still.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "handheld/tune_clock.h"
#include "handheld/tune_notes.h"

namespace handheld {

inline constexpr unsigned kAllButDrums = 0;  // a channel choice: every channel but 10
inline constexpr unsigned kDrumChannel = 10;

struct MelodyNote {
  std::uint8_t key = 0;
  std::uint64_t start_tick = 0;  // the tune's own ticks
  std::uint64_t end_tick = 0;
};

struct Melody {
  std::vector<MelodyNote> notes;  // in time order, none overlapping
  std::string refusal;            // why there is none, in plain words
};

// `channel`: 1 to 16 for that channel's skyline, or kAllButDrums.
Melody ReadMelody(const TuneNotes& tune, const TuneClock& clock, unsigned channel);

}  // namespace handheld
