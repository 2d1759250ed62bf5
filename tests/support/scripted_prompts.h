// A Prompts that records every box a command shows and answers questions from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "commands/prompts.h"

enum class BoxKind { InputError, MarkedQuestion, Warning, OkCancel, YesNoCancel, Information };

struct ShownBox {
  BoxKind kind;
  std::string text;
  std::string caption;
  int field = 0;           // 1..5 for Edit1..Edit5 when the box marks a field, else 0
  std::string answer;      // "OK", "Cancel", "Yes" or "No"

  bool operator==(const ShownBox&) const = default;
};

// The text with CR and LF spelled out as \r and \n, for failure messages.
std::string VisibleText(const std::string& text);

// Readable form for test failures: kind, field, caption, text with CR and LF spelled out, answer.
std::string Describe(const ShownBox& box);
std::ostream& operator<<(std::ostream& out, const ShownBox& box);

class ScriptedPrompts : public Prompts {
 public:
  // Answers for the questions to come, in order: "OK", "Cancel", "Yes" or "No". A question
  // without a scripted answer fails the test and is answered Cancel.
  void Script(std::vector<std::string> answers);
  const std::vector<ShownBox>& Shown() const { return shown_; }
  bool ScriptUsedUp() const { return answers_.empty(); }

  void ShowInputError(Field field, const std::string& message) override;
  bool AskMarkedQuestion(Field field, const std::string& question) override;
  void ShowWarning(const std::string& text, const std::string& caption) override;
  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
  void ShowInformation(const std::string& text, const std::string& caption) override;

 private:
  std::string NextAnswer(const std::string& text);

  std::deque<std::string> answers_;
  std::vector<ShownBox> shown_;
};

// Shorthands for expected boxes.
ShownBox InputErrorBox(int field, const std::string& text);
ShownBox MarkedQuestionBox(int field, const std::string& text, const std::string& answer);
ShownBox WarningBox(const std::string& text, const std::string& caption);
ShownBox OkCancelBox(const std::string& text, const std::string& caption, const std::string& answer);
ShownBox YesNoCancelBox(const std::string& text, const std::string& caption, const std::string& answer);
ShownBox InformationBox(const std::string& text, const std::string& caption);
