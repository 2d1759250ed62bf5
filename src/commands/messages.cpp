// The texts that carry a name, a path or a count.
#include "commands/messages.h"

#include <utility>

namespace {
std::string Joined(std::string_view first, std::string_view second) {
  std::string text;
  text.reserve(first.size() + second.size());
  text.append(first).append(second);
  return text;
}

// Line breaks as spaces: CR LF, a lone CR and a lone LF each become one.
std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  return line;
}

// "Wrong MIDI format:\r" as the line "Wrong MIDI format".
std::string_view Heading(std::string_view text) {
  return text.substr(0, text.find(':'));
}
}  // namespace

Message MakeMessage(Topic topic, std::string_view text, Subject subject) {
  return Message{topic, std::string(text), OneLine(text), std::move(subject)};
}

Subject PathSubject(const std::string& path) { return Subject{path, 0, {}}; }

Subject RecordSubject(const std::string& path, std::size_t index, const std::string& record_name) {
  return Subject{path, index + 1, record_name};
}

Message WrongMidiFormatMessage(Topic topic, std::string_view name, Subject subject) {
  return Message{topic, WrongMidiFormatText(name), std::string(Heading(kWrongMidiFormat)), std::move(subject)};
}

Message TooLargeMessage(std::string_view name, std::uint64_t size, Subject subject) {
  return Message{Topic::SkipFile, TooLargeText(name, size),
                 Joined(Heading(kTooLargeForPalm), " (" + std::to_string(size / 1024) + "KB): " + std::to_string(size) +
                                                       " bytes, at most " + std::to_string(kLargestMidiFile)),
                 std::move(subject)};
}

Message UnconvertibleMessage(std::string_view name, std::string_view reason, Subject subject) {
  return Message{Topic::SkipFile, UnconvertibleText(name, reason),
                 Joined(Heading(kWrongMidiFormat), ": ") + std::string(reason), std::move(subject)};
}

Message OverwriteMessage(Topic topic, const std::string& path) {
  return Message{topic, OverwriteText(path), OneLine(std::string_view(kAlreadyExistsOverwrite).substr(2)),
                 PathSubject(path)};
}

Message ReplaceTuneMessage(std::string_view name, Subject record) {
  return Message{Topic::ReplaceTune, "A tune named \"" + std::string(name) + "\" is already in the database.\r\nReplace it?",
                 "already in the database. Replace it?", std::move(record)};
}

Message ShapedNote(const std::string& path, std::size_t before, std::size_t after) {
  return MakeMessage(Topic::Shaped, "shaped: " + std::to_string(before) + " -> " + std::to_string(after) + " bytes",
                     PathSubject(path));
}

Message SkippedNote(Topic topic, const std::string& path, std::string_view reason) {
  return Message{topic, std::string(reason), "skipped: " + OneLine(reason), PathSubject(path)};
}

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

std::string EditedText(std::size_t added, std::size_t replaced, std::size_t removed, std::size_t total) {
  return std::to_string(added) + (added == 1 ? " tune added, " : " tunes added, ") + std::to_string(replaced) +
         " replaced, " + std::to_string(removed) + " removed; the database holds " + std::to_string(total) +
         (total == 1 ? " record." : " records.");
}

std::string NoRecordNamedText(std::string_view name) { return "no record is named \"" + std::string(name) + "\""; }

std::string NoRecordNumberText(std::string_view number, std::size_t count) {
  std::string text = "no record ";
  text.append(number).append(": the database holds ").append(std::to_string(count));
  return text.append(count == 1 ? " record" : " records");
}
