// The harness reads each message box the way a screen reader would: caption, the text of its
// static 0xFFFF, the icon static, the buttons still there, the owner; then it presses a button.
#include "win32/support/window_harness.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/app_cursor.h"
#include "app/window_text.h"
#include "win32/handles.h"

namespace {

thread_local WindowHarness* g_harness = nullptr;

constexpr int kMessageTextId = 0xFFFF;

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND IconStatic(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") != 0) continue;
    if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
  }
  return nullptr;
}

UINT IconOf(HWND box) {
  HWND icon_static = IconStatic(box);
  if (!icon_static) return 0;
  HICON icon = reinterpret_cast<HICON>(SendMessageA(icon_static, STM_GETICON, 0, 0));
  if (!icon) return 0;
  if (icon == LoadIcon(nullptr, IDI_INFORMATION)) return MB_ICONINFORMATION;
  if (icon == LoadIcon(nullptr, IDI_WARNING)) return MB_ICONWARNING;
  if (icon == LoadIcon(nullptr, IDI_QUESTION)) return MB_ICONQUESTION;
  if (icon == LoadIcon(nullptr, IDI_ERROR)) return MB_ICONERROR;
  return 0;
}

// At activation the buttons are not visible yet; the style bit tells which ones the box keeps.
bool HasButton(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  return button && (GetWindowLongPtrA(button, GWL_STYLE) & WS_VISIBLE);
}

UINT ButtonsOf(HWND box) {
  const bool ok = HasButton(box, IDOK), cancel = HasButton(box, IDCANCEL);
  const bool yes = HasButton(box, IDYES), no = HasButton(box, IDNO), retry = HasButton(box, IDRETRY);
  if (yes && no) return cancel ? MB_YESNOCANCEL : MB_YESNO;
  if (retry && cancel) return MB_RETRYCANCEL;
  if (ok) return cancel ? MB_OKCANCEL : MB_OK;
  return 0xFFFF;  // anything else is not a box the program shows
}

}  // namespace

COLORREF BackgroundOf(HWND edit) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  SendMessageA(GetParent(edit), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(edit));
  return GetBkColor(dc.get());
}

namespace {

bool IsMarkedRed(HWND edit) { return BackgroundOf(edit) == RGB(255, 0, 0); }

int ButtonId(const std::string& answer) {
  if (answer == "OK") return IDOK;
  if (answer == "Cancel") return IDCANCEL;
  if (answer == "Yes") return IDYES;
  if (answer == "No") return IDNO;
  return 0;
}


const char* IconName(UINT icon) {
  switch (icon) {
    case MB_ICONINFORMATION: return "information";
    case MB_ICONWARNING: return "warning";
    case MB_ICONQUESTION: return "question";
    case MB_ICONERROR: return "error";
    default: return "no icon";
  }
}

const char* ButtonsName(UINT buttons) {
  switch (buttons) {
    case MB_OK: return "OK";
    case MB_OKCANCEL: return "OK/Cancel";
    case MB_YESNOCANCEL: return "Yes/No/Cancel";
    case MB_YESNO: return "Yes/No";
    case MB_RETRYCANCEL: return "Retry/Cancel";
    default: return "other buttons";
  }
}

}  // namespace

std::optional<ShownBox> RecordedBox::AsShownBox() const {
  if (!owned_by_form) return std::nullopt;
  const bool marks_field = marked_field != 0 && caption == kUnableToContinue;
  if (icon == MB_ICONWARNING && buttons == MB_OK) {
    return marks_field ? InputErrorBox(marked_field, text) : WarningBox(text, caption);
  }
  if (icon == MB_ICONWARNING && buttons == MB_OKCANCEL) {
    return marks_field ? MarkedQuestionBox(marked_field, text, answer) : OkCancelBox(text, caption, answer);
  }
  if (icon == MB_ICONQUESTION && buttons == MB_YESNOCANCEL) return YesNoCancelBox(text, caption, answer);
  if (icon == MB_ICONINFORMATION && buttons == MB_OK) return InformationBox(text, caption);
  return std::nullopt;
}

bool operator==(const RecordedBox& left, const RecordedBox& right) {
  return left.caption == right.caption && left.text == right.text && left.icon == right.icon &&
         left.buttons == right.buttons && left.owned_by_form == right.owned_by_form &&
         (left.owned_by_form || (left.owner == nullptr) == (right.owner == nullptr)) &&
         left.marked_field == right.marked_field &&
         left.answer == right.answer;
}

std::string FieldName(int field) { return field ? "Edit" + std::to_string(field) : "none"; }

