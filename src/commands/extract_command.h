// "Extract!": every MIDI record of a Palm MIDI database becomes a ".mid" file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/database_image.h"
#include "commands/outcome.h"
#include "commands/prompts.h"
#include "format/palm_database.h"
#include "seams/file_system.h"

struct ExtractInputs {
  std::string source_path = {};            // Edit1, as typed
  std::string destination_directory = {};  // Edit2, as typed
  // The command line's and the page's extract: a file that is no Palm database is refused before
  // the directory is asked about, every character Windows refuses in a name becomes "_", and a
  // record whose file name an earlier one has is written under a name of its own.
  bool thorough = false;
};

// The file a record is written to: its name with each of \/:*?<>| (with `every_refused`, also "
// and the control characters) turned into "_", a "_" after the part before the first "." when
// that part names a device (NUL, CON, COM1, ...), then ".mid".
std::string OutputFileName(std::string_view record_name, bool every_refused = false);

// The file names of a run's records, given their OutputFileName: each its own, but where an
// earlier one names the same file as NTFS compares names, the lowest " (N)" from 2 that no record
// names. Index-aligned; an empty name stays empty (a record with no tune).
std::vector<std::string> DistinctFileNames(const std::vector<std::string>& names);

// One run: construct with the fields' texts, then
//   if (command.CheckExtractInputs()) command.ExtractDatabase();
// and Result() tells what it did.
class ExtractCommand {
 public:
  ExtractCommand(Prompts& prompts, FileSystem& files, ExtractInputs inputs);

  bool CheckExtractInputs();
  void ExtractDatabase();

  const Outcome& Result() const { return outcome_; }

 private:
  void ExtractRecord(std::int32_t record_offset, std::int32_t record_length);
  Subject Source() const;  // the database
  // The file name of every MIDI record of the run, for a thorough one.
  void NameFiles(const palm::DatabaseReader& reader);

  Prompts& prompts_;
  FileSystem& files_;
  std::string source_path_;
  std::string destination_directory_;  // the run's own copy; ExtractRecord may shorten it
  bool thorough_;
  std::optional<DatabaseImage> checked_image_;  // read by a thorough check, for the run to take
  std::vector<std::string> file_names_;         // a thorough run's, by record index
  std::vector<std::size_t> name_owners_;        // the record (from 1) whose name one took; 0: its own
  std::span<const std::uint8_t> image_;  // the image ExtractDatabase owns, while it runs
  std::uint16_t record_index_ = 0;       // of the record ExtractRecord takes, for its messages
  std::uint16_t unreadable_count_ = 0;  // records past the end of the file, told once after the run
  std::uint64_t written_bytes_ = 0;  // tunes only, for the progress
  Outcome outcome_;
};
