// Extract!: the checks, the database read whole into memory, and one .mid file per MIDI record.
#include "commands/extract_command.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <vector>
#include <string>
#include <utility>

#include "commands/messages.h"
#include "format/palm_text.h"
#include "seams/app_error.h"
#include "seams/paths.h"

namespace {

constexpr std::string_view kReplacedInFileNames = "\\/:*?<>|";
constexpr std::string_view kRefusedInFileNames = "\\/:*?<>|\"";

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameLetters(std::string_view text, std::string_view upper) {
  return text.size() == upper.size() &&
         std::equal(text.begin(), text.end(), upper.begin(), [](char a, char b) { return AsciiUpper(a) == b; });
}

// Windows opens these as devices whatever the directory and extension, and ignores blanks
// before the extension: a tune written there would vanish while counted as extracted.
bool NamesDevice(std::string_view part) {
  while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
  if (part.size() == 3) {
    return SameLetters(part, "CON") || SameLetters(part, "PRN") || SameLetters(part, "AUX") ||
           SameLetters(part, "NUL");
  }
  if (part.size() == 4 && (SameLetters(part.substr(0, 3), "COM") || SameLetters(part.substr(0, 3), "LPT"))) {
    auto digit = static_cast<unsigned char>(part[3]);
    // 0xB9, 0xB2, 0xB3: the superscript digits one to three of the Western code page, which
    // Windows counts as port numbers too.
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  }
  return false;
}

// A relative destination is anchored at the current directory, where the files of the run will go.
std::string CreatablePath(const std::string& path) {
  bool rooted = IsPathSeparator(path.front()) || (path.size() >= 2 && path[1] == ':');
  return rooted ? path : JoinPath(".", path);
}

}  // namespace

std::string OutputFileName(std::string_view record_name, bool every_refused) {
  std::string name(record_name);
  const std::string_view replaced = every_refused ? kRefusedInFileNames : kReplacedInFileNames;
  for (char& c : name) {
    if (replaced.find(c) != std::string_view::npos || (every_refused && static_cast<unsigned char>(c) < 0x20)) c = '_';
  }
  std::size_t part_end = std::min(name.find('.'), name.size());
  if (NamesDevice(std::string_view(name).substr(0, part_end))) name.insert(part_end, 1, '_');
  return name + ".mid";
}

std::vector<std::string> DistinctFileNames(const std::vector<std::string>& names) {
  constexpr std::string_view kExtension = ".mid";
  std::set<std::u32string> named;  // every record's own name: none is taken from a later record
  for (const std::string& name : names) named.insert(palm::NtfsNameKey(name));
  std::set<std::u32string> taken;
  std::vector<std::string> distinct = names;
  for (std::string& name : distinct) {
    if (name.empty() || taken.insert(palm::NtfsNameKey(name)).second) continue;
    const std::string stem = name.substr(0, name.size() - kExtension.size());
    for (std::size_t n = 2;; ++n) {
      std::string other = stem + " (" + std::to_string(n) + ")" + std::string(kExtension);
      const std::u32string key = palm::NtfsNameKey(other);
      if (named.count(key) != 0 || !taken.insert(key).second) continue;
      name = std::move(other);
      break;
    }
  }
  return distinct;
}

Subject ExtractCommand::Source() const { return PathSubject(source_path_); }

ExtractCommand::ExtractCommand(Prompts& prompts, FileSystem& files, ExtractInputs inputs)
    : prompts_(prompts),
      files_(files),
      source_path_(std::move(inputs.source_path)),
      destination_directory_(std::move(inputs.destination_directory)),
      thorough_(inputs.thorough) {}

bool ExtractCommand::CheckExtractInputs() {
  if (source_path_.empty()) {
    Refuse(prompts_, outcome_, Field::Edit1, MakeMessage(Topic::Refusal, kNoDatabaseSelected));
    return false;
  }
  if (destination_directory_.empty()) {
    Refuse(prompts_, outcome_, Field::Edit2, MakeMessage(Topic::Refusal, kNoDirectorySelected));
    return false;
  }
  if (!files_.FileExists(source_path_)) {
    Refuse(prompts_, outcome_, Field::Edit1, MakeMessage(Topic::Refusal, kFileDoesNotExist, Source()));
    return false;
  }
  // Before a directory is made for it: a file that is no database gives no tune.
  if (thorough_) {
    checked_image_ = ReadDatabaseImage(prompts_, files_, source_path_, true);
    if (!checked_image_) {
      outcome_.End(Ending::Refused);
      return false;
    }
  }
  if (files_.DirectoryExists(destination_directory_)) return true;
  if (prompts_.AskMarkedQuestion(Field::Edit2, MakeMessage(Topic::CreateDirectory, kCreateDirectoryQuestion,
                                                           PathSubject(destination_directory_))) != Answer::Yes) {
    outcome_.End(Ending::Cancelled);
    return false;
  }
  // The window does not examine it: a directory that could not be made fails the first output
  // file instead.
  if (!ForceDirectories(files_, CreatablePath(destination_directory_))) {
    prompts_.Note(MakeMessage(Topic::DirectoryNotMade, kUnableToCreateDirectory, PathSubject(destination_directory_)));
  }
  return true;
}