std::string Describe(const RecordedBox& box) {
  std::string out = std::string(IconName(box.icon)) + " box, " + ButtonsName(box.buttons) + ", ";
  out += box.owned_by_form ? "owned by the main window" : (box.owner ? "owned by another window" : "ownerless");
  out += " [" + box.caption + "] \"" + VisibleText(box.text) + "\"";
  if (box.marked_field) out += " marking " + FieldName(box.marked_field);
  if (box.focused_field) out += " focus " + FieldName(box.focused_field);
  if (!box.cursor_was_normal) out += " (hourglass)";
  if (!box.answer.empty()) out += " -> " + box.answer;
  return out;
}

std::ostream& operator<<(std::ostream& out, const RecordedBox& box) { return out << Describe(box); }

RecordedBox OwnedBox(const std::string& text, const std::string& caption, UINT icon, UINT buttons,
                     const std::string& answer, int marked_field) {
  RecordedBox box;
  box.text = text;
  box.caption = caption;
  box.icon = icon;
  box.buttons = buttons;
  box.owned_by_form = true;
  box.marked_field = marked_field;
  box.answer = answer;
  return box;
}

RecordedBox ErrorBox(const std::string& text, const std::string& caption, bool owned_by_form) {
  RecordedBox box = OwnedBox(text, caption, MB_ICONERROR, MB_OK, "OK");
  box.owned_by_form = owned_by_form;
  box.cursor_was_normal = true;
  return box;
}

WindowHarness::WindowHarness() {
  if (g_harness) throw std::logic_error("one WindowHarness per thread");
  g_harness = this;
  hook_ = SetWindowsHookExA(WH_CBT, &WindowHarness::CbtProc, nullptr, GetCurrentThreadId());
  if (!hook_) throw std::runtime_error("cannot hook message boxes");
}

WindowHarness::~WindowHarness() {
  form_.reset();
  Pump();
  UnhookWindowsHookEx(hook_);
  g_harness = nullptr;
}

LRESULT CALLBACK WindowHarness::CbtProc(int code, WPARAM wparam, LPARAM lparam) {
  WindowHarness* self = g_harness;
  if (self) {
    HWND window = reinterpret_cast<HWND>(wparam);
    try {
      if (code == HCBT_ACTIVATE) self->OnActivate(window);
      if (code == HCBT_DESTROYWND) self->seen_.erase(window);
    } catch (...) {
      ADD_FAILURE() << "the harness failed while a box came up";
    }
  }
  return CallNextHookEx(self ? self->hook_ : nullptr, code, wparam, lparam);
}

void WindowHarness::OnActivate(HWND window) {
  // Under Wine the hook may also see other processes' dialogs.
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
  if (ClassOf(window) != "#32770") return;
  if (!seen_.insert(window).second) return;  // activated again, already answered
  if (IconOf(window) != 0 && GetDlgItem(window, kMessageTextId)) {
    AnswerMessageBox(window);
  } else if (dialog_handler_) {
    // A dialog finishes setting itself up (current folder, selection) after it has been activated:
    // the handler runs once the dialog's own loop is idle.
    pending_dialog_ = window;
    SetTimer(nullptr, 0, 1, &WindowHarness::DialogTimer);
  } else {
    ADD_FAILURE() << "unexpected dialog [" << WindowText(window) << "]";
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  }
}

