// "Compile!": the MIDI files of a directory become one Palm MIDI database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commands/prompts.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct CompileInputs {
  std::string source_directory;  // Edit3, as typed
  std::string destination_path;  // Edit4, as typed
  std::string database_name;     // Edit5, as typed
  bool smf0_only = true;         // CheckBox1
  // The command line's --to-smf0: format-1 files are stored converted to format 0, and the size
  // limit applies to the converted tune. The window never sets it.
  bool to_smf0 = false;
};

// One run: construct with the fields' texts, then
//   if (command.CheckCompileInputs()) command.CompileDatabase();
class CompileCommand {
 public:
  CompileCommand(Prompts& prompts, FileSystem& files, Clock& clock, CompileInputs inputs);

  bool CheckCompileInputs();
  void CompileDatabase();

 private:
  void CollectMidiFiles();
  // The size of a file's conversion to format 0. nullopt after the question about a file that
  // cannot be converted, or is too large to be; cancelled_ tells its answer.
  std::optional<std::uint64_t> ConvertedSize(const std::string& name, std::uint64_t size);
  void ClearLists();

  Prompts& prompts_;
  FileSystem& files_;
  Clock& clock_;
  CompileInputs inputs_;
  // Index-aligned; they exist only while CompileDatabase runs.
  std::vector<std::string> FileNames;
  std::vector<std::string> RecordNames;
  std::vector<std::uint16_t> FileSizes;
  std::vector<bool> Conversions;
  bool cancelled_ = false;  // stored converted to format 0 (to_smf0 only)
};
