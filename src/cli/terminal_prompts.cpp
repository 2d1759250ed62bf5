#include "cli/terminal_prompts.h"

#include <cctype>
#include <cstdio>
#include <utility>

#include "cli/printable.h"
#include "commands/messages.h"
#include "seams/app_error.h"

namespace {

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif
constexpr auto kProgressDelay = std::chrono::seconds(1);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Rate(double bytes_per_second) {
  const char* units[] = {"B/s", "KB/s", "MB/s", "GB/s"};
  int unit = 0;
  while (bytes_per_second >= 1024 && unit < 3) {
    bytes_per_second /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytes_per_second, units[unit]);
  return text;
}

// Paths in questions as the system writes them: the core joins with "\\".
std::string NativeSeparators(std::string text) {
  if constexpr (kNativeSeparator != '\\') {
    for (char& c : text) {
      if (c == '\\') c = kNativeSeparator;
    }
  }
  return text;
}

// "DATABASE: " for a field that an argument stands for.
std::string FieldPrefix(const std::array<std::string, 5>& arguments, Field field) {
  const std::string& argument = arguments[static_cast<std::size_t>(field) - 1];
  return argument.empty() ? std::string() : argument + ": ";
}

}  // namespace

std::string TerminalLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (IsControl(text[i]) && text[i] != '\n') {
      lines += '_';  // an escape sequence in a record or file name must not drive the terminal
    } else {
      lines += text[i];
    }
  }
  return lines;
}

TerminalPrompts::TerminalPrompts(Console& console, std::array<std::string, 5> arguments, FlagAnswers flags,
                                 bool quiet)
    : console_(console), arguments_(std::move(arguments)), flags_(flags), quiet_(quiet) {}

void TerminalPrompts::Say(const std::string& prefix, const std::string& text, Encoding encoding) {
  ClearProgress();
  console_.Write(Stream::Err, "carillo: " + prefix + TerminalLines(text) + "\n", encoding);
}

void TerminalPrompts::ShowInputError(Field field, const std::string& message) {
  // Keeping every existing tune is what was asked, not a refusal.
  if (!(message == kNoMidiFilesInDatabase && kept_existing_)) refused_ = true;
  Say(FieldPrefix(arguments_, field), message);
}

bool TerminalPrompts::AskMarkedQuestion(Field field, const std::string& question) {
  std::optional<Choice> flag;
  const char* hint = "--yes";
  if (flags_.yes) flag = Choice::Ok;
  if (question == kReplaceDatabaseQuestion) {
    if (flags_.no_overwrite) flag = Choice::Cancel;
    hint = "--yes or --no-overwrite";
  }
  return Ask(FieldPrefix(arguments_, field), question, flag, false, hint) == Choice::Ok;
}

void TerminalPrompts::ShowWarning(const std::string& text, const std::string&) {
  // A record the run passes over: the run goes on, but did not convert everything.
  incomplete_ = true;
  Say("", text);
}

bool TerminalPrompts::AskOkCancel(const std::string& text, const std::string&) {
  return Ask("", text, flags_.skip_bad ? std::optional<Choice>(Choice::Ok) : std::nullopt, false, "--skip-bad") ==
         Choice::Ok;
}

Answer TerminalPrompts::AskYesNoCancel(const std::string& text, const std::string&) {
  std::optional<Choice> flag;
  if (flags_.yes) flag = Choice::Yes;
  if (flags_.no_overwrite) flag = Choice::No;
  switch (Ask("", NativeSeparators(text), flag, true, "--yes or --no-overwrite")) {
    case Choice::Yes: return Answer::Yes;
    case Choice::No:
      kept_existing_ = true;
      return Answer::No;
    default: return Answer::Cancel;
  }
}

void TerminalPrompts::ShowInformation(const std::string& text, const std::string&) {
  ClearProgress();
  if (!quiet_) console_.Write(Stream::Out, TerminalLines(text) + "\n");
}

void TerminalPrompts::ShowErrorReport(const std::string& message) {
  failed_ = true;
  Say("", GeneralErrorText(message));
}

void TerminalPrompts::ShowProblem(const std::string& text, Encoding encoding) {
  incomplete_ = true;
  Say("", text, encoding);
}

TerminalPrompts::Choice TerminalPrompts::Ask(const std::string& prefix, const std::string& question,
                                             std::optional<Choice> flag_answer, bool yes_no, const char* flag_hint) {
  Choice answer = Choice::Cancel;
  if (flag_answer) {
    // Answered ahead: only a Cancel is worth a word.
    answer = *flag_answer;
    if (answer == Choice::Cancel) Say(prefix, question + "\ncancelled by --no-overwrite");
  } else if (!console_.InputIsTerminal()) {
    Say(prefix, question);
    console_.Write(Stream::Err, std::string("carillo: cancelled: no terminal to answer on (") + flag_hint +
                                    " answers this question)\n");
  } else {
    Say(prefix, question);
    for (;;) {
      console_.Write(Stream::Err, yes_no ? "[y]es/[n]o/[c]ancel? " : "[o]k/[c]ancel? ");
      std::optional<std::string> line = console_.ReadLine();
      if (!line) break;  // end of input: the safe answer
      const std::string word = Lowered(*line);
      if (word == "c" || word == "cancel") break;
      if (!yes_no && (word == "o" || word == "ok")) {
        answer = Choice::Ok;
        break;
      }
      if (yes_no && (word == "y" || word == "yes")) {
        answer = Choice::Yes;
        break;
      }
      if (yes_no && (word == "n" || word == "no")) {
        answer = Choice::No;
        break;
      }
    }
  }
  if (answer == Choice::Cancel) refused_ = true;
  return answer;
}

void TerminalPrompts::ReportProgress(std::size_t done, std::size_t total, std::uint64_t bytes) {
  if (quiet_ || !console_.IsTerminal(Stream::Err)) return;
  const auto now = std::chrono::steady_clock::now();
  if (!started_) started_ = now;
  if (now - *started_ < kProgressDelay || (progress_shown_ && done < total && now - last_progress_ < kProgressInterval)) {
    return;
  }
  last_progress_ = now;
  const double seconds = std::chrono::duration<double>(now - *started_).count();
  char line[64];
  std::snprintf(line, sizeof line, "\r%zu/%zu, %s   ", done, total,
                Rate(static_cast<double>(bytes) / seconds).c_str());
  console_.Write(Stream::Err, line);
  progress_shown_ = true;
}

void TerminalPrompts::ClearProgress() {
  if (!progress_shown_) return;
  console_.Write(Stream::Err, "\r" + std::string(60, ' ') + "\r");
  progress_shown_ = false;
}

ExitStatus TerminalPrompts::Status() const {
  if (failed_) return ExitStatus::InOutError;
  if (refused_) return ExitStatus::Refused;
  if (incomplete_) return ExitStatus::Incomplete;
  return ExitStatus::Done;
}
