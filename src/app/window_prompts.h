// The prompts of the main window: real message boxes it owns, with the field a box is about marked
// red and focused while the box is up; and the busy-cursor bracket with the general error report
// that ends a failed handler.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "commands/prompts.h"
#include "win32/handles.h"

class TForm1;

class WindowPrompts : public Prompts {
 public:
  explicit WindowPrompts(TForm1& form);

  void ShowInputError(Field field, const Message& message) override;
  Answer AskMarkedQuestion(Field field, const Message& question) override;
  void ShowWarning(const Message& message, const std::string& caption) override;
  bool AskOkCancel(const Message& question, const std::string& caption) override;
  Answer AskYesNoCancel(const Message& question, const std::string& caption) override;
  void ShowInformation(const Message& message, const std::string& caption) override;

  // Focus to PageControl1, hourglass, then `command`; the normal cursor comes back on every way
  // out, and a failure ends in the general error report.
  void RunBusy(const std::function<void()>& command);
  // The text with the full-stop rule, captioned with the application title.
  void ShowErrorReport(const std::string& message);
  // The general error report of whatever `failure` holds; never throws.
  void ReportException(std::exception_ptr failure) noexcept;

  // For WM_CTLCOLOREDIT: the red of a marked field, with its brush; nullptr for any other edit.
  HBRUSH MarkedFieldBrush(HDC dc, HWND edit) const;

 private:
  int ShowBox(const std::string& text, const std::string& caption, UINT flags);
  int AskAboutField(Field field, const std::string& text, UINT flags);
  void MarkField(HWND edit, bool marked);

  TForm1& form_;
  UniqueBrush marked_brush_;
  HWND marked_edit_ = nullptr;
};