void ExtractCommand::ExtractDatabase() {
  unreadable_count_ = 0;
  written_bytes_ = 0;

  std::optional<DatabaseImage> image =
      checked_image_ ? std::move(checked_image_) : ReadDatabaseImage(prompts_, files_, source_path_, thorough_);
  checked_image_.reset();
  if (!image) {
    outcome_.End(Ending::Refused);
    return;
  }
  struct ImageView {
    std::span<const std::uint8_t>& view;
    ~ImageView() { view = {}; }
  } image_view{image_};
  image_ = image->Bytes();

  palm::DatabaseReader reader(image_);
  std::uint16_t count = reader.RecordCount();
  if (count == 0) {
    Refuse(prompts_, outcome_, Field::Edit1, MakeMessage(Topic::Refusal, kDatabaseIsEmpty, Source()));
    return;
  }
  if (!reader.RecordListFits()) {
    Refuse(prompts_, outcome_, Field::Edit1, MakeMessage(Topic::Refusal, kWrongFileFormat, Source()));
    return;
  }
  if (thorough_) NameFiles(reader);
  for (std::uint16_t index = 0; index < count; ++index) {
    palm::RecordExtent extent = reader.Extent(index);
    record_index_ = index;
    ExtractRecord(extent.offset, extent.length);
    if (outcome_.ending == Ending::Cancelled) return;
    prompts_.ReportProgress(Phase::Writing, std::size_t{index} + 1, count, written_bytes_);
  }

  image_ = {};
  image.reset();
  // Before the closing box, so that the count or "none found" stays the run's last word.
  if (unreadable_count_ > 0) {
    prompts_.ShowWarning(MakeMessage(Topic::NotConverted, UnreadableRecordsText(unreadable_count_), Source()),
                         kMidiError);
    outcome_.not_converted += unreadable_count_;
  }
  if (outcome_.tunes == 0) {
    // Keeping every existing tune is what was asked, not a refusal.
    prompts_.ShowInputError(Field::Edit1, MakeMessage(Topic::NothingWritten, kNoMidiFilesInDatabase, Source()));
    if (outcome_.kept == 0) outcome_.End(Ending::Refused);
  } else {
    outcome_.written = destination_directory_;
    prompts_.ShowInformation(
        MakeMessage(Topic::Summary, ExtractedText(outcome_.tunes), PathSubject(destination_directory_)), kSuccess);
  }
}

void ExtractCommand::ExtractRecord(std::int32_t record_offset, std::int32_t record_length) {
  palm::RecordContents record = palm::DatabaseReader(image_).ReadRecord({record_offset, record_length});
  switch (record.status) {
    // A record that says "PMrc" but whose name or tune leaves it, or that leaves the file itself,
    // is a broken tune, reported by its name so far; one whose signature lies past the end of the
    // file cannot be named, so it is counted for one warning after the run.
    case palm::RecordStatus::NotMidiRecord:
      return;
    case palm::RecordStatus::Unreadable:
      ++unreadable_count_;
      return;
    case palm::RecordStatus::Damaged:
    case palm::RecordStatus::WrongMidiFormat: {
      Message warning = WrongMidiFormatMessage(Topic::NotConverted, record.name,
                                               RecordSubject(source_path_, record_index_, record.name));
      // The one-line form says what is wrong; a damaged record's problem says it whole.
      if (record.status == palm::RecordStatus::Damaged) {
        warning.line = record.problem;
      } else if (!record.problem.empty()) {
        warning.line += ": " + record.problem;
      }
      prompts_.ShowWarning(warning, kMidiError);
      ++outcome_.not_converted;
      return;
    }
    case palm::RecordStatus::Midi:
      break;
  }

  DropTrailingSeparator(destination_directory_);
  const std::string file_name = thorough_ ? file_names_[record_index_] : OutputFileName(record.name);
  std::string path = JoinPath(destination_directory_, files_.NameFromText(file_name));
  if (files_.FileExists(path)) {
    switch (prompts_.AskYesNoCancel(OverwriteMessage(Topic::OverwriteTune, path), kOverwriteProblem)) {
      case Answer::Yes:
        break;
      case Answer::No:
        ++outcome_.kept;
        NoteSkipped(prompts_, outcome_, Topic::Skipped, path, kKeptExisting);
        return;
      case Answer::Cancel:
        outcome_.End(Ending::Cancelled);
        return;
    }
  }
  std::unique_ptr<OutputFile> file = files_.Create(path, Durability::Closed);
  file->Write(record.tune.data(), record.tune.size());
  file->Close();
  if (thorough_ && name_owners_[record_index_] != 0) {
    prompts_.Note(MakeMessage(Topic::NameTaken,
                              "record #" + std::to_string(name_owners_[record_index_]) +
                                  " has the same file name; written as \"" + files_.NameFromText(file_name) + "\"",
                              RecordSubject(source_path_, record_index_, record.name)));
  }
  ++outcome_.tunes;
  written_bytes_ += record.tune.size();
}

void ExtractCommand::NameFiles(const palm::DatabaseReader& reader) {
  std::vector<std::string> names(reader.RecordCount());
  for (std::uint16_t index = 0; index < names.size(); ++index) {
    const palm::RecordContents record = reader.ReadRecord(reader.Extent(index));
    if (record.status == palm::RecordStatus::Midi) names[index] = OutputFileName(record.name, true);
  }
  file_names_ = DistinctFileNames(names);
  name_owners_.assign(names.size(), 0);
  std::map<std::u32string, std::size_t> first_of;
  for (std::size_t index = 0; index < names.size(); ++index) {
    if (names[index].empty()) continue;
    const std::size_t first = first_of.try_emplace(palm::NtfsNameKey(names[index]), index).first->second;
    if (first != index) name_owners_[index] = first + 1;
  }
}
