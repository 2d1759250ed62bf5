// Collection of the usable MIDI files: listing, the checks of each file and their questions, the
// database's limits, record names.
#include "commands/midi_collection.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <string_view>
#include <utility>

#include "commands/messages.h"
#include "commands/tune_conversion.h"
#include "format/palm_database.h"
#include "midi/smf_format0.h"
#include "seams/app_error.h"
#include "seams/paths.h"

namespace {
constexpr std::uint64_t kMidiHeadSize = 25;
constexpr std::size_t kExtensionLength = 4;  // ".mid", or whatever the last four characters are
constexpr std::size_t kFormatOffset = 8;     // big-endian 16-bit SMF format field

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char e, char c) { return e == (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
}

// The window takes only "*.mid" files and drops the last four characters, whatever they are (a
// short name's "SONG~1.MID" lists "song.midi" too); the command line and the page take any name
// and drop only a final ".mid" or ".midi".
std::string FullRecordName(const std::string& file_name, bool thorough) {
  std::size_t stem = file_name.size() > kExtensionLength ? file_name.size() - kExtensionLength : 0;
  if (thorough) {
    stem = file_name.size();
    for (std::string_view extension : {".mid", ".midi"}) {
      if (EndsWithNoCase(file_name, extension)) stem = file_name.size() - extension.size();
    }
  }
  return file_name.substr(0, stem);
}


// Why a tune that does not begin as one is none, as convert would say it.
std::string NotATuneReason(std::span<const std::uint8_t> tune) {
  if (std::optional<midi::Problem> problem = midi::ReadSmf(tune).problem) return ProblemText(*problem);
  return std::to_string(tune.size()) + " bytes: too short to hold a tune";
}

}  // namespace

const char* MissingSourceText(const std::string& path, bool thorough) {
  const bool names_a_tune = EndsWithNoCase(path, ".mid") || EndsWithNoCase(path, ".midi");
  return thorough && names_a_tune ? kFileDoesNotExist : kDirectoryDoesNotExist;
}

DatabaseSources MidiCollection::Sources() const {
  return DatabaseSources{FileNames, RecordNames, FileSizes, Conversions, options_.ring, directories_, FileDirectories};
}

void MidiCollection::Clear() {
  directories_.clear();
  FileNames.clear();
  FileDirectories.clear();
  RecordNames.clear();
  FileSizes.clear();
  Conversions.clear();
}

bool MidiCollection::PassOver(const Message& question, const char* caption) {
  if (!prompts_.AskOkCancel(question, caption)) {
    outcome_.End(Ending::Cancelled);
    return false;
  }
  NoteSkipped(prompts_, outcome_, Topic::Skipped, question.subject.path, question.line);
  return true;
}

bool MidiCollection::Refuse(const char* text, const Subject& subject) {
  if (!Cancelled()) ::Refuse(prompts_, outcome_, Field::Edit3, MakeMessage(Topic::Refusal, text, subject));
  Clear();
  return false;
}

std::optional<std::uint64_t> MidiCollection::ConvertedSize(std::span<const std::uint8_t> tune, Conversion conversion,
                                                           const std::string& path, const std::string& name) {
  std::string problem;
  if (conversion == Conversion::ToFormat0) {
    // Only its size: the writer converts again as it writes.
    const midi::SizeResult converted = midi::ConvertedSize(tune);
    if (!converted.problem) return converted.size;
    problem = ProblemText(*converted.problem);
  } else if (const auto converted = ConvertedTune(tune, conversion, options_.ring, problem)) {
    prompts_.Note(ShapedNote(path, tune.size(), converted->size()));
    return converted->size();
  }
  PassOver(UnconvertibleMessage(name, problem, PathSubject(path)), kMidiError);
  return std::nullopt;
}

bool MidiCollection::WholeTuneReads(std::span<const std::uint8_t> tune, const std::string& path,
                                    const std::string& name) {
  std::optional<midi::Problem> problem = midi::ReadSmf(tune).problem;
  if (!problem) return true;
  PassOver(UnconvertibleMessage(name, ProblemText(*problem), PathSubject(path)), kMidiError);
  return false;
}

