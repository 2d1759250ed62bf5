// The database writer: header, complete record list, then one record per MIDI file, never seeking.
#include "commands/database_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "commands/tune_conversion.h"
#include "format/palm_database.h"
#include "midi/smf_format0.h"
#include "format/palm_date.h"
#include "seams/app_error.h"
#include "seams/paths.h"

namespace {
// The bytes of a record name as stored: never more than the 32-byte name buffer can hold with its NUL.
std::size_t StoredNameLength(const std::string& record_name) {
  return std::min(record_name.size(), palm::kMaxNameLength);
}
// The record offsets are written already: a conversion of another size would break them all.
std::vector<std::uint8_t> ConvertedTune(FileSystem& files, const DatabaseSources& sources, std::size_t index) {
  const std::unique_ptr<FileBlock> source = ReadWholeFile(files, sources.PathOf(index), kLargestConvertibleFile);
  std::string problem;
  std::optional<std::vector<std::uint8_t>> converted;
  if (source) converted = ConvertedTune(source->Bytes(), sources.conversions[index], sources.ring, problem);
  if (!converted || converted->size() != sources.file_sizes[index]) {
    throw AppError(ChangedWhileWrittenText(sources.file_names[index]));
  }
  return std::move(*converted);
}
}  // namespace

std::string DatabaseSources::PathOf(std::size_t index) const {
  const std::uint32_t directory = file_directories[index];
  return directory == kGivenFile ? file_names[index] : JoinPath(directories[directory], file_names[index]);
}

std::uint64_t StoredRecordSize(const std::string& record_name, std::uint64_t tune_size) {
  return palm::kRecordEntrySize + palm::kRecordHeadSize + StoredNameLength(record_name) + 1 + tune_size;
}

void ReadCollectedTune(FileSystem& files, const DatabaseSources& sources, std::size_t index,
                       std::vector<std::uint8_t>& tune) {
  const std::string path = sources.PathOf(index);
  if (sources.conversions[index] != Conversion::AsStored) {
    tune = ConvertedTune(files, sources, index);
    return;
  }
  // Exactly the collected size: a file that has grown since contributes only that much.
  tune.resize(sources.file_sizes[index]);
  std::unique_ptr<InputFile> midi = files.OpenRead(path);
  midi->Read(tune.data(), tune.size());
  midi->Close();
}

void WriteDatabase(Prompts& prompts, FileSystem& files, Clock& clock, const std::string& destination_path,
                   const std::string& database_name, const DatabaseSources& sources, Outcome& outcome) {
  const std::size_t count = sources.file_names.size();
  if (sources.record_names.size() != count || sources.file_sizes.size() != count ||
      sources.file_directories.size() != count || sources.conversions.size() != count) {
    throw std::logic_error("WriteDatabase: the file lists are not index-aligned");
  }
  if (count > palm::kMaxRecords) throw AppError(kTooManyMidiFiles);

  // The whole list is known from names and sizes alone, so it precedes every record. Offsets are
  // summed in 64 bits and the total judged before anything is written, so none can wrap unseen.
  std::vector<std::uint8_t> head_and_list(palm::kHeaderSize + palm::kRecordEntrySize * count);
  const std::uint32_t palm_date = DateTimeToPalmDate(clock.Now());
  auto header = palm::BuildHeader(database_name, palm_date, static_cast<std::uint16_t>(count));
  std::copy(header.begin(), header.end(), head_and_list.begin());
  std::uint64_t record_offset = head_and_list.size();
  for (std::size_t i = 0; i < count && record_offset <= palm::kLargestDatabase; ++i) {
    auto entry = palm::BuildRecordEntry(static_cast<std::uint32_t>(record_offset));
    std::copy(entry.begin(), entry.end(), head_and_list.begin() + palm::kHeaderSize + palm::kRecordEntrySize * i);
    record_offset += StoredRecordSize(sources.record_names[i], sources.file_sizes[i]) - palm::kRecordEntrySize;
  }
  if (record_offset > palm::kLargestDatabase) throw AppError(kTooMuchMidiData);  // the end of the last record
  std::unique_ptr<OutputFile> database = files.Create(destination_path, Durability::Flushed);
  database->Write(head_and_list.data(), head_and_list.size());

  std::uint64_t written_bytes = 0;
  std::vector<std::uint8_t> tune;  // one buffer for every record
  for (std::size_t i = 0; i < count; ++i) {
    // The head and the name with its NUL, in one request.
    const std::size_t name_length = StoredNameLength(sources.record_names[i]);
    std::array<std::uint8_t, palm::kRecordHeadSize + palm::kNameFieldSize> head{};
    const auto record_head = palm::BuildRecordHead(name_length);
    std::copy(record_head.begin(), record_head.end(), head.begin());
    std::memcpy(head.data() + palm::kRecordHeadSize, sources.record_names[i].data(), name_length);
    database->Write(head.data(), palm::kRecordHeadSize + name_length + 1);

    ReadCollectedTune(files, sources, i, tune);
    database->Write(tune.data(), tune.size());
    written_bytes += tune.size();
    prompts.ReportProgress(Phase::Writing, i + 1, count, written_bytes);
  }
  database->Close();
  outcome.written = destination_path;
  outcome.tunes = count;

  prompts.ShowInformation(MakeMessage(Topic::Summary, CompiledText(count), PathSubject(destination_path)), kSuccess);
}
