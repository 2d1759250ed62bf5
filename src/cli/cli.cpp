#include "cli/cli.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "carillo_version.h"
#include "cli/arguments.h"
#include "cli/exit_status.h"
#include "cli/path_naming_files.h"
#include "cli/standard_streams.h"
#include "cli/terminal_prompts.h"
#include "commands/compile_command.h"
#include "commands/convert_command.h"
#include "commands/edit_command.h"
#include "commands/extract_command.h"
#include "commands/list_command.h"
#include "commands/messages.h"
#include "commands/outcome.h"
#include "commands/render_command.h"
#include "format/palm_database.h"
#include "seams/app_error.h"
#include "seams/clock.h"
#include "seams/fields.h"
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
Outcome RunReporting(CommandLinePrompts& prompts, const std::function<Outcome()>& command) {
  Outcome failed;
  failed.ending = Ending::Failed;
  try {
    Outcome outcome = command();
    prompts.Finish();
    return outcome;
  } catch (const RunStopped&) {
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    prompts.ShowErrorReport(FailureText(failure), FailedPath(failure));
  }
  prompts.Finish();
  return failed;
}

// The command line's exit status for what a run did, beside what the terminal met itself.
ExitStatus StatusOf(const Outcome& outcome, const TerminalPrompts& prompts) {
  if (outcome.ending == Ending::Failed || prompts.WriteFailed()) return ExitStatus::InOutError;
  if (outcome.ending != Ending::Done) return ExitStatus::Refused;
  const bool unusable = std::any_of(outcome.skipped.begin(), outcome.skipped.end(),
                                    [](const SkippedFile& skipped) { return skipped.unusable; });
  if (unusable || outcome.not_converted > 0 || prompts.UnusableNames() > 0) return ExitStatus::Incomplete;
  return ExitStatus::Done;
}

std::unique_ptr<FileSystem> CommandLineFiles(CommandLinePrompts& prompts) {
  return NamingFailedPaths(MakeCommandLineFileSystem(
      [&prompts](const std::string& utf8_path, const char* reason) { prompts.ShowUnusableName(utf8_path, reason); }));
}

// Extract, add and remove read a database: a directory there is a mistake worth its own words.
bool IsDirectoryRefused(CommandLinePrompts& prompts, FileSystem& files, const std::string& database, Outcome& outcome) {
  if (!files.DirectoryExists(database)) return false;
  Refuse(prompts, outcome, Field::Edit1, MakeMessage(Topic::Refusal, "a directory, not a database", PathSubject(database)));
  return true;
}

// Takes out of operands [first, end) each PATH the platform cannot hand to the core (a name with
// the core's separator in it, a link to nothing): refused, or with --skip-bad skipped. False when
// the run ends here.
bool DropUnusableOperands(CommandLinePrompts& prompts, const Arguments& arguments, std::vector<std::string>& operands,
                          std::size_t first, std::size_t end, Outcome& outcome) {
  std::vector<std::string> kept(operands.begin(), operands.begin() + static_cast<std::ptrdiff_t>(first));
  for (std::size_t i = first; i < end; ++i) {
    const char* problem = UnusableOperand(arguments.operands[i]);
    if (!problem) {
      kept.push_back(operands[i]);
      continue;
    }
    // Named as typed: a subject's "\" would be shown as a separator.
    const std::string& path = arguments.operands[i];
    if (!arguments.skip_bad) {
      Refuse(prompts, outcome, Field::Edit3, Message{Topic::Refusal, problem, path + ": " + problem, {}});
      return false;
    }
    prompts.Note(Message{Topic::SkippedUnusable, problem, path + ": skipped: " + problem, {}});
    outcome.skipped.push_back({path, problem, true});
  }
  if (kept.size() == first) {
    Refuse(prompts, outcome, Field::Edit3, MakeMessage(Topic::Refusal, kNoMidiFilesFound));
    return false;
  }
  kept.insert(kept.end(), operands.begin() + static_cast<std::ptrdiff_t>(end), operands.end());
  operands = std::move(kept);
  return true;
}

// What the outcome of the operands the command line took out adds to the command's own.
Outcome Joined(Outcome before, Outcome outcome) {
  outcome.skipped.insert(outcome.skipped.begin(), before.skipped.begin(), before.skipped.end());
  return outcome;
}

handheld::RingOptions RingOf(const Arguments& arguments) {
  return {.channel = arguments.channel, .octave = arguments.octave, .seconds = arguments.seconds};
}

