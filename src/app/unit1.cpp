// The main window: window procedure, pages, focus and keyboard, and the event handlers.
#include "app/unit1.h"

#include <commctrl.h>

#include <utility>

#include "app/app_cursor.h"
#include "app/form_layout.h"
#include "app/resource.h"
#include "app/settings_adapter.h"
#include "app/window_text.h"
#include "carillo_version.h"
#include "commands/compile_command.h"
#include "commands/extract_command.h"
#include "desktop/palm_user_data.h"
#include "seams/paths.h"
#include "win32/handles.h"

TForm1* Form1 = nullptr;

namespace {

constexpr char kFormClass[] = "TForm1";

constexpr char kDatabaseNameHelpCaption[] = "Palm database name";
constexpr char kDatabaseNameHelp[] =
    "The name you enter here must be a unique database name on your handheld.\r\n\r\n"
    "If the name is not unique and you install the database to your handheld, the\r\n"
    "other database will be completely overwritten.";
constexpr char kSmf0HelpCaption[] = "SMF0 only";
constexpr char kSmf0Help[] =
    "Most Palm OS handhelds recognize only the SMF0 MIDI subformat, so\r\n"
    "it is usually pointless to include the non-SMF0 files in your compilation.";
constexpr char kAboutText[] =
    "Version " CARILLO_RELEASE_TEXT "\r\n"
    "Copyright (c) Veltro. Free to use and to pass on.\r\n"
    "Questions and suggestions: carillo@veltro.example\r\n"
    "\r\n"
    "How do I install phone ringtones and alarms on my handheld?\r\n"
    "See the questions and answers of Jinglo: http://www.veltro.example/jinglo/faq.html";
constexpr char kSourceDirectoryInstruction[] = "Use MIDI files from:";
constexpr char kDestinationDirectoryInstruction[] = "Extract MIDI files to:";

}  // namespace

TForm1::TForm1(Platform platform)
    : platform_(std::move(platform)),
      OpenDialog1(TFileDialog::Kind::Open, "Extract MIDI files from:"),
      SaveDialog1(TFileDialog::Kind::Save, "Compile MIDI files to:") {}

TForm1::~TForm1() {
  if (handle_) DestroyWindow(handle_);
  if (Form1 == this) Form1 = nullptr;
}

bool TForm1::Create(HINSTANCE instance) {
  RegisterWindowClass(instance, kFormClass, &TForm1::WndProc, IDI_CARILLO);
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
  // The system DPI holds for the process's life; the frame at that DPI is the system's.
  {
    WindowDc screen;
    scale_ = ScaleForDpi(GetDeviceCaps(screen.get(), LOGPIXELSY));
  }
  RECT frame{};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  size_ = FormSizeAt(scale_, frame.right - frame.left, frame.bottom - frame.top);
  CreateWindowExA(kExStyle, kFormClass, kApplicationTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, size_.width,
                  size_.height, nullptr, nullptr, instance, this);
  if (!handle_) return false;
  FormCreate();
  return true;
}

void TForm1::Show(int show_command) {
  if (open_maximized_) show_command = SW_SHOWMAXIMIZED;
  ShowWindow(handle_, show_command);
  UpdateWindow(handle_);
  shown_ = true;
  if (minimize_when_shown_) PostMessageA(handle_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

// ---- Window procedures ----

LRESULT CALLBACK TForm1::WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  TForm1* form = nullptr;
  if (message == WM_NCCREATE) {
    form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    form->handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (!form) return DefWindowProcA(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    form->handle_ = nullptr;
    return DefWindowProcA(window, message, wparam, lparam);
  }
  // No exception may cross Windows' own frames: whatever a handler raises ends here.
  try {
    return form->HandleMessage(message, wparam, lparam);
  } catch (...) {
    form->prompts_.ReportException(std::current_exception());
    return 0;
  }
}

LRESULT CALLBACK TForm1::TabControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(GetParent(window), GWLP_USERDATA));
  if (!form) return DefWindowProcA(window, message, wparam, lparam);
  LRESULT result = CallWindowProcA(form->tab_control_proc_, window, message, wparam, lparam);
  if (message == TCM_SETCURSEL) form->ShowSelectedPage();
  return result;
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      // A window without its controls is no use: creation fails, and the start-up with it.
      try {
        OnCreate();
      } catch (...) {
        prompts_.ReportException(std::current_exception());
        return -1;
      }
      return 0;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) OnSize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
      return 0;
    case WM_DRAWITEM:
      if (controls_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      break;
    case WM_CTLCOLOREDIT:
      return OnCtlColorEdit(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_SETCURSOR:
      if (app_cursor::OnSetCursor()) return TRUE;
      break;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0);
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_SYSCOMMAND:
      // A box of FormCreate ("Install", an error report) runs a message loop before the window
      // has appeared; a minimise request posted by the load must wait for the first showing.
      if ((wparam & 0xFFF0) == SC_MINIMIZE && !shown_) {
        minimize_when_shown_ = true;
        return 0;
      }
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, message, wparam, lparam);
}