std::vector<DirectoryEntry> MidiCollection::ListFiles(const std::string& pattern, const std::string& source) {
  try {
    return files_.FindFiles(pattern);
  } catch (const InOutError& error) {
    // The window lists what Windows lists, and Windows lists nothing in a folder it may not read.
    if (!options_.thorough) return {};
    if (!options_.skip_unreadable) throw InOutError(error.code(), source);
    NoteSkipped(prompts_, outcome_, Topic::SkippedUnusable, source, InOutErrorText(error.code()));
    return {};
  }
}

std::vector<MidiCollection::Candidate> MidiCollection::ListCandidates(const std::vector<std::string>& sources) {
  std::vector<Candidate> candidates;
  for (std::string source : sources) {
    if (options_.thorough && files_.FileExists(source)) {
      // The file itself, as the listing names it, so that its record name is made the same way.
      const std::string name = ExtractFileName(source);
      for (DirectoryEntry& entry : ListFiles(source, source)) {
        if (entry.name != name || entry.is_directory) continue;
        entry.name = source;  // opened by the path as given
        candidates.push_back({kGivenFile, std::move(entry)});
      }
      continue;
    }
    DropTrailingSeparator(source);
    std::vector<DirectoryEntry> entries = ListFiles(JoinPath(source, "*.mid"), source);
    const auto directory = static_cast<std::uint32_t>(directories_.size());
    directories_.push_back(std::move(source));
    candidates.reserve(candidates.size() + entries.size());
    for (DirectoryEntry& entry : entries) candidates.push_back({directory, std::move(entry)});
  }
  return candidates;
}

bool MidiCollection::Collect(const std::vector<std::string>& sources, const CollectionOptions& options) {
  Clear();
  options_ = options;
  const std::vector<Candidate> candidates = ListCandidates(sources);
  // The source, when there is one: the window's single directory, or the only PATH given.
  const Subject source = PathSubject(sources.size() == 1 ? sources[0] : "");
  if (candidates.empty()) return Refuse(kNoMidiFilesFound, source);

  // Cancel, or too many files or bytes, empties the lists: nothing is written then.
  // Reserved whole, so that a large directory never holds a list twice while it grows.
  FileNames.reserve(candidates.size());
  FileDirectories.reserve(candidates.size());
  RecordNames.reserve(candidates.size());
  FileSizes.reserve(candidates.size());
  Conversions.reserve(candidates.size());
  std::uint64_t database_size = palm::kHeaderSize;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (!CollectFile(candidates[i], database_size) || Cancelled()) {
      Clear();
      return false;
    }
    prompts_.ReportProgress(Phase::Reading, i + 1, candidates.size(), 0);
  }
  if (FileNames.empty()) return Refuse(kNoCorrectMidiFiles, source);
  return true;
}

