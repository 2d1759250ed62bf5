// The texts that carry a name, a path or a count.
#include "commands/messages.h"

namespace {
std::string Joined(std::string_view first, std::string_view second) {
  std::string text;
  text.reserve(first.size() + second.size());
  text.append(first).append(second);
  return text;
}
}  // namespace

std::string WrongMidiFormatText(std::string_view name) { return Joined(kWrongMidiFormat, name); }

std::string TooLargeText(std::string_view name, std::uint64_t size) {
  return Joined(kTooLargeForPalm, name) + " (" + std::to_string(size / 1024) + "KB)";
}

std::string OverwriteText(std::string_view path) { return Joined(path, kAlreadyExistsOverwrite); }

std::string UnreadableRecordsText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " record" : " records") + kDamagedOrTruncated;
}

std::string ExtractedText(std::size_t count) { return std::to_string(count) + kSuccessfullyExtracted; }

std::string CompiledText(std::size_t count) { return std::to_string(count) + kSuccessfullyCompiled; }