// ---- Building and laying out ----

void TForm1::OnCreate() {
  controls_.Build(handle_, scale_);
  // TCM_SETCURSEL from outside (automation) tells nobody; the page shown must follow it anyway.
  tab_control_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      controls_.PageControl(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::TabControlProc)));
  // As designed, the second page is selected; FormCreate chooses the page to open with.
  SelectPage(1);
  RECT client{};
  GetClientRect(handle_, &client);
  OnSize(client.right, client.bottom);
}

void TForm1::OnSize(int width, int height) { controls_.Place(width, height); }

void TForm1::OnGetMinMaxInfo(MINMAXINFO& info) const {
  info.ptMinTrackSize.x = size_.min_width;
  info.ptMinTrackSize.y = size_.height;
  info.ptMaxTrackSize.y = size_.height;
  info.ptMaxSize.y = size_.height;
}

// ---- Controls ----

HWND TForm1::Control(int id) const { return handle_ ? controls_.Control(id) : nullptr; }

HWND TForm1::EditOf(Field field) const { return Control(FieldControlId(field)); }

std::string TForm1::FieldText(Field field) const { return WindowText(EditOf(field)); }

void TForm1::SetFieldText(Field field, const std::string& text) { SetWindowTextA(EditOf(field), text.c_str()); }