bool MidiCollection::CollectFile(const Candidate& candidate, std::uint64_t& database_size) {
  const DirectoryEntry& entry = candidate.entry;
  const std::string& name = entry.text;  // as the record will be named, and the window shows it
  const std::string path =
      candidate.directory == kGivenFile ? entry.name : JoinPath(directories_[candidate.directory], entry.name);
  const Subject subject = PathSubject(path);
  if (entry.problem) {
    NoteSkipped(prompts_, outcome_, Topic::SkippedUnusable, path, entry.problem);
    return true;
  }
  const bool converting = options_.conversion != Conversion::AsStored;
  // The window looks at the first 25 bytes; a thorough collection reads each tune whole, once. So does
  // a conversion, which needs the whole tune anyway.
  const bool whole = options_.thorough || converting;
  std::uint64_t size = entry.is_directory ? 0 : entry.size;
  if (entry.is_directory && options_.thorough) {
    return PassOver(UnconvertibleMessage(name, "a directory, not a MIDI file", subject), kMidiError);
  }
  if (size < kMidiHeadSize && !whole) {
    return PassOver(WrongMidiFormatMessage(Topic::SkipFile, name, subject), kMidiError);
  }
  // A format-1 file may shrink as it is converted: its limit applies once it is.
  if (size > kLargestMidiFile && !converting) {
    return PassOver(TooLargeMessage(name, size, subject), kCompatibilityError);
  }

  std::unique_ptr<FileBlock> whole_tune;
  std::vector<std::uint8_t> head;
  std::span<const std::uint8_t> tune;
  try {
    if (whole) {
      whole_tune = ReadWholeFile(files_, path, converting ? kLargestConvertibleFile : kLargestMidiFile);
      if (!whole_tune) return PassOver(TooLargeMessage(name, size, subject), kCompatibilityError);
      tune = whole_tune->Bytes();
    } else {
      head.resize(kMidiHeadSize);
      std::unique_ptr<InputFile> file = files_.OpenRead(path);
      file->Read(head.data(), head.size());
      file->Close();
      tune = head;
    }
  } catch (const InOutError& error) {
    if (!options_.skip_unreadable) throw;
    NoteSkipped(prompts_, outcome_, Topic::SkippedUnusable, path, InOutErrorText(error.code()));
    return true;
  }

  // A file that shrank since it was listed is as short as one listed short.
  if (tune.size() < kMidiHeadSize || std::memcmp(tune.data(), "MThd", 4) != 0) {
    if (options_.thorough) return PassOver(UnconvertibleMessage(name, NotATuneReason(tune), subject), kMidiError);
    return PassOver(WrongMidiFormatMessage(Topic::SkipFile, name, subject), kMidiError);
  }
  const unsigned format = tune[kFormatOffset] << 8 | tune[kFormatOffset + 1];
  const bool smf0 = format == 0;
  if (!smf0 && options_.smf0_only && !converting) {
    NoteSkipped(prompts_, outcome_, Topic::SkippedFormat, path, "format " + std::to_string(format) + ", not format 0");
    return true;
  }
  // Format 0 is stored as it is, but shaped to ring as any other.
  const Conversion conversion =
      smf0 && options_.conversion == Conversion::ToFormat0 ? Conversion::AsStored : options_.conversion;
  if (conversion != Conversion::AsStored) {
    std::optional<std::uint64_t> converted = ConvertedSize(tune, conversion, path, name);
    if (!converted) return !Cancelled();
    size = *converted;
  }
  if (size > kLargestMidiFile) return PassOver(TooLargeMessage(name, size, subject), kCompatibilityError);
  if (options_.thorough && conversion == Conversion::AsStored && !WholeTuneReads(tune, path, name)) {
    return !Cancelled();
  }

  // The record count is 16 bits: one more record would wrap it and corrupt the database.
  if (FileNames.size() == palm::kMaxRecords) return Refuse(kTooManyMidiFiles);
  std::string record_name = FullRecordName(name, options_.thorough);
  if (options_.thorough && !NameFits(path, record_name)) return true;
  record_name.resize(std::min(record_name.size(), palm::kMaxNameLength));
  database_size += StoredRecordSize(record_name, size);
  if (database_size > palm::kLargestDatabase) return Refuse(kTooMuchMidiData);
  FileSizes.push_back(static_cast<std::uint16_t>(size));
  Conversions.push_back(conversion);
  FileNames.push_back(entry.name);
  FileDirectories.push_back(candidate.directory);
  RecordNames.push_back(std::move(record_name));
  return true;
}

bool MidiCollection::NameFits(const std::string& path, const std::string& record_name) {
  if (record_name.empty()) {
    // Extract would write it as ".mid", a hidden file of no name.
    NoteSkipped(prompts_, outcome_, Topic::SkippedUnusable, path, "its record name would be empty");
    return false;
  }
  if (record_name.size() > palm::kMaxNameLength) {
    const std::string cut = files_.NameFromText(record_name.substr(0, palm::kMaxNameLength));
    prompts_.Note(MakeMessage(Topic::NameCut, "a record name holds 31 characters: stored as \"" + cut + "\"",
                              PathSubject(path)));
  }
  return true;
}

void MidiCollection::NoteNameClashes() const {
  // A later extract writes both records to one file, the second over the first.
  const DatabaseSources sources = Sources();
  std::vector<std::uint32_t> order(RecordNames.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [this](std::uint32_t a, std::uint32_t b) { return RecordNames[a] < RecordNames[b]; });
  for (std::size_t i = 1; i < order.size(); ++i) {
    const std::uint32_t first = order[i - 1];
    const std::uint32_t second = order[i];
    if (RecordNames[first] != RecordNames[second]) continue;
    const std::string text =
        "gives the record name of " + sources.PathOf(first) + "; an extract would write one tune over the other";
    prompts_.Note(MakeMessage(Topic::NameClash, text, PathSubject(sources.PathOf(second))));
  }
}
