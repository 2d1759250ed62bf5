#include "cli/cli.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "carillo_version.h"
#include "cli/arguments.h"
#include "listing/database_listing.h"
#include "cli/exit_status.h"
#include "cli/path_naming_files.h"
#include "cli/standard_streams.h"
#include "cli/terminal_prompts.h"
#include "commands/compile_command.h"
#include "commands/convert_command.h"
#include "commands/edit_command.h"
#include "commands/database_image.h"
#include "commands/extract_command.h"
#include "commands/messages.h"
#include "format/palm_database.h"
#include "seams/clock.h"
#include "seams/fields.h"
#include "seams/app_error.h"
#include "seams/paths.h"

namespace {

int Exit(ExitStatus status) { return static_cast<int>(status); }

int UsageError(Console& console, CommandName command, const std::string& problem) {
  console.Write(Stream::Err, std::string(kProgramName) + ": " + problem + "\nTry '" + CommandWord(command) +
                                 " --help'.\n");
  return Exit(ExitStatus::Usage);
}

// A path in the core's form: "\" separates, as on Windows; the platform layer maps it back.
std::string CorePath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A relative path, bare file names included, starts at the current directory. The window asks
// about a missing directory part instead, which on a command line makes no sense.
std::string FromCurrentDirectory(const std::string& path) {
  const bool rooted = (!path.empty() && path[0] == '\\') || (path.size() >= 2 && path[1] == ':');
  return rooted ? path : ".\\" + path;
}

// The terminal stops the run where the window would go on to a less telling failure.
struct RunStopped {};

class CommandLinePrompts : public TerminalPrompts {
 public:
  using TerminalPrompts::TerminalPrompts;
  void Note(const Message& note) override {
    TerminalPrompts::Note(note);
    if (note.topic == Topic::DirectoryNotMade) throw RunStopped{};
  }
};

// Runs `command` as the window's busy bracket does: a failure ends it in the error report.
void RunReporting(CommandLinePrompts& prompts, const std::function<void()>& command) {
  try {
    command();
  } catch (const RunStopped&) {
  } catch (const InOutError& error) {
    prompts.ShowErrorReport(error.what(), error.path());
  } catch (const std::bad_alloc&) {
    prompts.ShowErrorReport("Out of memory");
  } catch (const std::exception& error) {
    prompts.ShowErrorReport(error.what());
  }
  prompts.Finish();
}

std::unique_ptr<FileSystem> CommandLineFiles(CommandLinePrompts& prompts) {
  return NamingFailedPaths(MakeCommandLineFileSystem(
      [&prompts](const std::string& utf8_path, const char* reason) { prompts.ShowUnusableName(utf8_path, reason); }));
}

// Extract and list read a database: a directory there is a mistake worth its own words.
bool IsDirectoryRefused(CommandLinePrompts& prompts, FileSystem& files, const std::string& database) {
  if (!files.DirectoryExists(database)) return false;
  prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, "a directory, not a database", {database, 0, {}}));
  return true;
}

void List(CommandLinePrompts& prompts, FileSystem& files, const std::string& database, bool json) {
  if (IsDirectoryRefused(prompts, files, database)) return;
  if (!files.FileExists(database)) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kFileDoesNotExist, {database, 0, {}}));
    return;
  }
  std::optional<DatabaseImage> image = ReadDatabaseImage(prompts, files, database, true);
  if (!image) return;
  palm::DatabaseReader reader(image->Bytes());
  const DatabaseListing listing = ListDatabase(reader);
  if (json) {
    prompts.WriteData(ListingJson(listing), Encoding::Utf8);
  } else {
    prompts.WriteData(ListingText(listing), Encoding::System);
  }
  // A damaged or unreadable record is a tune that cannot be had: the listing says which.
  for (const ListedRecord& record : listing.records) {
    if (record.status == palm::RecordStatus::Damaged || record.status == palm::RecordStatus::Unreadable) {
      prompts.ShowWarning(MakeMessage(Topic::NotConverted, "holds a damaged or unreadable record", {database, 0, {}}),
                          kMidiError);
      return;
    }
  }
}

// Takes out of operands [first, end) each PATH the platform cannot hand to the core (a name with
// the core's separator in it, a link to nothing): refused, or with --skip-bad skipped. False when
// the run ends here.
bool DropUnusableOperands(CommandLinePrompts& prompts, const Arguments& arguments, std::vector<std::string>& operands,
                          std::size_t first, std::size_t end) {
  std::vector<std::string> kept(operands.begin(), operands.begin() + static_cast<std::ptrdiff_t>(first));
  for (std::size_t i = first; i < end; ++i) {
    const char* problem = UnusableOperand(arguments.operands[i]);
    if (!problem) {
      kept.push_back(operands[i]);
      continue;
    }
    // Named as typed: a subject's "\\" would be shown as a separator.
    const std::string& path = arguments.operands[i];
    if (!arguments.skip_bad) {
      prompts.ShowInputError(Field::Edit3, Message{Topic::Refusal, problem, path + ": " + problem, {}});
      return false;
    }
    prompts.Note(Message{Topic::SkippedUnusable, problem, path + ": skipped: " + problem, {}});
  }
  if (kept.size() == first) {
    prompts.ShowInputError(Field::Edit3, MakeMessage(Topic::Refusal, kNoMidiFilesFound));
    return false;
  }
  kept.insert(kept.end(), operands.begin() + static_cast<std::ptrdiff_t>(end), operands.end());
  operands = std::move(kept);
  return true;
}

}  // namespace

