// Runs the command-line program as a process: its exit status and both output streams, with
// standard input from nowhere or from a pseudo-terminal that answers its questions.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  int signal = 0;   // the signal that ended it, if one did
  bool timed_out = false;  // killed for running longer than it was given
  std::string out;
  std::string err;
};

// Standard input is /dev/null: no terminal. A program still running after `timeout_seconds`
// (when above 0) is killed.
ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& directory = "",
                         int timeout_seconds = 0);
// Standard input is a pseudo-terminal into which `typed` is written, a line per answer.
ProcessResult RunProgramOnTerminal(const std::vector<std::string>& arguments, const std::string& typed,
                                   const std::string& directory = "");
