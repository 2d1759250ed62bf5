// Format-1 tunes made playable: reading a whole MIDI file and converting it to format 0, as the
// compile and convert commands use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi/smf_reader.h"
#include "seams/file_system.h"

// No tune that large merges into one the handheld could hold; it is not read whole.
inline constexpr std::uint64_t kLargestConvertibleFile = 16u << 20;

// The whole file; nullopt when it holds more than `limit` bytes. Raises InOutError on a failed
// file operation.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(FileSystem& files, const std::string& path,
                                                       std::uint64_t limit);

// A reader's or converter's problem for people: "what (at byte N)".
std::string ProblemText(const midi::Problem& problem);
