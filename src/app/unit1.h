// The main window TForm1: its window procedure, focus and keyboard, and the event handlers, over
// the controls of the layout table and the prompts of the window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/file_dialogs.h"
#include "app/form_controls.h"
#include "app/window_prompts.h"
#include "seams/clock.h"
#include "seams/fields.h"
#include "seams/file_system.h"
#include "seams/registry.h"
#include "settings/form_settings.h"

// What the handlers work on beyond the window, made once at start-up.
struct Platform {
  std::unique_ptr<FileSystem> files;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<RegistryKey> current_user;
};

class TForm1 {
 public:
  explicit TForm1(Platform platform);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Builds the window and its controls, then runs FormCreate; the window is not shown yet.
  // False when Windows refuses to create the window.
  bool Create(HINSTANCE instance);
  // The first showing; opens maximised when FormCreate asked for it.
  void Show(int show_command);
  // Keyboard handling that the window does itself, for the message loop: Tab and Shift+Tab in
  // tab order, Ctrl+Tab between pages, Enter on a focused button. True when the message is used up.
  bool PreTranslateMessage(const MSG& message);

  HWND Handle() const { return handle_; }
  // The outer sizes at the display's DPI: starting width, the one height, the narrowest width.
  const FormSize& Size() const { return size_; }
  HWND Control(int id) const;
  HWND EditOf(Field field) const;

  std::string FieldText(Field field) const;
  void SetFieldText(Field field, const std::string& text);  // set whole, never cut
  bool Smf0Only() const;
  void SetSmf0Only(bool checked);
  int SelectedPage() const;       // 0 "MID => PDB", 1 "PDB => MID", -1 none
  void SelectPage(int index);     // any other index selects no page and hides both
  WindowState State() const;
  bool IsActiveWindow() const;
  void RequestMaximized();        // FormCreate: open maximised
  // The focus goes to `control`, and comes back to it when the window is activated again.
  void FocusControl(HWND control);

  // The prompts, as the commands get them from WindowPrompts: message boxes owned by this window.
  static Message Text(const std::string& text) { return MakeMessage(Topic::Refusal, text); }
  void ShowInputError(Field field, const std::string& message) { prompts_.ShowInputError(field, Text(message)); }
  bool AskMarkedQuestion(Field field, const std::string& question) {
    return prompts_.AskMarkedQuestion(field, Text(question)) == Answer::Yes;
  }
  void ShowWarning(const std::string& text, const std::string& caption) { prompts_.ShowWarning(Text(text), caption); }
  bool AskOkCancel(const std::string& text, const std::string& caption) {
    return prompts_.AskOkCancel(Text(text), caption);
  }
  Answer AskYesNoCancel(const std::string& text, const std::string& caption) {
    return prompts_.AskYesNoCancel(Text(text), caption);
  }
  void ShowInformation(const std::string& text, const std::string& caption) {
    prompts_.ShowInformation(MakeMessage(Topic::Help, text), caption);
  }
  // The busy-cursor bracket: focus to PageControl1, hourglass, then `command` (which copies its
  // fields, checks and works); the normal cursor comes back on every way out, and a failure ends
  // in the general error report.
  void RunBusy(const std::function<void()>& command) { prompts_.RunBusy(command); }
  // The general error report: the text with the full-stop rule, captioned with the application title.
  void ShowErrorReport(const std::string& message) { prompts_.ShowErrorReport(message); }

  void FindDefaultBackupPath(std::string& Path);

  // Event handlers.
  void FormCreate();
  void FormClose();  // raises AppError when the settings cannot be saved: the window then stays
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();
  void BitBtn8Click();
  void BitBtn9Click();

 private:
  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK TabControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void OnCreate();
  void OnSize(int width, int height);
  void OnCommand(int id, int code);
  void OnNotify(const NMHDR& header);
  void OnActivate(bool active);
  void OnClose();
  void OnGetMinMaxInfo(MINMAXINFO& info) const;
  LRESULT OnCtlColorEdit(HDC dc, HWND edit);

  void ShowSelectedPage();
  void MoveFocus(bool forward);
  std::vector<HWND> TabStops() const;
  void RestoreFocus();
  void BrowseForFile(TFileDialog& dialog, Field field);
  void BrowseForDirectory(Field field, const char* instruction);

  Platform platform_;
  FormControls controls_;
  WindowPrompts prompts_{*this};
  HWND handle_ = nullptr;
  Scale scale_;
  FormSize size_{};
  WNDPROC tab_control_proc_ = nullptr;
  HWND saved_focus_ = nullptr;
  bool open_maximized_ = false;
  bool shown_ = false;
  bool minimize_when_shown_ = false;
  TFileDialog OpenDialog1;
  TFileDialog SaveDialog1;
};

// The one main window; refers to it before its window is built, so FormCreate can use it.
extern TForm1* Form1;

// Start-up steps 1 to 3: prepares the controls library and COM, makes the platform objects and
// creates the main window into Form1 (running FormCreate). nullptr when the window cannot be created.
std::unique_ptr<TForm1> CreateMainForm(HINSTANCE instance);
