// Writes a Palm MIDI database in one forward pass from the collected MIDI files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/messages.h"
#include "commands/outcome.h"
#include "commands/prompts.h"
#include "commands/tune_conversion.h"
#include "seams/clock.h"
#include "seams/file_system.h"

// The collected files, index-aligned.
struct DatabaseSources {
  const std::vector<std::string>& file_names;
  const std::vector<std::string>& record_names;  // at most 31 characters each
  // As stored: a converted tune's entry is the conversion's size.
  const std::vector<std::uint16_t>& file_sizes;
  const std::vector<Conversion>& conversions;
  const handheld::RingOptions& ring;  // how Conversion::Ring shapes a tune
  // The directories the files were listed in, and each file's index into them, or kGivenFile for
  // a file whose name is its whole path.
  const std::vector<std::string>& directories;
  const std::vector<std::uint32_t>& file_directories;

  std::string PathOf(std::size_t index) const;
};

inline constexpr std::uint32_t kGivenFile = UINT32_MAX;

// The bytes one record adds to a database: its list entry, head, name with its NUL and tune.
std::uint64_t StoredRecordSize(const std::string& record_name, std::uint64_t tune_size);

// The tune of file `index` as it is stored: the first file_sizes[index] bytes of the file, or its
// conversion, which must still be of that size. Raises AppError(kChangedWhileWritten...) for a
// conversion that no longer is, and InOutError on a failed read.
void ReadCollectedTune(FileSystem& files, const DatabaseSources& sources, std::size_t index,
                       std::vector<std::uint8_t>& tune);

// Writes `destination_path`, reports " MIDI files successfully compiled." and records what it
// wrote in `outcome`. Raises InOutError on any failed file operation; the destination then stays
// as it was. A database name longer than 31 characters is cut to 31. More than 65535 files raise
// AppError(kTooManyMidiFiles) before the destination is created, and so does a database larger
// than palm::kLargestDatabase (AppError(kTooMuchMidiData)). A file to convert is converted again
// as it is stored, so that only one tune is held at a time; one that no longer gives the collected
// size has changed meanwhile and raises AppError before its bytes are written.
void WriteDatabase(Prompts& prompts, FileSystem& files, Clock& clock, const std::string& destination_path,
                   const std::string& database_name, const DatabaseSources& sources, Outcome& outcome);