CollectionOptions CommandLineCollection(const Arguments& arguments) {
  return {.smf0_only = !arguments.all_formats,
          .conversion = arguments.ring      ? Conversion::Ring
                        : arguments.to_smf0 ? Conversion::ToFormat0
                                            : Conversion::AsStored,
          .ring = RingOf(arguments),
          .thorough = true,
          .skip_unreadable = arguments.skip_bad};
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
  const bool writes_binary = arguments.command == CommandName::Convert || arguments.command == CommandName::Render;
  if (writes_binary && arguments.operands.back() == kStandardStream && console.IsTerminal(Stream::Out)) {
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

  // Record names are compared as record text: remove's, and render's of a database.
  std::vector<RecordChoice> records;
  const bool renders_record = arguments.command == CommandName::Render && arguments.operands.size() == 3;
  if (arguments.command == CommandName::Remove || renders_record) {
    const auto last = renders_record ? arguments.operands.end() - 1 : arguments.operands.end();
    for (auto operand = arguments.operands.begin() + 1; operand != last; ++operand) {
      std::optional<std::string> name = ArgumentAsSystemText(*operand);
      // Not named: usage errors are written as system text, which cannot hold it either.
      if (!name) return UsageError(console, arguments.command, "a NAME holds characters Windows-1252 cannot");
      records.push_back({*name, *operand});
    }
  }
  const std::string output = arguments.output ? FromCurrentDirectory(CorePath(*arguments.output)) : "";

  const FlagAnswers flags{arguments.yes, arguments.no_overwrite, arguments.skip_bad};
  CommandLinePrompts prompts(console, flags, arguments.quiet);
  Outcome taken_out;  // of the operands the command line took out itself
  if (arguments.command == CommandName::Compile || arguments.command == CommandName::Add) {
    // The tunes: compile's PATHs before its DATABASE, add's after its DATABASE.
    const bool compile = arguments.command == CommandName::Compile;
    const std::size_t first = compile ? 0 : 1, end = operands.size() - (compile ? 1 : 0);
    if (!DropUnusableOperands(prompts, arguments, operands, first, end, taken_out)) {
      return Exit(StatusOf(taken_out, prompts));
    }
  }
  if (writes_binary) {
    if (operands.back() == kStandardStream) prompts.SummaryToStandardError();
    if (operands[0] == kStandardStream && console.InputIsTerminal()) {
      console.Write(Stream::Err, std::string(kProgramName) + ": reading a tune from standard input (end it with " +
                                     kEndOfInputKeys + ")\n");
    }
  }

  const Outcome outcome = RunReporting(prompts, [&]() -> Outcome {
    Outcome refused;
    std::unique_ptr<FileSystem> files = CommandLineFiles(prompts);
    std::unique_ptr<Clock> clock = MakePlatformClock();
    switch (arguments.command) {
      case CommandName::Extract: {
        if (IsDirectoryRefused(prompts, *files, operands[0], refused)) return refused;
        ExtractCommand command(prompts, *files,
                               {.source_path = operands[0],
                                .destination_directory = operands.size() > 1 ? operands[1] : ".",
                                .thorough = true});
        if (command.CheckExtractInputs()) command.ExtractDatabase();
        return command.Result();
      }
      case CommandName::Compile: {
        CompileCommand command(prompts, *files, *clock,
                               {.sources = std::vector<std::string>(operands.begin(), operands.end() - 1),
                                .destination_path = FromCurrentDirectory(operands.back()),
                                .database_name = database_name,
                                .collection = CommandLineCollection(arguments)});
        if (command.CheckCompileInputs()) command.CompileDatabase();
        return command.Result();
      }
      case CommandName::List: {
        ListResult listed = ListDatabase(prompts, *files, operands[0]);
        if (listed.listing) {
          if (arguments.json) {
            prompts.WriteData(ListingJson(*listed.listing), Encoding::Utf8);
          } else {
            prompts.WriteData(ListingText(*listed.listing), Encoding::System);
          }
        }
        return listed.outcome;
      }
      case CommandName::Convert: {
        std::unique_ptr<FileSystem> streams = WithStandardStreams(std::move(files), operands[0] == kStandardStream);
        return ConvertMidiFile(prompts, *streams,
                               {.source_path = operands[0],
                                .destination_path = operands[1],
                                .conversion = arguments.ring ? Conversion::Ring : Conversion::ToFormat0,
                                .ring = RingOf(arguments)});
      }
      case CommandName::Render: {
        std::unique_ptr<FileSystem> streams = WithStandardStreams(std::move(files), operands[0] == kStandardStream);
        return RenderTune(prompts, *streams,
                          {.source_path = operands[0],
                           .record = renders_record ? std::optional(records.front()) : std::nullopt,
                           .destination_path = operands.back(),
                           .volume = arguments.volume,
                           .ring = arguments.ring ? std::optional(RingOf(arguments)) : std::nullopt});
      }
      case CommandName::Add:
      case CommandName::Remove:
        if (IsDirectoryRefused(prompts, *files, operands[0], refused)) return refused;
        return EditTunes(prompts, *files, *clock,
                         {.database_path = FromCurrentDirectory(operands[0]),
                          .removals = records,
                          .sources = arguments.command == CommandName::Add
                                         ? std::vector<std::string>(operands.begin() + 1, operands.end())
                                         : std::vector<std::string>{},
                          .collection = CommandLineCollection(arguments),
                          .output_path = output});
      case CommandName::None: break;
    }
    return refused;
  });
  return Exit(StatusOf(Joined(std::move(taken_out), outcome), prompts));
}
