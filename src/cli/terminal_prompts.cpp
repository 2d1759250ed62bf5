#include "cli/terminal_prompts.h"

#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "commands/printable.h"
#include "seams/app_error.h"

namespace {

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif
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

// A path as the user wrote it: the core joins with "\" and starts bare names at ".\".
std::string DisplayPath(std::string path) {
  if (path.size() > 2 && path[0] == '.' && path[1] == '\\') path.erase(0, 2);
  if constexpr (kNativeSeparator != '\\') {
    for (char& c : path) {
      if (c == '\\') c = kNativeSeparator;
    }
  }
  return PathAsUtf8(path);
}

bool IsSkip(Topic topic) {
  return topic == Topic::Skipped || topic == Topic::SkippedFormat || topic == Topic::SkippedUnusable;
}

}  // namespace

// How a question reads on the terminal and which flags answer it.
struct TerminalPrompts::Question {
  const char* prompt;  // the answers, each naming what it does
  std::initializer_list<const char*> go_words;
  Choice go;          // what those words answer: OK or Yes
  bool no_of_its_own;  // No keeps one file and the run goes on; else "no" is Cancel
  std::optional<Choice> flag_answer;
  const char* flag_hint;
};

std::string TerminalLine(const Message& message) {
  std::string what;
  const Subject& subject = message.subject;
  if (!subject.path.empty()) what = DisplayPath(subject.path);
  if (subject.record != 0) {
    what.append(" #").append(std::to_string(subject.record));
    if (!subject.record_name.empty()) what.append(" ").append(SystemTextAsUtf8(subject.record_name));
  }
  // Appended, not chained with "+": GCC 12 misreports -Wrestrict on such a chain in the i686 build.
  if (!what.empty()) what.append(": ");
  what.append(PathAsUtf8(message.line));
  return PrintableUtf8(what);
}

TerminalPrompts::TerminalPrompts(Console& console, FlagAnswers flags, bool quiet,
                                 std::chrono::milliseconds progress_delay)
    : console_(console), flags_(flags), quiet_(quiet), progress_delay_(progress_delay) {}

void TerminalPrompts::SayLine(const std::string& utf8_text) {
  ClearProgress();
  console_.Write(Stream::Err, std::string(kProgramName) + ": " + utf8_text + "\n", Encoding::Utf8);
}

void TerminalPrompts::Say(const Message& message) { SayLine(TerminalLine(message)); }

void TerminalPrompts::ShowInputError(Field, const Message& message) {
  if (message.topic == Topic::NothingWritten && kept_ > 0) {
    // Keeping every existing tune is what was asked, not a refusal.
    Message kept = message;
    kept.line = std::string("no tune extracted: ").append(std::to_string(kept_));
    kept.line.append(kept_ == 1 ? " file" : " files").append(" already there, kept");
    kept.subject = {};
    return Say(kept);
  }
  Say(message);
}

Answer TerminalPrompts::AskMarkedQuestion(Field, const Message& question) {
  if (question.topic == Topic::ReplaceFile) {
    // One output, replaced or not: No keeps it, and the run has done what was asked.
    std::optional<Choice> flag;
    if (flags_.yes) flag = Choice::Yes;
    if (flags_.no_overwrite) flag = Choice::No;
    const Choice choice = Ask(question, {"[y]es/[n]o? ", {"y", "yes"}, Choice::Yes, true, flag, "-y or -n"});
    return choice == Choice::Yes ? Answer::Yes : choice == Choice::No ? Answer::No : Answer::Cancel;
  }
  // Creating a missing directory.
  const std::optional<Choice> flag = flags_.yes ? std::optional(Choice::Ok) : std::nullopt;
  return Ask(question, {"[y]es/[n]o? ", {"y", "yes"}, Choice::Ok, false, flag, "-y"}) == Choice::Ok ? Answer::Yes
                                                                                                    : Answer::Cancel;
}

void TerminalPrompts::ShowWarning(const Message& message, const std::string&) { Say(message); }

bool TerminalPrompts::AskOkCancel(const Message& question, const std::string&) {
  const std::optional<Choice> flag = flags_.skip_bad ? std::optional(Choice::Ok) : std::nullopt;
  if (question.topic == Topic::SkipFile) {
    return Ask(question, {"[s]kip/[c]ancel? ", {"s", "skip", "o", "ok", "y", "yes"}, Choice::Ok, false, flag,
                          "--skip-bad"}) == Choice::Ok;
  }
  return Ask(question, {"[o]k/[c]ancel? ", {"o", "ok", "y", "yes"}, Choice::Ok, false, flag, "--skip-bad"}) ==
         Choice::Ok;
}

