// What a tune is when a MIDI synthesizer plays it, for comparing with what the handheld makes of
// it: its real length and how many notes it sounds at once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "midi/smf_reader.h"

namespace handheld {

struct TuneFacts {
  double tune_seconds = 0;               // End of Track (the latest, in format 1) under the exact tempo map
  unsigned most_notes_at_once = 0;       // distinct channel and key pairs sounding after any one event
  std::optional<midi::Problem> problem;  // a tune the reader refuses, or format 2
};

// For format 0 and format 1 tunes.
TuneFacts ReadTuneFacts(std::span<const std::uint8_t> tune);

}  // namespace handheld
