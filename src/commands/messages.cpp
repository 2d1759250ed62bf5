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

std::string UnconvertibleText(std::string_view name, std::string_view reason) {
  return Joined(WrongMidiFormatText(name) + "\r\n", reason);
}

std::string ConvertedText(std::size_t size, bool unchanged) {
  return unchanged ? "Already format 0: copied unchanged (" + std::to_string(size) + " bytes)."
                   : "Converted to format 0: " + std::to_string(size) + " bytes.";
}

std::string ChangedWhileWrittenText(std::string_view name) { return Joined(kChangedWhileWritten, name); }