void CALLBACK WindowHarness::DialogTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  WindowHarness* self = g_harness;
  if (!self || !self->pending_dialog_) return;
  HWND dialog = self->pending_dialog_;
  self->pending_dialog_ = nullptr;
  try {
    self->dialog_handler_(dialog);
  } catch (...) {
    ADD_FAILURE() << "the dialog handler failed";
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

void WindowHarness::AnswerMessageBox(HWND box) {
  RecordedBox record;
  record.caption = WindowText(box);
  record.text = WindowText(GetDlgItem(box, kMessageTextId));
  record.icon = IconOf(box);
  record.buttons = ButtonsOf(box);
  record.owner = GetWindow(box, GW_OWNER);
  // Form1, not form_: boxes of FormCreate come up before CreateMainForm has returned.
  TForm1* form = Form1;
  record.owned_by_form = record.owner && form && record.owner == form->Handle();
  if (form && form->Handle()) {
    HWND focus = GetFocus();
    for (const FieldControl& entry : kFieldControls) {
      HWND edit = form->EditOf(entry.field);
      if (IsMarkedRed(edit)) record.marked_field = static_cast<int>(entry.field);
      if (focus == edit) record.focused_field = static_cast<int>(entry.field);
    }
  }
  record.cursor_was_normal = GetCursor() != LoadCursor(nullptr, IDC_WAIT);
  record.form1_window = form ? form->Handle() : nullptr;
  record.form_was_enabled = form && form->Handle() && IsWindowEnabled(form->Handle());

  std::string answer = "OK";
  if (record.buttons != MB_OK) {
    if (answers_.empty()) {
      ADD_FAILURE() << "unscripted question: " << Describe(record);
      answer = "Cancel";
    } else {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  record.answer = answer;
  if (answer == "Escape") {
    // What the dialog manager does with Esc: IDCANCEL, with no button behind it.
    boxes_.push_back(record);
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (answer == "Close") {
    boxes_.push_back(record);
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  int id = ButtonId(answer);
  if (!id || !HasButton(box, id)) {
    ADD_FAILURE() << "no button \"" << answer << "\" on " << Describe(record);
    id = HasButton(box, IDCANCEL) ? IDCANCEL : IDOK;
  }
  record.answer = answer;
  boxes_.push_back(record);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

std::vector<ShownBox> WindowHarness::ShownBoxes() const {
  std::vector<ShownBox> shown;
  for (const RecordedBox& box : boxes_) {
    if (std::optional<ShownBox> as_shown = box.AsShownBox()) {
      shown.push_back(*as_shown);
    } else {
      ADD_FAILURE() << "not a box of the prompts: " << Describe(box);
    }
  }
  return shown;
}

void WindowHarness::Script(std::vector<std::string> answers) { answers_.assign(answers.begin(), answers.end()); }

TForm1& WindowHarness::CreateForm(int show_command) {
  if (form_) throw std::logic_error("the form is open already");
  form_ = CreateMainForm(GetModuleHandleA(nullptr));
  if (!form_) throw std::runtime_error("the main window could not be created");
  form_->Show(show_command);
  Pump();
  return *form_;
}

TForm1& WindowHarness::CreateFreshForm() {
  ResetUserRegistry();
  TForm1& form = CreateForm();
  ClearBoxes();
  return form;
}

bool WindowHarness::CloseForm() {
  SendMessageA(Window(), WM_CLOSE, 0, 0);
  Pump();
  if (form_->Handle()) return false;
  form_.reset();
  Pump();
  return true;
}

TForm1& WindowHarness::Form() const {
  if (!form_) throw std::logic_error("no form: call CreateForm first");
  return *form_;
}

HWND WindowHarness::Window() const { return Form().Handle(); }

HWND WindowHarness::Control(int id) const {
  HWND control = Form().Control(id);
  if (!control) throw std::logic_error("no control " + std::to_string(id));
  return control;
}

void WindowHarness::SetText(int id, const std::string& text) {
  SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string WindowHarness::Text(int id) const { return WindowText(Control(id)); }

void WindowHarness::Click(int id) {
  SendMessageA(Control(id), BM_CLICK, 0, 0);
  Pump();
}

void WindowHarness::RunCommand(int button, const std::vector<std::pair<int, std::string>>& typed,
                               std::vector<std::string> answers) {
  for (const auto& [id, text] : typed) SetText(id, text);
  Script(std::move(answers));
  Click(button);
  EXPECT_TRUE(ScriptUsedUp());
  EXPECT_FALSE(app_cursor::IsBusy());
  for (const auto& [id, text] : typed) EXPECT_EQ(Text(id), text) << "the edit of id " << id;
}

void WindowHarness::SetCheck(bool checked) {
  SendMessageA(Control(kCheckBox1), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool WindowHarness::Checked() const {
  return SendMessageA(Control(kCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void WindowHarness::SelectPage(int index) {
  SendMessageA(Control(kPageControl1), TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
  Pump();
}

void WindowHarness::PressKey(WPARAM key, bool shift, bool control) {
  BYTE saved[256] = {};
  GetKeyboardState(saved);
  BYTE pressed[256];
  CopyMemory(pressed, saved, sizeof pressed);
  pressed[VK_SHIFT] = shift ? 0x80 : 0;
  pressed[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(pressed);
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    MSG key_message{};
    key_message.hwnd = GetFocus();
    key_message.message = message;
    key_message.wParam = key;
    key_message.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
    if (!Form().PreTranslateMessage(key_message)) {
      TranslateMessage(&key_message);
      DispatchMessageA(&key_message);
    }
    Pump();
  }
  SetKeyboardState(saved);
}

void WindowHarness::Pump() {
  MSG message;
  for (int count = 0; count < 100000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++count) {
    if (message.message == WM_QUIT) continue;
    if (form_ && form_->Handle() && form_->PreTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}