bool TForm1::Smf0Only() const { return SendMessageA(Control(kCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm1::SetSmf0Only(bool checked) {
  SendMessageA(Control(kCheckBox1), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TForm1::SelectedPage() const {
  return static_cast<int>(SendMessageA(controls_.PageControl(), TCM_GETCURSEL, 0, 0));
}

void TForm1::SelectPage(int index) {
  if (index < 0 || index >= kPageCount) index = -1;
  SendMessageA(controls_.PageControl(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TForm1::ShowSelectedPage() {
  const int selected = SelectedPage();
  HWND focus = GetFocus();
  for (int index = 0; index < kPageCount; ++index) {
    if (index == selected) continue;
    // A field on a page that goes away cannot keep the focus; the tab row takes it.
    if (focus && IsChild(controls_.Page(index), focus)) SetFocus(controls_.PageControl());
    if (saved_focus_ && IsChild(controls_.Page(index), saved_focus_)) saved_focus_ = nullptr;
  }
  if (selected >= 0) ShowWindow(controls_.Page(selected), SW_SHOWNA);
  for (int index = 0; index < kPageCount; ++index) {
    if (index != selected) ShowWindow(controls_.Page(index), SW_HIDE);
  }
}

WindowState TForm1::State() const {
  if (IsIconic(handle_)) return WindowState::Minimized;
  if (IsZoomed(handle_) || (open_maximized_ && !IsWindowVisible(handle_))) return WindowState::Maximized;
  return WindowState::Normal;
}

bool TForm1::IsActiveWindow() const { return handle_ && GetActiveWindow() == handle_ && !IsIconic(handle_); }

void TForm1::RequestMaximized() {
  open_maximized_ = true;
  if (IsWindowVisible(handle_)) ShowWindow(handle_, SW_MAXIMIZE);
}

// ---- Messages from the controls ----

void TForm1::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case kBitBtn1: BitBtn1Click(); break;
    case kBitBtn2: BitBtn2Click(); break;
    case kBitBtn3: BitBtn3Click(); break;
    case kBitBtn4: BitBtn4Click(); break;
    case kBitBtn5: BitBtn5Click(); break;
    case kBitBtn6: BitBtn6Click(); break;
    case kBitBtn7: BitBtn7Click(); break;
    case kBitBtn8: BitBtn8Click(); break;
    case kBitBtn9: BitBtn9Click(); break;
    default: break;
  }
}

void TForm1::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == controls_.PageControl() && header.code == static_cast<UINT>(TCN_SELCHANGE)) ShowSelectedPage();
}

LRESULT TForm1::OnCtlColorEdit(HDC dc, HWND edit) {
  if (HBRUSH marked = prompts_.MarkedFieldBrush(dc, edit)) return reinterpret_cast<LRESULT>(marked);
  return DefWindowProcA(handle_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
}

void TForm1::OnClose() {
  try {
    FormClose();
  } catch (...) {
    // Settings that cannot be saved keep the window open; the next close tries again.
    prompts_.ReportException(std::current_exception());
    return;
  }
  DestroyWindow(handle_);
}

// ---- Browsing ----

void TForm1::BrowseForFile(TFileDialog& dialog, Field field) {
  if (dialog.Execute(handle_, ExtractFilePath(FieldText(field)))) SetFieldText(field, dialog.FileName());
}

void TForm1::BrowseForDirectory(Field field, const char* instruction) {
  if (std::optional<std::string> path = BrowseForFolder(handle_, instruction, FieldText(field))) {
    SetFieldText(field, *path);
  }
}

// ---- Event handlers ----

void TForm1::FormCreate() {
  try {
    TFormSettings settings(*this);
    LoadFormSettings(*platform_.current_user, settings);
  } catch (...) {
    prompts_.ReportException(std::current_exception());
  }
}

void TForm1::FormClose() {
  TFormSettings settings(*this);
  SaveFormSettings(*platform_.current_user, settings);
}

void TForm1::FindDefaultBackupPath(std::string& Path) {
  const ShowErrorBox show_error_box = [](const std::string& text, const std::string& caption) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  };
  ::FindDefaultBackupPath(*platform_.current_user, *platform_.files, show_error_box, Path);
}

void TForm1::BitBtn1Click() { BrowseForFile(OpenDialog1, Field::Edit1); }

void TForm1::BitBtn2Click() { BrowseForDirectory(Field::Edit2, kDestinationDirectoryInstruction); }

void TForm1::BitBtn3Click() {
  RunBusy([this] {
    ExtractInputs inputs{FieldText(Field::Edit1), FieldText(Field::Edit2)};
    ExtractCommand command(prompts_, *platform_.files, std::move(inputs));
    if (command.CheckExtractInputs()) command.ExtractDatabase();
  });
}

void TForm1::BitBtn4Click() { BrowseForDirectory(Field::Edit3, kSourceDirectoryInstruction); }

void TForm1::BitBtn5Click() { BrowseForFile(SaveDialog1, Field::Edit4); }

void TForm1::BitBtn6Click() {
  RunBusy([this] {
    CompileInputs inputs{{FieldText(Field::Edit3)}, FieldText(Field::Edit4), FieldText(Field::Edit5), Smf0Only()};
    CompileCommand command(prompts_, *platform_.files, *platform_.clock, std::move(inputs));
    if (command.CheckCompileInputs()) command.CompileDatabase();
  });
}

void TForm1::BitBtn7Click() { ShowInformation(kDatabaseNameHelp, kDatabaseNameHelpCaption); }

void TForm1::BitBtn8Click() { ShowInformation(kSmf0Help, kSmf0HelpCaption); }

void TForm1::BitBtn9Click() { ShowInformation(kAboutText, kApplicationTitle); }
