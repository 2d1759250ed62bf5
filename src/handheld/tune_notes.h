// The notes and tempo changes of a format 0 or 1 tune in the order a MIDI player meets them: by
// tick, then track, then their order in the track.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "handheld/tune_clock.h"
#include "midi/smf_reader.h"

namespace handheld {

struct NoteEvent {
  std::uint64_t tick = 0;
  std::uint32_t track = 0;   // from 0
  std::uint8_t channel = 0;  // 0 to 15
  std::uint8_t key = 0;
  bool on = false;  // a Note On of velocity above 0; otherwise a Note Off or a Note On of 0
};

struct TuneNotes {
  midi::SmfHeader header;
  std::vector<NoteEvent> events;
  std::vector<TempoChange> tempo_changes;
  std::vector<std::uint64_t> track_ends;  // each track's End of Track tick, or its last event's
  std::optional<midi::Problem> problem;   // the reader's, or format 2's

  std::uint64_t EndTick() const;  // the latest track end
};

TuneNotes ReadTuneNotes(std::span<const std::uint8_t> tune);

}  // namespace handheld
