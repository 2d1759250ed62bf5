// What the command-line program needs of its terminal: the two output streams, a line of input,
// and whether a person sits at them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class FileSystem;

enum class Stream { Out, Err };

// How a text handed to the console is encoded: in the system's 8-bit text (Palm text on POSIX,
// the ANSI code page on Windows), or already UTF-8 (JSON).
enum class Encoding { System, Utf8 };

class Console {
 public:
  virtual ~Console() = default;
  virtual bool IsTerminal(Stream stream) = 0;
  virtual bool InputIsTerminal() = 0;
  virtual void Write(Stream stream, std::string_view text, Encoding encoding = Encoding::System) = 0;
  // One line of input without its line end; nullopt at the end of input.
  virtual std::optional<std::string> ReadLine() = 0;
};

std::unique_ptr<Console> MakePlatformConsole();

// A command-line argument (in the terminal's encoding) as system text; nullopt when the system's
// 8-bit text cannot hold it.
std::optional<std::string> ArgumentAsSystemText(std::string_view argument);
// System text as UTF-8.
std::string SystemTextAsUtf8(std::string_view text);

// The files as the commands see them: named in system text. `report_unusable` hears of each listed
// name (in UTF-8) left out of a listing because system text cannot tell it apart, and why.
std::unique_ptr<FileSystem> MakeCommandLineFileSystem(
    std::function<void(const std::string& name, const char* reason)> report_unusable);
