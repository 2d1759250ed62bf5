// Drives the real main window inside the test process, under Wine or Windows: creates Form1 as
// the start-up does, works its controls as a user or an automation tool would, and answers and
// records every message box through a thread-local WH_CBT hook (no mocks of Win32).
//
//   WindowHarness harness;                 // hook on this thread
//   ResetUserRegistry();                   // no settings, no Palm Desktop: "Install" at start
//   harness.CreateForm();                  // FormCreate runs; its boxes are recorded too
//   harness.SetText(kEdit1, "C:\\x.pdb");  // WM_SETTEXT, ids from app/form_layout.h
//   harness.Script({"OK"});                // answers for the questions to come
//   harness.Click(kBitBtn3);               // BM_CLICK: the handler runs to its end
//   EXPECT_EQ(harness.ShownBoxes(), (std::vector<ShownBox>{...}));
//   harness.CloseForm();                   // WM_CLOSE: FormClose saves
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/form_layout.h"
#include "app/unit1.h"
#include "support/scripted_prompts.h"
#include "win32/support/user_registry.h"

// One message box as it came up, and how it was answered.
struct RecordedBox {
  std::string caption;
  std::string text;           // byte for byte: CR LF and a lone CR are kept
  UINT icon = 0;              // MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONQUESTION, MB_ICONERROR; 0 none
  UINT buttons = 0;           // MB_OK, MB_OKCANCEL, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL
  HWND owner = nullptr;       // nullptr for an ownerless box
  bool owned_by_form = false; // the owner is the main window
  int marked_field = 0;       // 1..5: that edit field was red while the box was up
  int focused_field = 0;      // 1..5: that edit field had the keyboard focus
  bool cursor_was_normal = false;  // the arrow, not the hourglass, as the box came up
  HWND form1_window = nullptr;     // Form1's window as the box came up; nullptr when Form1 was not set
  bool form_was_enabled = false;   // the main window took input while the box was up
  std::string answer;         // "OK", "Cancel", "Yes", "No", or "Escape" / "Close" (see Script)

  // The box as the core's scripted recorder logs it; nullopt for boxes it has no kind for (error
  // boxes) and for boxes that no Prompts call shows (wrong icon, buttons or owner).
  std::optional<ShownBox> AsShownBox() const;
};

// Equal in what a user sees and answers: caption, text, icon, buttons, owner (main window, none or
// another), marked field and answer.
bool operator==(const RecordedBox& left, const RecordedBox& right);
std::string Describe(const RecordedBox& box);
std::ostream& operator<<(std::ostream& out, const RecordedBox& box);

// Expected boxes, for comparisons with Boxes(): one owned by the main window, answered with
// `answer`, marking `marked_field` (1..5, 0 none); and an error box (general error report or
// "Install").
RecordedBox OwnedBox(const std::string& text, const std::string& caption, UINT icon, UINT buttons,
                     const std::string& answer, int marked_field = 0);
RecordedBox ErrorBox(const std::string& text, const std::string& caption, bool owned_by_form);

class WindowHarness {
 public:
  WindowHarness();
  ~WindowHarness();  // destroys a window still open (without FormClose), unhooks, drains the queue
  WindowHarness(const WindowHarness&) = delete;
  WindowHarness& operator=(const WindowHarness&) = delete;

  // The start-up: Form1 built (FormCreate runs), then shown and the queue drained.
  TForm1& CreateForm(int show_command = SW_SHOWNORMAL);
  // A first start on a machine without Palm Desktop (ResetUserRegistry, CreateForm), with the
  // start-up's own boxes ("Install") cleared.
  TForm1& CreateFreshForm();
  // The user closes the window (WM_CLOSE, so FormClose saves). True when the window went away;
  // false when it stayed open (a failed save).
  bool CloseForm();
  TForm1& Form() const;
  HWND Window() const;
  HWND Control(int id) const;

  void SetText(int id, const std::string& text);  // WM_SETTEXT
  std::string Text(int id) const;                 // WM_GETTEXT
  void Click(int id);                             // BM_CLICK; returns when the handler has ended
  // One command as a user gives it: each text typed into its field, `answers` scripted, `button`
  // clicked. Afterwards every answer has been used, the cursor is no longer busy, and each field
  // still holds what was typed (a command shortens and checks its own copies).
  void RunCommand(int button, const std::vector<std::pair<int, std::string>>& typed,
                  std::vector<std::string> answers = {});
  void SetCheck(bool checked);                    // CheckBox1
  bool Checked() const;
  void SelectPage(int index);                     // TCM_SETCURFOCUS: notifies the window as a click does
  // A key as the message loop delivers it to the focused control, through the window's own
  // keyboard handling (Tab order, Enter, Ctrl+Tab).
  void PressKey(WPARAM key, bool shift = false, bool control = false);
  void Pump();                                    // dispatches what is queued; WM_QUIT is dropped

  // Answers for the questions to come, in order: "OK", "Cancel", "Yes" or "No" press that button;
  // "Escape" and "Close" close the box with the Esc key or its close button. Boxes with an OK
  // button only need none. A question without an answer fails the test and gets Cancel.
  void Script(std::vector<std::string> answers);
  bool ScriptUsedUp() const { return answers_.empty(); }
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  std::vector<ShownBox> ShownBoxes() const;  // Boxes() as ShownBox; fails the test for any other box
  void ClearBoxes() { boxes_.clear(); }

  // Other dialogs (file dialogs, the folder browser) go to `handler` once they are up and idle; it
  // must end them, for example with PostMessage(dialog, WM_COMMAND, IDCANCEL, 0). Without a handler such a
  // dialog fails the test and is cancelled.
  void OnDialog(std::function<void(HWND dialog)> handler) { dialog_handler_ = std::move(handler); }

 private:
  static LRESULT CALLBACK CbtProc(int code, WPARAM wparam, LPARAM lparam);
  static void CALLBACK DialogTimer(HWND, UINT, UINT_PTR timer, DWORD);
  void OnActivate(HWND window);
  void AnswerMessageBox(HWND box);

  HHOOK hook_ = nullptr;
  std::unique_ptr<TForm1> form_;
  std::deque<std::string> answers_;
  std::vector<RecordedBox> boxes_;
  std::set<HWND> seen_;
  std::function<void(HWND)> dialog_handler_;
  HWND pending_dialog_ = nullptr;
};

// The background colour an edit of the window is painted with now (WM_CTLCOLOREDIT).
COLORREF BackgroundOf(HWND edit);

// Readable names for test output.
std::string FieldName(int field);
