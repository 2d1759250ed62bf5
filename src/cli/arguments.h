// The command line of `carillo`: the command first, then its arguments, then flags.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class CommandName { None, Extract, Compile, List, Convert, Add, Remove, Render };

struct Arguments {
  CommandName command = CommandName::None;
  std::vector<std::string> operands;  // as typed, in order
  std::optional<std::string> name;    // --name
  std::optional<std::string> output;  // --output
  bool ring = false;                  // --ring, and what shapes the melody:
  unsigned channel = 0;               // --channel (1 to 16); 0 for every channel but the drums'
  std::optional<int> octave;          // --octave (-3 to 3)
  std::optional<double> seconds;      // --seconds
  unsigned volume = 64;               // --volume (0 to 64)
  bool all_formats = false;
  bool to_smf0 = false;  // --to-smf0; --ring converts in its own way
  bool yes = false;
  bool no_overwrite = false;
  bool skip_bad = false;
  bool quiet = false;
  bool json = false;
  bool help = false;
  bool version = false;
};

struct ParsedArguments {
  Arguments arguments;
  std::string error;  // empty when the command line is usable
};

ParsedArguments ParseArguments(const std::vector<std::string>& words);

// The help of the program, or of one command.
std::string HelpText(CommandName command);
// The flags a command takes, long and short ("--yes", "-y"), as its help lists them.
std::vector<std::string> FlagsOf(CommandName command);
// "carillo compile" and friends, for "Try ... --help".
std::string CommandWord(CommandName command);
