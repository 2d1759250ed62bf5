// "Compile!": the MIDI files of a directory become one Palm MIDI database.
#pragma once

#include <string>
#include <vector>

#include "commands/prompts.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct CompileInputs {
  // Edit3 as typed: one directory. The command line gives files and directories, in its order.
  std::vector<std::string> sources;
  std::string destination_path;  // Edit4, as typed
  std::string database_name;     // Edit5, as typed
  bool smf0_only = true;         // CheckBox1
  // The command line's --to-smf0: format-1 files are stored converted to format 0, and the size
  // limit applies to the converted tune. The window never sets it.
  bool to_smf0 = false;
  // The command line's collection, stricter than the window's 25 bytes: files among the sources,
  // each tune's whole structure checked, record names that clash noted.
  bool thorough = false;
  // The command line's --skip-bad: a file that cannot be read is passed over, not the run's end.
  bool skip_unreadable = false;
};

// One run: construct with the fields' texts, then
//   if (command.CheckCompileInputs()) command.CompileDatabase();
class CompileCommand {
 public:
  CompileCommand(Prompts& prompts, FileSystem& files, Clock& clock, CompileInputs inputs);

  bool CheckCompileInputs();
  void CompileDatabase();

 private:
  Prompts& prompts_;
  FileSystem& files_;
  Clock& clock_;
  CompileInputs inputs_;
};
