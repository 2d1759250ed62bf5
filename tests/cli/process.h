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
  std::string terminal;  // what the terminal showed, for RunProgramOnTerminal
};

// Where the streams go instead of pipes, and as whom the program runs.
struct ProcessSetting {
  std::string in_file = {};    // standard input read from there, when given
  std::string out_file = {};   // standard output opened for writing there ("/dev/full"), when given
  std::string err_file = {};   // the same for standard error
  bool out_on_terminal = false;  // RunProgramOnTerminal: standard output to the terminal as well
  bool as_nobody = false;  // run as user and group 65534 where the test runs as root, so that
                           // permissions bind
};

// Standard input is /dev/null: no terminal. A program still running after `timeout_seconds`
// (when above 0) is killed.
ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& directory = "",
                         int timeout_seconds = 0, const ProcessSetting& setting = {});
// Standard input is a pseudo-terminal into which `typed` is written, a line per answer. Where the
// setting sends a stream elsewhere it is the program's controlling terminal too (its /dev/tty).
ProcessResult RunProgramOnTerminal(const std::vector<std::string>& arguments, const std::string& typed,
                                   const std::string& directory = "", const ProcessSetting& setting = {});
