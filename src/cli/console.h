// What the command-line program needs of its terminal: the two output streams, a line of input,
// and whether a person sits at them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "seams/file_system.h"

// "carillo", or "carillo-cli" where "carillo" starts the window program.
#ifdef _WIN32
inline constexpr char kProgramName[] = "carillo-cli";
#else
inline constexpr char kProgramName[] = "carillo";
#endif

enum class Stream { Out, Err };

// How a text handed to the console is encoded: in the system's 8-bit text (Palm text on POSIX,
// the ANSI code page on Windows), or already UTF-8 (JSON).
enum class Encoding { System, Utf8 };

class Console {
 public:
  virtual ~Console() = default;
  virtual bool IsTerminal(Stream stream) = 0;
  virtual bool InputIsTerminal() = 0;
  // False when the text could not be written whole, as on a full disk.
  virtual bool Write(Stream stream, std::string_view text, Encoding encoding = Encoding::System) = 0;
  // Shows `question` (UTF-8) on the terminal, on standard error or, when that is redirected, on the
  // terminal itself; then one line of input without its line end, nullopt at the end of input.
  virtual std::optional<std::string> Ask(std::string_view question) = 0;
};

std::unique_ptr<Console> MakePlatformConsole();

// A command-line argument (in the terminal's encoding) as system text; nullopt when the system's
// 8-bit text cannot hold it.
std::optional<std::string> ArgumentAsSystemText(std::string_view argument);
// Why a PATH named on the command line cannot be handed to the core, or null: natively, a "\\" in
// its name (the core's separator) or a symbolic link to nothing.
const char* UnusableOperand(const std::string& path);
// The keys that end input typed at the terminal.
extern const char kEndOfInputKeys[];
// System text as UTF-8.
std::string SystemTextAsUtf8(std::string_view text);
// A path as the platform names files (UTF-8 on POSIX, the ANSI code page on Windows) as UTF-8.
std::string PathAsUtf8(std::string_view path);

// The files as the commands see them: paths as the platform's bytes, listed names also as record
// text. `report_unusable` hears of each listed file (its path in UTF-8) left out of a listing
// because record text cannot tell it apart, and why.
std::unique_ptr<FileSystem> MakeCommandLineFileSystem(UnusableNameReport report_unusable);
