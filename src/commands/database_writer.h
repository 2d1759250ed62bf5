// Writes a Palm MIDI database in one forward pass from the collected MIDI files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/messages.h"
#include "commands/prompts.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct DatabaseSources {
  std::string source_directory;  // without a trailing separator; of every file unless given below
  const std::vector<std::string>& file_names;
  const std::vector<std::string>& record_names;  // at most 31 characters each
  const std::vector<std::uint16_t>& file_sizes;
  // Index-aligned too when given: the files to store converted to format 0, whose file_sizes
  // entry is the conversion's size.
  const std::vector<bool>* conversions = nullptr;
  // Files from several directories: index-aligned, each file's index into `directories`, or
  // kGivenFile for a file whose name is its whole path.
  const std::vector<std::string>* directories = nullptr;
  const std::vector<std::uint32_t>* file_directories = nullptr;

  std::string PathOf(std::size_t index) const;
};

inline constexpr std::uint32_t kGivenFile = UINT32_MAX;

// Extract reads a database whole, its sizes and offsets as signed 32-bit numbers: no larger one is written.
inline constexpr std::uint64_t kLargestDatabase = 0x7FFFFFFF;

// The bytes one record adds to a database: its list entry, head, name with its NUL and tune.
std::uint64_t StoredRecordSize(const std::string& record_name, std::uint64_t tune_size);

// The tune of file `index` as it is stored: the first file_sizes[index] bytes of the file, or its
// conversion, which must still be of that size. Raises AppError(kChangedWhileWritten...) for a
// conversion that no longer is, and InOutError on a failed read.
void ReadCollectedTune(FileSystem& files, const DatabaseSources& sources, std::size_t index,
                       std::vector<std::uint8_t>& tune);

// Writes `destination_path` and reports " MIDI files successfully compiled.". Raises InOutError on
// any failed file operation; what was written stays on disk. A database name longer than 31
// characters is cut to 31. More than 65535 files raise AppError(kTooManyMidiFiles) before the
// destination is created, and so does a database larger than kLargestDatabase
// (AppError(kTooMuchMidiData)). A file to convert is converted again as it is stored, so that only one
// tune is held at a time; one that no longer gives the collected size has changed meanwhile and
// raises AppError before its bytes are written.
void WriteDatabase(Prompts& prompts, FileSystem& files, Clock& clock, const std::string& destination_path,
                   const std::string& database_name, const DatabaseSources& sources);