Answer TerminalPrompts::AskYesNoCancel(const Message& question, const std::string&) {
  std::optional<Choice> flag;
  if (flags_.yes) flag = Choice::Yes;
  if (flags_.no_overwrite) flag = Choice::No;
  if (question.topic == Topic::ReplaceFile) {
    // The command says itself that it kept the file.
    const Choice choice = Ask(question, {"[y]es/[n]o? ", {"y", "yes"}, Choice::Yes, true, flag, "-y or -n"});
    return choice == Choice::Yes ? Answer::Yes : choice == Choice::No ? Answer::No : Answer::Cancel;
  }
  switch (Ask(question, {"[y]es/[n]o/[c]ancel? ", {"y", "yes"}, Choice::Yes, true, flag, "-y or -n"})) {
    case Choice::Ok:
    case Choice::Yes: return Answer::Yes;
    case Choice::No:
      ++kept_;
      return Answer::No;
    case Choice::Cancel: break;
  }
  return Answer::Cancel;
}

void TerminalPrompts::ShowInformation(const Message& message, const std::string&) {
  ClearProgress();
  if (quiet_) return;
  std::string line = PrintableUtf8(PathAsUtf8(message.line));
  if (message.topic == Topic::Summary && skipped_ > 0 && !line.empty() && line.back() == '.') {
    line.insert(line.size() - 1, std::string(", ").append(std::to_string(skipped_)).append(" skipped"));
  }
  if (!console_.Write(summary_stream_, line + "\n", Encoding::Utf8)) {
    failed_ = true;
    SayLine("standard output: the summary could not be written");
  }
}

void TerminalPrompts::Note(const Message& note) {
  if (note.topic == Topic::Shaped) {
    // What a run made of a tune, beside the summary.
    ClearProgress();
    if (!quiet_ && !console_.Write(summary_stream_, TerminalLine(note) + "\n", Encoding::Utf8)) failed_ = true;
    return;
  }
  if (IsSkip(note.topic)) ++skipped_;
  if (note.topic == Topic::SkippedFormat) ++format_skipped_;
  Say(note);
}

void TerminalPrompts::ShowErrorReport(const std::string& message, const std::string& path) {
  failed_ = true;
  Say(MakeMessage(Topic::Refusal, GeneralErrorText(message), PathSubject(path)));
}

void TerminalPrompts::ShowUnusableName(const std::string& utf8_path, const char* reason) {
  ++skipped_;
  ++unusable_names_;
  SayLine(PrintableUtf8(utf8_path + ": skipped: " + reason));
}

void TerminalPrompts::WriteData(const std::string& text, Encoding encoding) {
  if (console_.Write(Stream::Out, text, encoding)) return;
  failed_ = true;
  SayLine("standard output: could not be written whole");
}

void TerminalPrompts::Finish() {
  if (format_skipped_ == 0) return;
  SayLine(std::to_string(format_skipped_) + (format_skipped_ == 1 ? " file was" : " files were") +
          " skipped for not being format 0: --to-smf0 converts format-1 files, --all-formats takes every format");
}

TerminalPrompts::Choice TerminalPrompts::Ask(const Message& message, const Question& question) {
  Choice answer = Choice::Cancel;
  if (question.flag_answer) {
    answer = *question.flag_answer;  // answered ahead: the command tells what came of it
  } else if (!console_.InputIsTerminal()) {
    Say(message);
    SayLine(std::string("cancelled: no terminal to answer on (") + question.flag_hint + " answers this question)");
  } else {
    ClearProgress();
    const std::string asked = std::string(kProgramName) + ": " + TerminalLine(message) + "\n";
    for (std::string prompt = asked + question.prompt;; prompt = question.prompt) {
      std::optional<std::string> line = console_.Ask(prompt);
      if (!line) break;  // end of input: the safe answer
      const std::string word = Lowered(*line);
      if (word == "c" || word == "cancel") break;
      bool go = false;
      for (const char* w : question.go_words) go = go || word == w;
      if (go) {
        answer = question.go;
        break;
      }
      if (word == "n" || word == "no") {
        if (question.no_of_its_own) answer = Choice::No;
        break;
      }
    }
    if (answer == Choice::Cancel) SayLine("cancelled");
  }
  return answer;
}

void TerminalPrompts::ReportProgress(Phase phase, std::size_t done, std::size_t total, std::uint64_t bytes) {
  if (quiet_ || !console_.IsTerminal(Stream::Err)) return;
  const auto now = std::chrono::steady_clock::now();
  if (!started_) started_ = now;
  if (now - *started_ < progress_delay_ || (progress_shown_ && done < total && now - last_progress_ < kProgressInterval)) {
    return;
  }
  last_progress_ = now;
  const double seconds = std::chrono::duration<double>(now - *started_).count();
  char line[64];
  if (phase == Phase::Reading) {
    std::snprintf(line, sizeof line, "\rreading %zu/%zu   ", done, total);
  } else {
    std::snprintf(line, sizeof line, "\rwriting %zu/%zu, %s   ", done, total,
                  Rate(static_cast<double>(bytes) / seconds).c_str());
  }
  console_.Write(Stream::Err, line);
  progress_shown_ = true;
}

void TerminalPrompts::ClearProgress() {
  if (!progress_shown_) return;
  console_.Write(Stream::Err, "\r" + std::string(60, ' ') + "\r");
  progress_shown_ = false;
}
