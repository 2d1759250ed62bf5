// Tunes made playable: how a collected tune is stored, and a MIDI file converted to format 0, as
// the compile, add and convert commands use it.
#pragma once

#include <cstdint>
#include <string>

#include "midi/smf_reader.h"

// How a collected tune is stored.
enum class Conversion {
  AsStored,   // byte for byte
  ToFormat0,  // a format-1 tune's tracks merged into one
};

// No tune that large merges into one the handheld could hold; it is not read whole.
inline constexpr std::uint64_t kLargestConvertibleFile = 16u << 20;

// A reader's or converter's problem for people: "what (at byte N)".
std::string ProblemText(const midi::Problem& problem);
