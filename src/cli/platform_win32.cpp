// The console on Windows: texts are in the ANSI code page, as in the window; a real console is
// written in UTF-16 so that names show as they are, whatever the console's own code page.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "cli/console.h"
#include "seams/file_system.h"
#include "win32/handles.h"

namespace {

std::wstring Wide(std::string_view text, UINT code_page) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view text, UINT code_page) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

// Files as the window sees them, but listed only by names that the ANSI code page holds exactly:
// FindFirstFileA would hand on a best-fit look-alike ("Dvorák.mid" for "Dvořák.mid") that then
// opens nothing.
class ExactlyNamedFiles : public ForwardingFileSystem {
 public:
  ExactlyNamedFiles(std::unique_ptr<FileSystem> files, UnusableNameReport report)
      : ForwardingFileSystem(std::move(files)), report_unusable_(std::move(report)) {}

  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override {
    static const std::string reason = "Windows-" + std::to_string(GetACP()) + " cannot hold this name";
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAW found{};
    UniqueFind find(FindFirstFileW(Wide(pattern, CP_ACP).c_str(), &found));
    if (!find) return entries;
    do {
      std::optional<std::string> name = ExactlyInAnsi(found.cFileName);
      if (!name) {
        const std::string directory = pattern.substr(0, pattern.find_last_of("\\:/") + 1);
        if (report_unusable_) report_unusable_(PathAsUtf8(directory) + Narrow(found.cFileName, CP_UTF8), reason.c_str());
        continue;
      }
      DirectoryEntry entry;
      entry.name = std::move(*name);
      entry.text = entry.name;
      entry.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!entry.is_directory) {
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      }
      entries.push_back(std::move(entry));
    } while (FindNextFileW(find.get(), &found));
    return entries;
  }

 private:
  static std::optional<std::string> ExactlyInAnsi(std::wstring_view name) {
    if (GetACP() == CP_UTF8) return Narrow(name, CP_UTF8);  // holds every name, and takes no flags
    const int length = static_cast<int>(name.size());
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), length, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), length, narrow.data(), size, nullptr, nullptr);
    return narrow;
  }

  UnusableNameReport report_unusable_;
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

class Win32Console : public Console {
 public:
  bool IsTerminal(Stream stream) override { return IsConsole(Handle(stream)); }
  bool InputIsTerminal() override { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }

  bool Write(Stream stream, std::string_view text, Encoding encoding) override {
    return WriteTo(Handle(stream), text, encoding == Encoding::Utf8 ? CP_UTF8 : CP_ACP);
  }

  std::optional<std::string> Ask(std::string_view question) override {
    HANDLE error = Handle(Stream::Err);
    if (IsConsole(error)) {
      WriteTo(error, question, CP_UTF8);
    } else {
      // Standard error is redirected: the question still reaches the person at the console.
      UniqueFile console(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
      WriteTo(console ? console.get() : error, question, CP_UTF8);
    }
    return ReadLine();
  }

 private:
  static bool WriteTo(HANDLE handle, std::string_view text, UINT code_page) {
    DWORD written = 0;
    if (IsConsole(handle)) {
      const std::wstring wide = Wide(text, code_page);
      return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
    }
    // Bytes for a file or a pipe: UTF-8 text stays UTF-8, as JSON must.
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
           written == text.size();
  }

  static std::optional<std::string> ReadLine() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    for (;;) {
      char c = 0;
      DWORD got = 0;
      if (!ReadFile(input, &c, 1, &got, nullptr) || got == 0) {
        return line.empty() ? std::nullopt : std::optional<std::string>(line);
      }
      if (c == '\n') break;
      if (c != '\r') line += c;
    }
    return line;
  }

  static HANDLE Handle(Stream stream) {
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  }
};

}  // namespace

std::unique_ptr<Console> MakePlatformConsole() { return std::make_unique<Win32Console>(); }

std::optional<std::string> ArgumentAsSystemText(std::string_view argument) { return std::string(argument); }

std::string SystemTextAsUtf8(std::string_view text) { return Narrow(Wide(text, CP_ACP), CP_UTF8); }

std::string PathAsUtf8(std::string_view path) { return SystemTextAsUtf8(path); }

const char* UnusableOperand(const std::string&) { return nullptr; }  // "\\" separates here, as in the core

const char kEndOfInputKeys[] = "Ctrl-Z, then Enter";

// Windows names files in the ANSI code page, as the commands do: nothing to translate, only names
// that it cannot hold to leave out.
std::unique_ptr<FileSystem> MakeCommandLineFileSystem(UnusableNameReport report_unusable) {
  RemoveTemporaryFilesOnInterrupt();
  return std::make_unique<ExactlyNamedFiles>(MakePlatformFileSystem(), std::move(report_unusable));
}
