// The console on Windows: texts are in the ANSI code page, as in the window; a real console is
// written in UTF-16 so that names show as they are, whatever the console's own code page.
#include <windows.h>

#include <string>

#include "cli/console.h"
#include "seams/file_system.h"

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

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

class Win32Console : public Console {
 public:
  bool IsTerminal(Stream stream) override { return IsConsole(Handle(stream)); }
  bool InputIsTerminal() override { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }

  void Write(Stream stream, std::string_view text, Encoding encoding) override {
    HANDLE handle = Handle(stream);
    const UINT code_page = encoding == Encoding::Utf8 ? CP_UTF8 : CP_ACP;
    DWORD written = 0;
    if (IsConsole(handle)) {
      const std::wstring wide = Wide(text, code_page);
      WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      return;
    }
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

  std::optional<std::string> ReadLine() override {
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

 private:
  static HANDLE Handle(Stream stream) {
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  }
};

}  // namespace

std::unique_ptr<Console> MakePlatformConsole() { return std::make_unique<Win32Console>(); }

std::optional<std::string> ArgumentAsSystemText(std::string_view argument) { return std::string(argument); }

std::string SystemTextAsUtf8(std::string_view text) { return Narrow(Wide(text, CP_ACP), CP_UTF8); }

// Windows names files in the ANSI code page, as the commands do: nothing to translate.
std::unique_ptr<FileSystem> MakeCommandLineFileSystem(std::function<void(const std::string&, const char*)>) {
  RemoveTemporaryFilesOnInterrupt();
  return MakePlatformFileSystem();
}
