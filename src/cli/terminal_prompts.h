// The commands' boxes on a terminal: one line per message on standard error, the summary on
// standard output, questions answered by flags, by the person at the terminal, or else with the
// safe answer.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/console.h"
#include "commands/prompts.h"

// Answers given ahead on the command line.
struct FlagAnswers {
  bool yes = false;           // OK or Yes to creating directories, replacing and overwriting
  bool no_overwrite = false;  // No to overwriting a tune, Cancel to replacing the database
  bool skip_bad = false;      // OK to skipping an unusable or too large MIDI file
};

class TerminalPrompts : public Prompts {
 public:
  // Progress shows once a run has taken `progress_delay`: a short run leaves no trace of it.
  TerminalPrompts(Console& console, FlagAnswers flags, bool quiet,
                  std::chrono::milliseconds progress_delay = std::chrono::seconds(1));

  void ShowInputError(Field field, const Message& message) override;
  Answer AskMarkedQuestion(Field field, const Message& question) override;
  void ShowWarning(const Message& message, const std::string& caption) override;
  bool AskOkCancel(const Message& question, const std::string& caption) override;
  Answer AskYesNoCancel(const Message& question, const std::string& caption) override;
  void ShowInformation(const Message& message, const std::string& caption) override;
  void Note(const Message& note) override;
  void ReportProgress(Phase phase, std::size_t done, std::size_t total, std::uint64_t bytes) override;

  // A failure that ended the command, as the window's general error report says it, about the
  // file at `path` when it is known.
  void ShowErrorReport(const std::string& message, const std::string& path = {});
  // A file left out of a listing because its name cannot be a record's (its path in UTF-8).
  void ShowUnusableName(const std::string& utf8_path, const char* reason);
  // Data for standard output; a failed write ends the run with status 3.
  void WriteData(const std::string& text, Encoding encoding);
  // The summary goes to standard error, where standard output carries data.
  void SummaryToStandardError() { summary_stream_ = Stream::Err; }
  // After the command: what the run as a whole should know (the flags for skipped format-1 files).
  void Finish();

  // What the terminal met itself, beside what the command did.
  bool WriteFailed() const { return failed_; }
  std::size_t UnusableNames() const { return unusable_names_; }

 private:
  enum class Choice { Ok, Cancel, Yes, No };
  struct Question;
  Choice Ask(const Message& message, const Question& question);
  // "carillo: WHAT: TEXT" on standard error.
  void Say(const Message& message);
  void SayLine(const std::string& utf8_text);
  void ClearProgress();

  Console& console_;
  FlagAnswers flags_;
  bool quiet_;
  Stream summary_stream_ = Stream::Out;
  bool failed_ = false;               // a failure the run ended in, or standard output refused
  std::size_t unusable_names_ = 0;    // files the listing left out, told one by one
  std::size_t skipped_ = 0;          // files the run passed over, told one by one
  std::size_t format_skipped_ = 0;   // of them, not format 0
  std::size_t kept_ = 0;             // existing files kept by an answer No
  std::chrono::milliseconds progress_delay_;
  bool progress_shown_ = false;
  std::optional<std::chrono::steady_clock::time_point> started_;
  std::chrono::steady_clock::time_point last_progress_{};
};

// The message as one terminal line in UTF-8: "WHAT: TEXT", with WHAT the subject's path (and its
// record, "tones.pdb #4 Bird"), and no control character left to drive the terminal.
std::string TerminalLine(const Message& message);
