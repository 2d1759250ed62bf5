#include "cli/cli.h"

#include <climits>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "cli/arguments.h"
#include "cli/database_listing.h"
#include "cli/exit_status.h"
#include "cli/terminal_prompts.h"
#include "commands/compile_command.h"
#include "commands/convert_command.h"
#include "commands/database_image.h"
#include "commands/extract_command.h"
#include "commands/messages.h"
#include "format/palm_database.h"
#include "seams/clock.h"
#include "seams/paths.h"
#include "settings/form_settings.h"

#ifndef CARILLO_VERSION
#define CARILLO_VERSION "2.0"
#endif

namespace {

int Exit(ExitStatus status) { return static_cast<int>(status); }

int UsageError(Console& console, CommandName command, const std::string& problem) {
  console.Write(Stream::Err, "carillo: " + problem + "\nTry '" + CommandWord(command) + " --help'.\n");
  return Exit(ExitStatus::Usage);
}

// A path in the core's form: "\" separates, as on Windows; the platform layer maps it back.
std::string CorePath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// A relative path, bare file names included, starts at the current directory. The window asks
// about a missing directory part instead, which on a command line makes no sense.
std::string FromCurrentDirectory(const std::string& path) {
  const bool rooted = (!path.empty() && path[0] == '\\') || (path.size() >= 2 && path[1] == ':');
  return rooted ? path : ".\\" + path;
}

// Runs `command` as the window's busy bracket does: a failure ends it in the error report.
void RunReporting(TerminalPrompts& prompts, const std::function<void()>& command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    prompts.ShowErrorReport("Out of memory");
  } catch (const std::exception& error) {
    prompts.ShowErrorReport(error.what());
  }
}

}  // namespace

int RunCarillo(const std::vector<std::string>& words, Console& console) {
  ParsedArguments parsed = ParseArguments(words);
  const Arguments& arguments = parsed.arguments;
  if (!parsed.error.empty()) return UsageError(console, arguments.command, parsed.error);
  if (arguments.help) {
    console.Write(Stream::Out, HelpText(arguments.command));
    return Exit(ExitStatus::Done);
  }
  if (arguments.version) {
    console.Write(Stream::Out, "carillo " CARILLO_VERSION "\n");
    return Exit(ExitStatus::Done);
  }

  std::vector<std::string> operands;
  for (const std::string& operand : arguments.operands) {
    std::optional<std::string> text = ArgumentAsSystemText(operand);
    if (!text) return UsageError(console, arguments.command, "'" + operand + "' holds characters Windows-1252 cannot");
    operands.push_back(CorePath(*text));
  }
  std::string database_name = kDefaultDatabaseName;
  if (arguments.name) {
    std::optional<std::string> name = ArgumentAsSystemText(*arguments.name);
    if (!name) return UsageError(console, arguments.command, "--name holds characters Windows-1252 cannot");
    if (name->size() > palm::kMaxNameLength) {
      return UsageError(console, arguments.command, "--name is longer than 31 characters");
    }
    database_name = *name;
  }

  const FlagAnswers flags{arguments.yes, arguments.no_overwrite, arguments.skip_bad};
  switch (arguments.command) {
    case CommandName::Extract: {
      TerminalPrompts prompts(console, {"DATABASE", "DIRECTORY", "", "", ""}, flags, arguments.quiet);
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = MakeCommandLineFileSystem(nullptr);
        ExtractInputs inputs{operands[0], operands.size() > 1 ? operands[1] : "."};
        ExtractCommand command(prompts, *files, std::move(inputs));
        if (command.CheckExtractInputs()) command.ExtractDatabase();
      });
      return Exit(prompts.Status());
    }
    case CommandName::Compile: {
      TerminalPrompts prompts(console, {"", "", "DIRECTORY", "DATABASE", "--name"}, flags, arguments.quiet);
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files =
            MakeCommandLineFileSystem([&prompts](const std::string& name, const char* reason) {
              prompts.ShowProblem("DIRECTORY: " + name + ": " + reason + "; the file is skipped", Encoding::Utf8);
            });
        std::unique_ptr<Clock> clock = MakePlatformClock();
        CompileInputs inputs{operands[0], FromCurrentDirectory(operands[1]), database_name,
                             !arguments.all_formats, arguments.to_smf0};
        CompileCommand command(prompts, *files, *clock, std::move(inputs));
        if (command.CheckCompileInputs()) command.CompileDatabase();
      });
      return Exit(prompts.Status());
    }
    case CommandName::List: {
      TerminalPrompts prompts(console, {"DATABASE", "", "", "", ""}, flags, arguments.quiet);
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = MakeCommandLineFileSystem(nullptr);
        if (!files->FileExists(operands[0])) {
          prompts.ShowInputError(Field::Edit1, kFileDoesNotExist);
          return;
        }
        std::optional<DatabaseImage> image = ReadDatabaseImage(prompts, *files, operands[0]);
        if (!image) return;
        palm::DatabaseReader reader(image->Bytes());
        if (!reader.RecordListFits()) {
          prompts.ShowInputError(Field::Edit1, kWrongFileFormat);
          return;
        }
        const DatabaseListing listing = ListDatabase(reader);
        if (arguments.json) {
          console.Write(Stream::Out, ListingJson(listing), Encoding::Utf8);
        } else {
          console.Write(Stream::Out, ListingText(listing));
        }
      });
      return Exit(prompts.Status());
    }
    case CommandName::Convert: {
      TerminalPrompts prompts(console, {"IN.mid", "OUT.mid", "", "", ""}, flags, arguments.quiet);
      RunReporting(prompts, [&] {
        std::unique_ptr<FileSystem> files = MakeCommandLineFileSystem(nullptr);
        ConvertMidiFile(prompts, *files, ConvertInputs{operands[0], operands[1]});
      });
      return Exit(prompts.Status());
    }
    case CommandName::None:
      break;
  }
  return UsageError(console, arguments.command, "no command given");
}
