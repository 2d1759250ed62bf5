// The commands' boxes on a terminal: messages on standard error, the summary on standard output,
// questions answered by flags, by the person at the terminal, or else with the safe answer.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/exit_status.h"
#include "commands/prompts.h"

// Answers given ahead on the command line.
struct FlagAnswers {
  bool yes = false;           // OK or Yes to creating directories, replacing and overwriting
  bool no_overwrite = false;  // No to overwriting a tune, Cancel to replacing the database
  bool skip_bad = false;      // OK to skipping an unusable or too large MIDI file
};

class TerminalPrompts : public Prompts {
 public:
  // `arguments` names the argument that stands for each field (Edit1 first); empty for none.
  TerminalPrompts(Console& console, std::array<std::string, 5> arguments, FlagAnswers flags, bool quiet);

  void ShowInputError(Field field, const std::string& message) override;
  bool AskMarkedQuestion(Field field, const std::string& question) override;
  void ShowWarning(const std::string& text, const std::string& caption) override;
  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
  void ShowInformation(const std::string& text, const std::string& caption) override;
  void ReportProgress(std::size_t done, std::size_t total, std::uint64_t bytes) override;

  // A failure that ended the command, as the window's general error report shows it.
  void ShowErrorReport(const std::string& message);
  // A problem the command line itself finds, such as a file name the database cannot hold.
  void ShowProblem(const std::string& text, Encoding encoding = Encoding::System);

  ExitStatus Status() const;

 private:
  enum class Choice { Ok, Cancel, Yes, No };
  // The answer to a question: a flag's, the terminal's, or Cancel with a word on the flag.
  // The question is shown unless a flag answers it ahead.
  Choice Ask(const std::string& prefix, const std::string& question, std::optional<Choice> flag_answer, bool yes_no,
             const char* flag_hint);
  void Say(const std::string& prefix, const std::string& text, Encoding encoding = Encoding::System);
  void ClearProgress();

  Console& console_;
  std::array<std::string, 5> arguments_;
  FlagAnswers flags_;
  bool quiet_;
  bool refused_ = false;
  bool failed_ = false;
  bool incomplete_ = false;
  bool kept_existing_ = false;  // an overwrite question was answered No
  bool progress_shown_ = false;
  std::optional<std::chrono::steady_clock::time_point> started_;
  std::chrono::steady_clock::time_point last_progress_{};
};

// The text as lines for a terminal: CR LF and a lone CR become a line break, any other control
// character "_".
std::string TerminalLines(const std::string& text);
