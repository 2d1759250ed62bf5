// "Compile!": the MIDI files of a directory become one Palm MIDI database.
#pragma once

#include <cstdint>
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
  void ClearLists();

  Prompts& prompts_;
  FileSystem& files_;
  Clock& clock_;
  CompileInputs inputs_;
  // Index-aligned; they exist only while CompileDatabase runs.
  std::vector<std::string> FileNames;
  std::vector<std::string> RecordNames;
  std::vector<std::uint16_t> FileSizes;
};
