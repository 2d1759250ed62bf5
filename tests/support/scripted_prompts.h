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
  // The messages behind the boxes, index-aligned with Shown(), with their kinds and subjects.
  const std::vector<Message>& Messages() const { return messages_; }
  // What only a face that names every skipped file shows.
  const std::vector<Message>& Notes() const { return notes_; }
  bool ScriptUsedUp() const { return answers_.empty(); }

  void ShowInputError(Field field, const Message& message) override;
  Answer AskMarkedQuestion(Field field, const Message& question) override;
  void ShowWarning(const Message& message, const std::string& caption) override;
  bool AskOkCancel(const Message& question, const std::string& caption) override;
  Answer AskYesNoCancel(const Message& question, const std::string& caption) override;
  void ShowInformation(const Message& message, const std::string& caption) override;
  void Note(const Message& note) override;

 private:
  std::string NextAnswer(const std::string& text);
  void Record(ShownBox box, const Message& message);

  std::deque<std::string> answers_;
  std::vector<ShownBox> shown_;
  std::vector<Message> messages_;
  std::vector<Message> notes_;
};

// Shorthands for expected boxes.
ShownBox InputErrorBox(int field, const std::string& text);
ShownBox MarkedQuestionBox(int field, const std::string& text, const std::string& answer);
ShownBox WarningBox(const std::string& text, const std::string& caption);
ShownBox OkCancelBox(const std::string& text, const std::string& caption, const std::string& answer);
ShownBox YesNoCancelBox(const std::string& text, const std::string& caption, const std::string& answer);
ShownBox InformationBox(const std::string& text, const std::string& caption);
