// "Compile!": the MIDI files of a directory become one Palm MIDI database.
#pragma once

#include <string>
#include <vector>

#include "commands/midi_collection.h"
#include "commands/outcome.h"
#include "commands/prompts.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct CompileInputs {
  // Edit3 as typed: one directory. The command line and the page give files and directories, in
  // their order.
  std::vector<std::string> sources = {};
  std::string destination_path = {};  // Edit4, as typed
  std::string database_name = {};     // Edit5, as typed
  CollectionOptions collection = {};  // the window's CheckBox1 is its smf0_only
};

// One run: construct with the fields' texts, then
//   if (command.CheckCompileInputs()) command.CompileDatabase();
// and Result() tells what it did.
class CompileCommand {
 public:
  CompileCommand(Prompts& prompts, FileSystem& files, Clock& clock, CompileInputs inputs);

  bool CheckCompileInputs();
  void CompileDatabase();

  const Outcome& Result() const { return outcome_; }

 private:
  Prompts& prompts_;
  FileSystem& files_;
  Clock& clock_;
  CompileInputs inputs_;
  Outcome outcome_;
};
