// The terminal on POSIX: UTF-8 outside, Palm text (Windows-1252) inside.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "cli/console.h"
#include "cli/utf8_file_system.h"
#include "format/palm_text.h"
#include "seams/file_system.h"

namespace {

class PosixConsole : public Console {
 public:
  bool IsTerminal(Stream stream) override { return isatty(stream == Stream::Out ? 1 : 2) == 1; }
  bool InputIsTerminal() override { return isatty(0) == 1; }

  bool Write(Stream stream, std::string_view text, Encoding encoding) override {
    const std::string utf8 = encoding == Encoding::Utf8 ? std::string(text) : SystemTextAsUtf8(text);
    return WriteAll(stream == Stream::Out ? 1 : 2, utf8);
  }

  std::optional<std::string> Ask(std::string_view question) override {
    int terminal = isatty(2) == 1 ? -1 : ::open("/dev/tty", O_WRONLY | O_CLOEXEC);
    WriteAll(terminal >= 0 ? terminal : 2, question);
    if (terminal >= 0) ::close(terminal);
    return ReadLine();
  }

 private:
  static bool WriteAll(int fd, std::string_view rest) {
    while (!rest.empty()) {
      ssize_t put = ::write(fd, rest.data(), rest.size());
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      rest.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
  }

  static std::optional<std::string> ReadLine() {
    std::string line;
    char c = 0;
    for (;;) {
      ssize_t got = ::read(0, &c, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
      if (c == '\n') return line;
      line += c;
    }
  }
};

}  // namespace

std::unique_ptr<Console> MakePlatformConsole() { return std::make_unique<PosixConsole>(); }

std::optional<std::string> ArgumentAsSystemText(std::string_view argument) { return palm::Utf8ToPalmText(argument); }

// The five bytes Windows-1252 leaves undefined would become C1 controls, which some terminals obey.
std::string SystemTextAsUtf8(std::string_view text) { return palm::PalmTextToUtf8(text, '_'); }

std::string PathAsUtf8(std::string_view path) { return std::string(path); }

const char* UnusableOperand(const std::string& path) {
  if (path.find('\\') != std::string::npos) return kNameWithBackslash;
  struct stat target {}, link {};
  if (::stat(path.c_str(), &target) != 0 && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    return kLinkToNothing;
  }
  return nullptr;
}

const char kEndOfInputKeys[] = "Ctrl-D";

std::unique_ptr<FileSystem> MakeCommandLineFileSystem(UnusableNameReport report_unusable) {
  RemoveTemporaryFilesOnInterrupt();
  return std::make_unique<Utf8FileSystem>(MakePlatformFileSystem(), std::move(report_unusable));
}
