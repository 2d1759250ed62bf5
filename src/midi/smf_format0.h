// Turning a Standard MIDI File into format 0, the one track that most Palm OS handhelds play.
//
// Format 0 comes back byte for byte. Format 1 is merged into one track: events in order of
// absolute tick; at the same tick, earlier tracks first, then the order within the track. Every
// event is kept as it is stored except End of Track: the merged track gets one, at the latest end
// of any track, so the tune keeps its length in ticks. Channel events use running status wherever
// the status repeats, except right after a meta or system-exclusive event (the standard ends
// running status there). The header says format 0, one track, and keeps the division.
// Format 2 is refused: its tracks are independent sequences, not parts to play together. So is a
// file that ReadSmf refuses; bytes after the last declared track are left out of a merged file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "midi/smf_reader.h"

namespace midi {

struct ConvertResult {
  std::vector<std::uint8_t> bytes;
  std::optional<Problem> problem;
};

ConvertResult ConvertToFormat0(std::span<const std::uint8_t> file);

// Writes a delta time or length as a variable-length number, seven bits a byte, most significant
// first, to anything with Put(std::uint8_t).
template <typename Sink>
void PutNumber(Sink& out, std::uint64_t value) {
  std::uint8_t reversed[10];
  std::size_t count = 0;
  reversed[count++] = static_cast<std::uint8_t>(value & 0x7F);
  while ((value >>= 7) != 0) reversed[count++] = static_cast<std::uint8_t>(0x80 | (value & 0x7F));
  while (count > 0) out.Put(reversed[--count]);
}

struct SizeResult {
  std::size_t size = 0;
  std::optional<Problem> problem;
};

// The size of ConvertToFormat0's result, or its problem, without building the bytes.
SizeResult ConvertedSize(std::span<const std::uint8_t> file);

}  // namespace midi
