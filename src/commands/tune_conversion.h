// Tunes made playable: how a collected tune is stored, and a MIDI file converted to format 0, as
// the compile, add and convert commands use it.
#pragma once

#include <cstdint>
#include <string>

#include <optional>
#include <span>
#include <vector>

#include "handheld/ring_shaper.h"
#include "midi/smf_reader.h"

// How a collected tune is stored.
enum class Conversion {
  AsStored,   // byte for byte
  ToFormat0,  // a format-1 tune's tracks merged into one
  Ring,       // a format 0 or 1 tune shaped to ring on the handheld: its melody alone
};

// A collected tune as it is stored; nullopt, with `problem` saying why, for one the conversion
// refuses.
std::optional<std::vector<std::uint8_t>> ConvertedTune(std::span<const std::uint8_t> tune, Conversion conversion,
                                                       const handheld::RingOptions& ring, std::string& problem);

// No tune that large merges into one the handheld could hold; it is not read whole.
inline constexpr std::uint64_t kLargestConvertibleFile = 16u << 20;

// A reader's or converter's problem for people: "what (at byte N)".
std::string ProblemText(const midi::Problem& problem);
