// "Compile!": input checks, collection of the usable MIDI files, and the hand-over to the writer.
#include "commands/compile_command.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>

#include "commands/database_writer.h"
#include "commands/messages.h"
#include "commands/tune_conversion.h"
#include "midi/smf_format0.h"
#include "format/palm_database.h"
#include "seams/paths.h"

namespace {
constexpr std::uint64_t kMidiHeadSize = 25;
constexpr std::uint64_t kLargestMidiFile = 65000;
constexpr std::size_t kExtensionLength = 4;  // ".mid", or whatever the last four characters are
constexpr std::size_t kFormatOffset = 8;     // big-endian 16-bit SMF format field

std::string RecordNameOf(const std::string& file_name) {
  std::size_t stem = file_name.size() > kExtensionLength ? file_name.size() - kExtensionLength : 0;
  return file_name.substr(0, std::min(stem, palm::kMaxNameLength));
}

}  // namespace

CompileCommand::CompileCommand(Prompts& prompts, FileSystem& files, Clock& clock, CompileInputs inputs)
    : prompts_(prompts), files_(files), clock_(clock), inputs_(std::move(inputs)) {}

bool CompileCommand::CheckCompileInputs() {
  if (inputs_.source_directory.empty()) {
    prompts_.ShowInputError(Field::Edit3, kNoDirectorySelected);
    return false;
  }
  if (inputs_.destination_path.empty()) {
    prompts_.ShowInputError(Field::Edit4, kNoDatabaseSelected);
    return false;
  }
  if (inputs_.database_name.empty()) {
    prompts_.ShowInputError(Field::Edit5, kNoDatabaseNameGiven);
    return false;
  }
  if (!files_.DirectoryExists(inputs_.source_directory)) {
    prompts_.ShowInputError(Field::Edit3, kDirectoryDoesNotExist);
    return false;
  }
  std::string destination_directory = ExtractFilePath(inputs_.destination_path);
  if (!files_.DirectoryExists(destination_directory)) {
    if (!prompts_.AskMarkedQuestion(Field::Edit4, kCreateDirectoryQuestion)) {
      return false;
    }
    // A failed creation shows up when the writer creates the database there.
    ForceDirectories(files_, destination_directory);
  }
  if (files_.DirectoryExists(inputs_.destination_path)) {
    prompts_.ShowInputError(Field::Edit4, kFileOrDirectoryExists);
    return false;
  }
  if (files_.FileExists(inputs_.destination_path)) {
    return prompts_.AskMarkedQuestion(Field::Edit4, kReplaceDatabaseQuestion);
  }
  return true;
}

void CompileCommand::CompileDatabase() {
  // The lists live for this step only, also when the writer fails.
  struct ReleaseLists {
    CompileCommand& command;
    ~ReleaseLists() { command.ClearLists(); }
  } release{*this};
  ClearLists();

  CollectMidiFiles();
  if (FileNames.empty()) return;
  WriteDatabase(prompts_, files_, clock_, inputs_.destination_path, inputs_.database_name,
                DatabaseSources{inputs_.source_directory, FileNames, RecordNames, FileSizes, &Conversions});
}

void CompileCommand::ClearLists() {
  FileNames.clear();
  RecordNames.clear();
  FileSizes.clear();
  Conversions.clear();
}

std::optional<std::uint64_t> CompileCommand::ConvertedSize(const std::string& name, std::uint64_t size) {
  std::optional<std::vector<std::uint8_t>> tune =
      ReadWholeFile(files_, JoinPath(inputs_.source_directory, name), kLargestConvertibleFile);
  std::string question;
  const char* caption = kMidiError;
  if (!tune) {
    question = TooLargeText(name, size);
    caption = kCompatibilityError;
  } else if (midi::SizeResult converted = midi::ConvertedSize(*tune); converted.problem) {
    question = UnconvertibleText(name, ProblemText(*converted.problem));
  } else {
    return converted.size;
  }
  cancelled_ = !prompts_.AskOkCancel(question, caption);
  return std::nullopt;
}

void CompileCommand::CollectMidiFiles() {
  cancelled_ = false;
  std::string& source = inputs_.source_directory;
  DropTrailingSeparator(source);

  std::vector<DirectoryEntry> entries = files_.FindFiles(JoinPath(source, "*.mid"));
  if (entries.empty()) {
    prompts_.ShowInputError(Field::Edit3, kNoMidiFilesFound);
    return;
  }

  // Cancel, or too many files or bytes, empties the lists: nothing is written then.
  // Reserved whole, so that a large directory never holds a list twice while it grows.
  FileNames.reserve(entries.size());
  RecordNames.reserve(entries.size());
  FileSizes.reserve(entries.size());
  Conversions.reserve(entries.size());
  std::uint64_t database_size = palm::kHeaderSize;
  for (const DirectoryEntry& entry : entries) {
    const std::string& name = entry.name;
    std::uint64_t size = entry.is_directory ? 0 : entry.size;
    if (size < kMidiHeadSize) {
      if (!prompts_.AskOkCancel(WrongMidiFormatText(name), kMidiError)) return ClearLists();
      continue;
    }
    // A format-1 file may shrink as it is converted: its limit applies once it is.
    if (size > kLargestMidiFile && !inputs_.to_smf0) {
      if (!prompts_.AskOkCancel(TooLargeText(name, size), kCompatibilityError)) return ClearLists();
      continue;
    }

    std::array<std::uint8_t, kMidiHeadSize> head{};
    std::unique_ptr<InputFile> file = files_.OpenRead(JoinPath(source, name));
    file->Read(head.data(), head.size());
    file->Close();

    if (std::memcmp(head.data(), "MThd", 4) != 0) {
      if (!prompts_.AskOkCancel(WrongMidiFormatText(name), kMidiError)) return ClearLists();
      continue;
    }
    bool smf0 = head[kFormatOffset] == 0 && head[kFormatOffset + 1] == 0;
    if (!smf0 && inputs_.smf0_only) continue;
    const bool convert = !smf0 && inputs_.to_smf0;
    if (convert) {
      std::optional<std::uint64_t> converted = ConvertedSize(name, size);
      if (!converted) {
        if (cancelled_) return ClearLists();
        continue;
      }
      size = *converted;
    }
    if (size > kLargestMidiFile) {
      if (!prompts_.AskOkCancel(TooLargeText(name, size), kCompatibilityError)) return ClearLists();
      continue;
    }

    // The record count is 16 bits: one more record would wrap it and corrupt the database.
    if (FileNames.size() == palm::kMaxRecords) {
      prompts_.ShowInputError(Field::Edit3, kTooManyMidiFiles);
      return ClearLists();
    }
    std::string record_name = RecordNameOf(name);
    database_size += StoredRecordSize(record_name, size);
    if (database_size > kLargestDatabase) {
      prompts_.ShowInputError(Field::Edit3, kTooMuchMidiData);
      return ClearLists();
    }
    FileSizes.push_back(static_cast<std::uint16_t>(size));
    Conversions.push_back(convert);
    FileNames.push_back(name);
    RecordNames.push_back(std::move(record_name));
  }

  if (FileNames.empty()) prompts_.ShowInputError(Field::Edit3, kNoCorrectMidiFiles);
}
