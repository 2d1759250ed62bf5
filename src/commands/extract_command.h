// "Extract!": every MIDI record of a Palm MIDI database becomes a ".mid" file.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "commands/prompts.h"
#include "seams/file_system.h"

struct ExtractInputs {
  std::string source_path;            // Edit1, as typed
  std::string destination_directory;  // Edit2, as typed
};

// The file a record is written to: its name with each of \/:*?<>| turned into "_", a "_" after
// the part before the first "." when that part names a device (NUL, CON, COM1, ...), then ".mid".
std::string OutputFileName(std::string_view record_name);

// One run: construct with the fields' texts, then
//   if (command.CheckExtractInputs()) command.ExtractDatabase();
class ExtractCommand {
 public:
  ExtractCommand(Prompts& prompts, FileSystem& files, ExtractInputs inputs);

  bool CheckExtractInputs();
  void ExtractDatabase();

  std::uint16_t WrittenCount() const { return written_count_; }

 private:
  void ExtractRecord(std::int32_t record_offset, std::int32_t record_length);
  Subject Source() const;  // the database

  Prompts& prompts_;
  FileSystem& files_;
  std::string source_path_;
  std::string destination_directory_;  // the run's own copy; ExtractRecord may shorten it
  std::span<const std::uint8_t> image_;  // the image ExtractDatabase owns, while it runs
  std::uint16_t record_index_ = 0;       // of the record ExtractRecord takes, for its messages
  std::uint16_t written_count_ = 0;
  std::uint16_t unreadable_count_ = 0;  // records past the end of the file, told once after the run
  std::uint64_t written_bytes_ = 0;  // tunes only, for the progress
  bool cancelled_ = false;
};
