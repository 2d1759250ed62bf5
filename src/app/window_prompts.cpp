// Boxes are modal to the main window: it is disabled while one is up, and is the box's owner.
#include "app/window_prompts.h"

#include <new>

#include "app/app_cursor.h"
#include "app/form_layout.h"
#include "app/unit1.h"
#include "seams/app_error.h"

namespace {

constexpr COLORREF kMarkedColor = RGB(255, 0, 0);

}  // namespace

WindowPrompts::WindowPrompts(TForm1& form) : form_(form), marked_brush_(CreateSolidBrush(kMarkedColor)) {}

int WindowPrompts::ShowBox(const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxA(form_.Handle(), text.c_str(), caption.c_str(), flags);
}

void WindowPrompts::MarkField(HWND edit, bool marked) {
  marked_edit_ = marked ? edit : nullptr;
  InvalidateRect(edit, nullptr, TRUE);
}

HBRUSH WindowPrompts::MarkedFieldBrush(HDC dc, HWND edit) const {
  if (!edit || edit != marked_edit_) return nullptr;
  SetBkColor(dc, kMarkedColor);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return marked_brush_.get();
}

int WindowPrompts::AskAboutField(Field field, const std::string& text, UINT flags) {
  HWND edit = form_.EditOf(field);
  MarkField(edit, true);
  form_.FocusControl(edit);
  const int answer = ShowBox(text, kUnableToContinue, flags);
  MarkField(edit, false);
  return answer;
}

void WindowPrompts::ShowInputError(Field field, const Message& message) {
  AskAboutField(field, message.text, MB_OK | MB_ICONWARNING);
}

Answer WindowPrompts::AskMarkedQuestion(Field field, const Message& question) {
  return AskAboutField(field, question.text, MB_OKCANCEL | MB_ICONWARNING) == IDOK ? Answer::Yes : Answer::Cancel;
}

void WindowPrompts::ShowWarning(const Message& message, const std::string& caption) {
  ShowBox(message.text, caption, MB_OK | MB_ICONWARNING);
}

bool WindowPrompts::AskOkCancel(const Message& question, const std::string& caption) {
  return ShowBox(question.text, caption, MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

Answer WindowPrompts::AskYesNoCancel(const Message& question, const std::string& caption) {
  switch (ShowBox(question.text, caption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    default: return Answer::Cancel;
  }
}

void WindowPrompts::ShowInformation(const Message& message, const std::string& caption) {
  ShowBox(message.text, caption, MB_OK | MB_ICONINFORMATION);
}

void WindowPrompts::ShowErrorReport(const std::string& message) {
  ShowBox(GeneralErrorText(message), kApplicationTitle, MB_OK | MB_ICONERROR);
}

void WindowPrompts::ReportException(std::exception_ptr failure) noexcept {
  app_cursor::SetNormal();
  try {
    ShowErrorReport(FailureText(failure));
  } catch (...) {
    // Not even the report could be shown (no memory left for its text); the program goes on.
  }
}

void WindowPrompts::RunBusy(const std::function<void()>& command) {
  SetFocus(form_.Control(kPageControl1));
  app_cursor::SetBusy();
  try {
    command();
  } catch (...) {
    ReportException(std::current_exception());
    return;
  }
  app_cursor::SetNormal();
}
