// What a Palm OS 3.0 to 4.x handheld does with a MIDI record: its Sound Manager plays the first
// track of a format-0 tune on a one-voice square-wave tone generator, in system ticks of 1/100 s.
//
// - Header: "MThd" of at least 6 bytes (a longer one is skipped), format 0, a metrical division or
//   an SMPTE one of 24, 25, 29 (taken as 30) or 30 frames, then a chunk that must be "MTrk". The
//   track ends at its declared end or at the end of the bytes, whichever comes first.
// - Each delta becomes ticks on its own, in unsigned 32-bit arithmetic whose products wrap, at
//   least 1 tick when above 0: (d × ⌊tempo / division⌋ × 100) / 1000000, or for SMPTE
//   (d × 100) / (frames × ticks per frame). A Set Tempo applies from the next delta on. A
//   division of 0 or 0 ticks per frame divides by zero at the first delta above 0.
// - A Note On of velocity above 0, on any channel, replaces whatever sounds; a Note Off (or a Note
//   On of 0) silences only the channel and key sounding. Running status holds between channel
//   messages; a meta or F0 event clears it.
// - The player waits out the deltas read so far only before a Note On, a Note Off that silences,
//   and End of Track; when it stops early it stops at the last event it waited for.
// - Where the device's behaviour is unknown (a variable-length number longer than four bytes, a
//   status byte where a data byte is due), the model takes the reading that claims least: such a
//   number is read on until a byte below 0x80, and such a status byte stops the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace handheld {

inline constexpr unsigned kMaxVolume = 64;        // the alarm volume setting
inline constexpr unsigned kTicksPerSecond = 100;  // system ticks

enum class PlayOutcome { Plays, StopsEarly, Silent, DividesByZero };

// "plays", "stops", "silent" or "divides_by_zero": the outcome's name in machine-read output.
const char* OutcomeName(PlayOutcome outcome);

struct HandheldNote {
  std::uint64_t start_tick = 0;
  std::uint64_t end_tick = 0;  // after start_tick: notes replaced at once never sound
  std::uint8_t key = 0;
  unsigned amplitude = 0;  // 0 to kMaxVolume
};

struct HandheldPlay {
  PlayOutcome outcome = PlayOutcome::Silent;
  std::size_t offset = 0;   // into the tune, where it stopped or what it refused; 0 when it plays
  std::string reason;       // in plain words ("an F7 event", "format 1"); empty when it plays
  std::uint64_t ticks = 0;  // how long it plays
  std::vector<HandheldNote> notes;

  double Seconds() const { return static_cast<double>(ticks) / kTicksPerSecond; }
};

// `volume` above kMaxVolume is taken as kMaxVolume.
HandheldPlay PlayOnHandheld(std::span<const std::uint8_t> tune, unsigned volume);

}  // namespace handheld
