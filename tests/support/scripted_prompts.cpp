#include "support/scripted_prompts.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {
const char* KindName(BoxKind kind) {
  switch (kind) {
    case BoxKind::InputError: return "InputError";
    case BoxKind::MarkedQuestion: return "MarkedQuestion";
    case BoxKind::Warning: return "Warning";
    case BoxKind::OkCancel: return "OkCancel";
    case BoxKind::YesNoCancel: return "YesNoCancel";
    case BoxKind::Information: return "Information";
  }
  return "?";
}
}  // namespace

std::string VisibleText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string Describe(const ShownBox& box) {
  std::string out = KindName(box.kind);
  if (box.field != 0) out += " at Edit" + std::to_string(box.field);
  out += " [" + box.caption + "] \"" + VisibleText(box.text) + "\"";
  if (!box.answer.empty()) out += " -> " + box.answer;
  return out;
}

std::ostream& operator<<(std::ostream& out, const ShownBox& box) { return out << Describe(box); }

void ScriptedPrompts::Script(std::vector<std::string> answers) {
  answers_.assign(answers.begin(), answers.end());
}

std::string ScriptedPrompts::NextAnswer(const std::string& text) {
  if (answers_.empty()) {
    ADD_FAILURE() << "unscripted question: " << VisibleText(text);
    return "Cancel";
  }
  std::string answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedPrompts::ShowInputError(Field field, const Message& message) {
  Record(InputErrorBox(static_cast<int>(field), message.text), message);
}

Answer ScriptedPrompts::AskMarkedQuestion(Field field, const Message& question) {
  std::string answer = NextAnswer(question.text);
  Record(MarkedQuestionBox(static_cast<int>(field), question.text, answer), question);
  return answer == "OK" ? Answer::Yes : answer == "No" ? Answer::No : Answer::Cancel;
}

void ScriptedPrompts::ShowWarning(const Message& message, const std::string& caption) {
  Record(WarningBox(message.text, caption), message);
}

bool ScriptedPrompts::AskOkCancel(const Message& question, const std::string& caption) {
  std::string answer = NextAnswer(question.text);
  Record(OkCancelBox(question.text, caption, answer), question);
  return answer == "OK";
}

Answer ScriptedPrompts::AskYesNoCancel(const Message& question, const std::string& caption) {
  std::string answer = NextAnswer(question.text);
  Record(YesNoCancelBox(question.text, caption, answer), question);
  if (answer == "Yes") return Answer::Yes;
  if (answer == "No") return Answer::No;
  return Answer::Cancel;
}

void ScriptedPrompts::ShowInformation(const Message& message, const std::string& caption) {
  Record(InformationBox(message.text, caption), message);
}

void ScriptedPrompts::Note(const Message& note) { notes_.push_back(note); }

void ScriptedPrompts::Record(ShownBox box, const Message& message) {
  shown_.push_back(std::move(box));
  messages_.push_back(message);
}

ShownBox InputErrorBox(int field, const std::string& text) {
  return {BoxKind::InputError, text, kUnableToContinue, field, ""};
}
ShownBox MarkedQuestionBox(int field, const std::string& text, const std::string& answer) {
  return {BoxKind::MarkedQuestion, text, kUnableToContinue, field, answer};
}
ShownBox WarningBox(const std::string& text, const std::string& caption) {
  return {BoxKind::Warning, text, caption, 0, ""};
}
ShownBox OkCancelBox(const std::string& text, const std::string& caption, const std::string& answer) {
  return {BoxKind::OkCancel, text, caption, 0, answer};
}
ShownBox YesNoCancelBox(const std::string& text, const std::string& caption, const std::string& answer) {
  return {BoxKind::YesNoCancel, text, caption, 0, answer};
}
ShownBox InformationBox(const std::string& text, const std::string& caption) {
  return {BoxKind::Information, text, caption, 0, ""};
}