int RunCarillo(const std::vector<std::string>& words, Console& console) {
  ParsedArguments parsed = ParseArguments(words);
  const Arguments& arguments = parsed.arguments;
  if (!parsed.error.empty()) return UsageError(console, arguments.command, parsed.error);
  if (arguments.help || arguments.version) {
    const std::string text = arguments.help ? HelpText(arguments.command) : "carillo " CARILLO_VERSION_TEXT "\n";
    if (console.Write(Stream::Out, text)) return Exit(ExitStatus::Done);
    console.Write(Stream::Err, std::string(kProgramName) + ": standard output: could not be written whole\n");
    return Exit(ExitStatus::InOutError);
  }
  if (arguments.command == CommandName::Convert && arguments.operands[1] == kStandardStream &&
      console.IsTerminal(Stream::Out)) {
    return UsageError(console, arguments.command, "standard output is a terminal: binary data not written");
  }

  // Paths pass as the platform's bytes; only the database name is record text.
  std::vector<std::string> operands;
  for (const std::string& operand : arguments.operands) operands.push_back(CorePath(operand));
  std::string database_name = kDefaultDatabaseName;
  if (arguments.name) {
    std::optional<std::string> name = ArgumentAsSystemText(*arguments.name);
    if (!name) return UsageError(console, arguments.command, "--name holds characters Windows-1252 cannot");
    if (name->size() > palm::kMaxNameLength) {
      return UsageError(console, arguments.command, "--name is longer than 31 characters");
    }
    database_name = *name;
  }

  // Record names are compared as record text.
  std::vector<RecordChoice> removals;
  if (arguments.command == CommandName::Remove) {
    for (auto operand = arguments.operands.begin() + 1; operand != arguments.operands.end(); ++operand) {
      std::optional<std::string> name = ArgumentAsSystemText(*operand);
      // Not named: usage errors are written as system text, which cannot hold it either.
      if (!name) return UsageError(console, arguments.command, "a NAME holds characters Windows-1252 cannot");
      removals.push_back({*name, *operand});
    }
  }
  const std::string output = arguments.output ? FromCurrentDirectory(CorePath(*arguments.output)) : "";

  const FlagAnswers flags{arguments.yes, arguments.no_overwrite, arguments.skip_bad};
  CommandLinePrompts prompts(console, flags, arguments.quiet);
  if (arguments.command == CommandName::Compile || arguments.command == CommandName::Add) {
    // The tunes: compile's PATHs before its DATABASE, add's after its DATABASE.
    const bool compile = arguments.command == CommandName::Compile;
    const std::size_t first = compile ? 0 : 1, end = operands.size() - (compile ? 1 : 0);
    if (!DropUnusableOperands(prompts, arguments, operands, first, end)) return Exit(prompts.Status());
  }
  switch (arguments.command) {
    case CommandName::Extract:
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = CommandLineFiles(prompts);
        if (IsDirectoryRefused(prompts, *files, operands[0])) return;
        ExtractCommand command(prompts, *files,
                               ExtractInputs{operands[0], operands.size() > 1 ? operands[1] : ".", true});
        if (command.CheckExtractInputs()) command.ExtractDatabase();
      });
      break;
    case CommandName::Compile:
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = CommandLineFiles(prompts);
        std::unique_ptr<Clock> clock = MakePlatformClock();
        CompileInputs inputs{std::vector<std::string>(operands.begin(), operands.end() - 1),
                             FromCurrentDirectory(operands.back()),
                             database_name,
                             !arguments.all_formats,
                             arguments.to_smf0,
                             true,
                             arguments.skip_bad};
        CompileCommand command(prompts, *files, *clock, std::move(inputs));
        if (command.CheckCompileInputs()) command.CompileDatabase();
      });
      break;
    case CommandName::List:
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = CommandLineFiles(prompts);
        List(prompts, *files, operands[0], arguments.json);
      });
      break;
    case CommandName::Convert:
      if (operands[1] == kStandardStream) prompts.SummaryToStandardError();
      if (operands[0] == kStandardStream && console.InputIsTerminal()) {
        console.Write(Stream::Err, std::string(kProgramName) + ": reading a tune from standard input (end it with " +
                                       kEndOfInputKeys + ")\n");
      }
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files =
            WithStandardStreams(CommandLineFiles(prompts), operands[0] == kStandardStream);
        ConvertMidiFile(prompts, *files, ConvertInputs{operands[0], operands[1]});
      });
      break;
    case CommandName::Add:
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = CommandLineFiles(prompts);
        std::unique_ptr<Clock> clock = MakePlatformClock();
        if (IsDirectoryRefused(prompts, *files, operands[0])) return;
        AddInputs inputs{FromCurrentDirectory(operands[0]),
                         std::vector<std::string>(operands.begin() + 1, operands.end()),
                         {!arguments.all_formats, arguments.to_smf0, true, arguments.skip_bad},
                         output};
        AddTunes(prompts, *files, *clock, inputs);
      });
      break;
    case CommandName::Remove:
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = CommandLineFiles(prompts);
        std::unique_ptr<Clock> clock = MakePlatformClock();
        if (IsDirectoryRefused(prompts, *files, operands[0])) return;
        RemoveTunes(prompts, *files, *clock, {FromCurrentDirectory(operands[0]), std::move(removals), output});
      });
      break;
    case CommandName::None:
      return UsageError(console, arguments.command, "no command given");
  }
  return Exit(prompts.Status());
}
