#include "cli/arguments.h"

#include "cli/console.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <optional>
#include <cstddef>
#include <span>
#include <string_view>
#include <utility>

namespace {

// A flag, as a command takes it and as its help shows it.
struct FlagInfo {
  const char* name;   // "--yes"
  char letter;        // its short form, or 0
  const char* value;  // the value it takes ("NAME"), or null
  const char* help;   // its lines in --help, "\n" between them
};

struct CommandInfo {
  CommandName name;
  const char* word;
  std::size_t least_operands;
  std::size_t most_operands;  // kAny: no limit
  const char* operands;
  const char* usage;   // the usage line and what the command does, each line ended
  std::size_t column;  // where the flags' help begins
  std::span<const FlagInfo> flags;
  const char* closing;  // after the flags: a paragraph ended by a blank line, or ""
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

constexpr char kQuiet[] = "no summary and no progress; warnings, errors and skipped files still show";
constexpr char kSkipBad[] = "skip every unusable, unreadable or too large MIDI file without asking";
constexpr char kAllFormats[] = "take MIDI files of every format, not only format 0";
constexpr char kToSmf0[] = "convert format-1 files to format 0 as they are stored (implies --all-formats)";
constexpr char kOutput[] = "write the result to FILE (ending in .pdb) and leave DATABASE as it is";
constexpr char kRing[] = "shape each tune to ring on the handheld: its melody alone, one note at a\ntime, an octave up where that lies higher (takes format 0 and format 1)";
constexpr char kChannel[] = "with --ring: the melody of channel N (1 to 16) alone, not of every channel\nbut the drums' (10)";
constexpr char kOctave[] = "with --ring: move the melody by N octaves (-3 to 3; 0 keeps its pitch)";
constexpr char kSeconds[] = "with --ring: cut the tune after S seconds";
constexpr char kQuestions[] =
    "Questions are asked on the terminal; without one, and without a flag that answers them,\n"
    "they are answered Cancel.\n"
    "\n";

constexpr FlagInfo kExtractFlags[] = {
    {"--yes", 'y', nullptr, "create a missing DIRECTORY and overwrite existing files without asking"},
    {"--no-overwrite", 'n', nullptr, "keep every existing file (answers No to each overwrite question)"},
    {"--quiet", 'q', nullptr, kQuiet},
};
constexpr FlagInfo kCompileFlags[] = {
    {"--name", 0, "NAME", "the database name on the handheld, at most 31 characters\n(default: \"My MIDI Database\")"},
    {"--all-formats", 0, nullptr, kAllFormats},
    {"--to-smf0", 0, nullptr, kToSmf0},
    {"--ring", 0, nullptr, kRing},
    {"--channel", 0, "N", kChannel},
    {"--octave", 0, "N", kOctave},
    {"--seconds", 0, "S", kSeconds},
    {"--yes", 'y', nullptr, "create a missing directory for DATABASE and replace an existing DATABASE"},
    {"--no-overwrite", 'n', nullptr, "never replace an existing DATABASE"},
    {"--skip-bad", 0, nullptr, kSkipBad},
    {"--quiet", 'q', nullptr, kQuiet},
};
constexpr FlagInfo kListFlags[] = {
    {"--json", 0, nullptr, "the same as one JSON document on standard output"},
};
constexpr FlagInfo kConvertFlags[] = {
    {"--ring", 0, nullptr, kRing},
    {"--channel", 0, "N", kChannel},
    {"--octave", 0, "N", kOctave},
    {"--seconds", 0, "S", kSeconds},
    {"--yes", 'y', nullptr, "replace an existing OUT without asking"},
    {"--no-overwrite", 'n', nullptr, "keep an existing OUT"},
    {"--quiet", 'q', nullptr, "no summary"},
};
constexpr FlagInfo kRenderFlags[] = {
    {"--volume", 0, "N", "the handheld's alarm volume, 0 to 64 (default: 64)"},
    {"--ring", 0, nullptr, "shape the tune to ring first, as convert --ring does"},
    {"--channel", 0, "N", kChannel},
    {"--octave", 0, "N", kOctave},
    {"--seconds", 0, "S", kSeconds},
    {"--yes", 'y', nullptr, "replace an existing OUT without asking"},
    {"--no-overwrite", 'n', nullptr, "keep an existing OUT"},
    {"--quiet", 'q', nullptr, "no summary"},
};
constexpr FlagInfo kAddFlags[] = {
    {"--all-formats", 0, nullptr, kAllFormats},
    {"--to-smf0", 0, nullptr, kToSmf0},
    {"--ring", 0, nullptr, kRing},
    {"--channel", 0, "N", kChannel},
    {"--octave", 0, "N", kOctave},
    {"--seconds", 0, "S", kSeconds},
    {"--yes", 'y', nullptr, "replace every record whose name a new tune has, and an existing FILE"},
    {"--no-overwrite", 'n', nullptr,
     "keep every record whose name a new tune has (the tune is skipped), and\nan existing FILE"},
    {"--skip-bad", 0, nullptr, kSkipBad},
    {"--output", 0, "FILE", kOutput},
    {"--quiet", 'q', nullptr, kQuiet},
};
constexpr FlagInfo kRemoveFlags[] = {
    {"--output", 0, "FILE", kOutput},
    {"--yes", 'y', nullptr, "replace an existing FILE without asking"},
    {"--no-overwrite", 'n', nullptr, "keep an existing FILE"},
    {"--quiet", 'q', nullptr, "no summary"},
};

constexpr CommandInfo kCommands[] = {
    {CommandName::Extract, "extract", 1, 2, "DATABASE [DIRECTORY]",
     "Usage: carillo extract DATABASE [DIRECTORY] [FLAGS]\n"
     "Writes every MIDI record of DATABASE into DIRECTORY (default: the current directory) as a\n"
     "file named after the record, with the extension .mid.\n",
     22, kExtractFlags, kQuestions},
    {CommandName::Compile, "compile", 2, kAny, "PATH... DATABASE",
     "Usage: carillo compile PATH... DATABASE [FLAGS]\n"
     "Makes DATABASE (ending in .pdb) of MIDI files, one record each, named after the file. Each\n"
     "PATH is a MIDI file or a directory, whose .mid files are taken in the order Windows lists them.\n"
     "Only format-0 files are taken unless --all-formats or --to-smf0 is given: format-1 files are\n"
     "skipped by default, each named on standard error.\n",
     22, kCompileFlags, kQuestions},
    {CommandName::List, "list", 1, 1, "DATABASE",
     "Usage: carillo list DATABASE [--json]\n"
     "Shows the header of DATABASE and one line per record: its name, the size, format, track\n"
     "count and time division of its tune, or why it is not a usable MIDI record.\n",
     11, kListFlags, ""},
    {CommandName::Convert, "convert", 2, 2, "IN OUT",
     "Usage: carillo convert IN OUT [FLAGS]\n"
     "Writes IN as a format-0 Standard MIDI File to OUT, which most Palm OS handhelds play: the\n"
     "tracks of a format-1 file are merged into one, in time order. A format-0 file is copied\n"
     "unchanged; a format-2 file, or one whose structure is broken, is refused with the reason.\n"
     "\"-\" as IN reads standard input, as OUT writes standard output (the summary then goes to\n"
     "standard error).\n",
     22, kConvertFlags, ""},
    {CommandName::Add, "add", 2, kAny, "DATABASE PATH...",
     "Usage: carillo add DATABASE PATH... [FLAGS]\n"
     "Adds MIDI files to DATABASE (ending in .pdb), one record each, named after the file, behind\n"
     "the records it holds; every other record and the rest of DATABASE stay as they are. Each PATH\n"
     "is a MIDI file or a directory, whose .mid files are taken in the order Windows lists them. The\n"
     "files are checked as compile checks them. A tune whose name DATABASE already holds replaces\n"
     "the first record of that name in its place, if the answer to the question is yes.\n"
     "DATABASE is replaced only once the new one is complete.\n",
     22, kAddFlags,
     "Questions are asked on the terminal; without one, and without a flag that answers them,\n"
     "they are answered Cancel, and nothing is written.\n"
     "\n"},
    {CommandName::Remove, "remove", 2, kAny, "DATABASE NAME...",
     "Usage: carillo remove DATABASE NAME... [FLAGS]\n"
     "Removes from DATABASE every record named NAME; every other record and the rest of DATABASE\n"
     "stay as they are. #N names record N as 'carillo list' numbers them, whatever its name or kind.\n"
     "A NAME that matches no record, or removing every record, is refused with nothing written.\n"
     "DATABASE is replaced only once the new one is complete.\n",
     22, kRemoveFlags, ""},
    {CommandName::Render, "render", 2, 3, "TUNE OUT | DATABASE NAME|#N OUT",
     "Usage: carillo render TUNE OUT [FLAGS]\n"
     "       carillo render DATABASE NAME|#N OUT [FLAGS]\n"
     "Writes to OUT (a .wav file) what a Palm OS handheld sounds when it plays TUNE, or the record\n"
     "NAME (its first record of that name) or #N of DATABASE: one square-wave voice, 16-bit mono at\n"
     "22050 Hz. A tune that plays nothing, divides by zero or would last past 30 minutes writes\n"
     "nothing. \"-\" as OUT writes standard output (carillo render song.mid - | aplay).\n",
     22, kRenderFlags, ""},
};

// The short flags people expect, as their long forms; "" for none.
std::string LongForm(char letter) {
  if (letter == 'h') return "--help";
  for (const CommandInfo& command : kCommands) {
    for (const FlagInfo& flag : command.flags) {
      if (flag.letter != 0 && flag.letter == letter) return flag.name;
    }
  }
  return "";
}

// "-yq" as "--yes", "--quiet"; nothing for a word that is not short flags.
std::vector<std::string> ShortFlagsApart(const std::string& word) {
  std::vector<std::string> apart;
  if (word.size() < 2 || word[0] != '-' || word[1] == '-') return apart;
  for (std::size_t i = 1; i < word.size(); ++i) {
    apart.push_back(LongForm(word[i]));
    if (apart.back().empty()) return {};
  }
  return apart;
}

bool EndsInPdb(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return end == ".pdb";
}

// A whole number, or nullopt for anything else.
std::optional<long> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  std::size_t used = 0;
  long number = 0;
  try {
    number = std::stol(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return used == text.size() ? std::optional(number) : std::nullopt;
}

// Takes the value of a flag that has one; the problem with it, or "".
std::string TakeValue(Arguments& arguments, const std::string& flag, const std::string& value) {
  if (flag == "--name") arguments.name = value;
  if (flag == "--output") arguments.output = value;
  const std::optional<long> number = WholeNumber(value);
  if (flag == "--channel") {
    if (!number || *number < 1 || *number > 16) return "--channel takes a channel from 1 to 16";
    arguments.channel = static_cast<unsigned>(*number);
  }
  if (flag == "--octave") {
    if (!number || *number < -3 || *number > 3) return "--octave takes a shift from -3 to 3";
    arguments.octave = static_cast<int>(*number);
  }
  if (flag == "--volume") {
    if (!number || *number < 0 || *number > 64) return "--volume takes a volume from 0 to 64";
    arguments.volume = static_cast<unsigned>(*number);
  }
  if (flag == "--seconds") {
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    // Half an hour at most, as long as a render may last.
    if (end != value.c_str() + value.size() || !(seconds > 0 && seconds <= 1800)) {
      return "--seconds takes a number of seconds above 0, at most 1800";
    }
    arguments.seconds = seconds;
  }
  return "";
}

const CommandInfo* FindCommand(CommandName name) {
  for (const CommandInfo& info : kCommands) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

const FlagInfo* FindFlag(const CommandInfo& info, const std::string& flag) {
  for (const FlagInfo& known : info.flags) {
    if (flag == known.name) return &known;
  }
  return nullptr;
}

constexpr char kExitStatuses[] =
    "Exit status:\n"
    "  0  everything asked was done (files skipped by an answer or a flag, and an existing output\n"
    "     kept by -n or by answering n, included)\n"
    "  1  input refused, a question answered Cancel, or a question with no terminal to answer it\n"
    "  2  the command line is wrong\n"
    "  3  a file could not be read or written, or a directory made; the run stopped\n"
    "  4  the run finished, but some records or files could not be converted\n";

constexpr char kProgramHelp[] =
    "Usage: carillo COMMAND ARGUMENTS [FLAGS]\n"
    "Moves MIDI tunes in and out of Palm OS MIDI sound databases (.pdb, type \"smfr\").\n"
    "\n"
    "Commands:\n"
    "  extract DATABASE [DIRECTORY]   write every MIDI record of DATABASE as a .mid file\n"
    "  compile PATH... DATABASE       make DATABASE of MIDI files and the .mid files of directories\n"
    "  list DATABASE                  show the header and the records of DATABASE\n"
    "  convert IN OUT                 make a format-0 tune of a format-1 tune\n"
    "  add DATABASE PATH...           add MIDI files and the .mid files of directories to DATABASE\n"
    "  remove DATABASE NAME...        remove the records of these names from DATABASE\n"
    "  render TUNE OUT                write what a handheld sounds of a tune as a WAV file\n"
    "\n"
    "  carillo COMMAND -h|--help   the flags of a command\n"
    "  carillo --version           the version\n"
    "\n";

// A command's help: its usage, then each flag at the command's column, then the closing words.
std::string CommandHelp(const CommandInfo& info) {
  std::string text = std::string(info.usage) + "\n";
  for (const FlagInfo& flag : info.flags) {
    std::string label = "  ";
    if (flag.letter != 0) label.append(1, '-').append(1, flag.letter).append(", ");
    label += flag.name;
    if (flag.value) label.append(" ").append(flag.value);
    std::string_view help = flag.help;
    while (!help.empty()) {
      const std::size_t end = std::min(help.find('\n'), help.size());
      label.resize(std::max(label.size() + 1, info.column), ' ');
      text += label + std::string(help.substr(0, end)) + "\n";
      label.clear();
      help.remove_prefix(std::min(end + 1, help.size()));
    }
  }
  return text + "\n" + info.closing;
}

}  // namespace

std::string CommandWord(CommandName command) {
  const CommandInfo* info = FindCommand(command);
  return info ? std::string(kProgramName) + " " + info->word : kProgramName;
}

std::string HelpText(CommandName command) {
  const CommandInfo* info = FindCommand(command);
  return (info ? CommandHelp(*info) : std::string(kProgramHelp)) + kExitStatuses;
}

std::vector<std::string> FlagsOf(CommandName command) {
  std::vector<std::string> flags;
  const CommandInfo* info = FindCommand(command);
  for (const FlagInfo& flag : info ? info->flags : std::span<const FlagInfo>()) {
    flags.push_back(flag.name);
    if (flag.letter != 0) flags.push_back(std::string("-") + flag.letter);
  }
  return flags;
}

ParsedArguments ParseArguments(const std::vector<std::string>& words) {
  ParsedArguments parsed;
  Arguments& arguments = parsed.arguments;
  auto fail = [&parsed](std::string error) {
    parsed.error = std::move(error);
    return parsed;
  };
  if (words.empty()) return fail("no command given");

  std::size_t at = 0;
  const std::string& first = words[0];
  if (first == "--help" || first == "-h") {
    arguments.help = true;
    return parsed;
  }
  if (first == "--version") {
    arguments.version = true;
    return parsed;
  }
  const CommandInfo* command = nullptr;
  for (const CommandInfo& info : kCommands) {
    if (first == info.word) command = &info;
  }
  if (!command) return fail("unknown command '" + first + "'");
  arguments.command = command->name;
  ++at;

  std::vector<std::string> rest;  // the words after the command, short flags apart
  for (std::size_t i = at; i < words.size(); ++i) {
    const std::vector<std::string> apart = ShortFlagsApart(words[i]);
    if (words[i] == "--") {
      rest.insert(rest.end(), words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
      break;
    }
    if (apart.empty()) {
      rest.push_back(words[i]);
    } else {
      rest.insert(rest.end(), apart.begin(), apart.end());
    }
  }
  bool flags_ended = false;
  for (at = 0; at < rest.size(); ++at) {
    const std::string& word = rest[at];
    if (flags_ended || word.size() < 2 || word[0] != '-') {
      arguments.operands.push_back(word);
      continue;
    }
    if (word == "--") {
      flags_ended = true;
      continue;
    }
    if (word == "--help") {
      arguments.help = true;
      return parsed;
    }
    std::string flag = word;
    std::optional<std::string> value;
    if (std::size_t equals = word.find('='); equals != std::string::npos) {
      flag = word.substr(0, equals);
      value = word.substr(equals + 1);
    }
    const FlagInfo* known = FindFlag(*command, flag);
    if (!known) return fail("unknown flag '" + flag + "'");
    if (known->value) {
      if (!value && at + 1 < rest.size()) value = rest[++at];
      if (!value || value->empty()) return fail(flag + " needs a " + known->value);
      if (std::string problem = TakeValue(arguments, flag, *value); !problem.empty()) return fail(problem);
      continue;
    }
    if (value) return fail(flag + " takes no value");
    if (flag == "--all-formats") arguments.all_formats = true;
    if (flag == "--to-smf0") arguments.to_smf0 = true;
    if (flag == "--ring") arguments.ring = true;
    if (flag == "--yes") arguments.yes = true;
    if (flag == "--no-overwrite") arguments.no_overwrite = true;
    if (flag == "--skip-bad") arguments.skip_bad = true;
    if (flag == "--quiet") arguments.quiet = true;
    if (flag == "--json") arguments.json = true;
  }

  if (arguments.yes && arguments.no_overwrite) return fail("--yes and --no-overwrite contradict each other");
  if (arguments.ring && arguments.to_smf0) return fail("--ring and --to-smf0 contradict each other");
  const char* shaping = arguments.channel != 0 ? "--channel"
                        : arguments.octave      ? "--octave"
                        : arguments.seconds     ? "--seconds"
                                                : nullptr;
  if (shaping && !arguments.ring) return fail(std::string(shaping) + " needs --ring");
  if (arguments.operands.size() < command->least_operands) {
    return fail(std::string("missing operand: ") + command->operands);
  }
  if (arguments.operands.size() > command->most_operands) {
    return fail("unexpected operand '" + arguments.operands[command->most_operands] + "'");
  }
  if (command->name == CommandName::Compile) {
    // A database among the MIDI files is a mistake, such as a flag's value taken for a path.
    for (std::size_t i = 0; i + 1 < arguments.operands.size(); ++i) {
      if (EndsInPdb(arguments.operands[i])) {
        return fail(arguments.operands[i] + ": a database, not a MIDI file or directory");
      }
    }
    if (!EndsInPdb(arguments.operands.back())) {
      return fail(arguments.operands.back() + ": DATABASE must end in .pdb");
    }
  }
  if ((command->name == CommandName::Convert || command->name == CommandName::Render) &&
      EndsInPdb(arguments.operands.back())) {
    return fail(arguments.operands.back() + ": a database, not a " +
                (command->name == CommandName::Render ? "WAV file" : "MIDI file"));
  }
  if (command->name == CommandName::Render && arguments.operands.size() == 3 && !EndsInPdb(arguments.operands[0])) {
    return fail(arguments.operands[0] + ": DATABASE must end in .pdb");
  }
  if (command->name == CommandName::Add || command->name == CommandName::Remove) {
    // The database comes first: a tune or a name there is the operands the wrong way round.
    if (!EndsInPdb(arguments.operands.front())) {
      return fail(arguments.operands.front() + ": DATABASE must end in .pdb");
    }
    if (arguments.output && !EndsInPdb(*arguments.output)) return fail(*arguments.output + ": FILE must end in .pdb");
  }
  if (command->name == CommandName::Add) {
    for (std::size_t i = 1; i < arguments.operands.size(); ++i) {
      if (EndsInPdb(arguments.operands[i])) {
        return fail(arguments.operands[i] + ": a database, not a MIDI file or directory");
      }
    }
  }
  return parsed;
}
