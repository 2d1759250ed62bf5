// Runs the command-line program as a process: its exit status and both output streams, with
// standard input from nowhere or from a pseudo-terminal that answers its questions.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Standard input is /dev/null: no terminal.
ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& directory = "");
// Standard input is a pseudo-terminal into which `typed` is written, a line per answer.
ProcessResult RunProgramOnTerminal(const std::vector<std::string>& arguments, const std::string& typed,
                                   const std::string& directory = "");
