// The main window: controls built from the layout table, anchors, pages, focus and keyboard,
// the prompts as message boxes, the busy-cursor bracket and the event handlers.
#include "app/unit1.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <exception>
#include <new>

#include "app/app_cursor.h"
#include "app/form_layout.h"
#include "app/resource.h"
#include "app/settings_adapter.h"
#include "app/window_text.h"
#include "commands/compile_command.h"
#include "commands/extract_command.h"
#include "desktop/palm_user_data.h"
#include "seams/app_error.h"
#include "seams/clock.h"
#include "seams/file_system.h"
#include "seams/paths.h"
#include "seams/registry.h"

TForm1* Form1 = nullptr;

namespace {

constexpr char kFormClass[] = "TForm1";
constexpr char kPageClass[] = "TTabSheet";
constexpr COLORREF kMarkedColor = RGB(255, 0, 0);

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
    "Version 2.0\r\n"
    "Copyright (c) Veltro. Free to use and to pass on.\r\n"
    "Questions and suggestions: carillo@veltro.example\r\n"
    "\r\n"
    "How do I install phone ringtones and alarms on my handheld?\r\n"
    "See the questions and answers of Jinglo: http://www.veltro.example/jinglo/faq.html";
constexpr char kSourceDirectoryInstruction[] = "Use MIDI files from:";
constexpr char kDestinationDirectoryInstruction[] = "Extract MIDI files to:";

// The faces tried for the window font, in order; the last resort is the system's GUI font.
constexpr const char* kFontFaces[] = {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma"};

int CALLBACK NoteFontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontExists(const char* face) {
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExA(screen, &wanted, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// The face the system really draws its GUI font with; its name may be an alias such as
// "MS Shell Dlg".
void SystemGuiFace(char (&face)[LF_FACESIZE]) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ old_font = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
  GetTextFaceA(screen, LF_FACESIZE, face);
  SelectObject(screen, old_font);
  ReleaseDC(nullptr, screen);
}

HFONT MakeWindowFont(int weight) {
  LOGFONTA font{};
  SystemGuiFace(font.lfFaceName);
  for (const char* face : kFontFaces) {
    if (FontExists(face)) {
      lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
      break;
    }
  }
  font.lfHeight = -kFontHeight;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  return CreateFontIndirectA(&font);
}

void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, bool with_icon) {
  WNDCLASSEXA window_class{};
  if (GetClassInfoExA(instance, name, &window_class)) return;
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  if (with_icon) {
    window_class.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CARILLO), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    window_class.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CARILLO), IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  }
  RegisterClassExA(&window_class);
}

bool IsFocusable(HWND window) { return window && IsWindowVisible(window) && IsWindowEnabled(window); }

}  // namespace

TForm1::TForm1()
    : OpenDialog1(TFileDialog::Kind::Open, "Extract MIDI files from:"),
      SaveDialog1(TFileDialog::Kind::Save, "Compile MIDI files to:") {}

TForm1::~TForm1() {
  if (handle_) DestroyWindow(handle_);
  if (font_) DeleteObject(font_);
  if (bold_font_) DeleteObject(bold_font_);
  if (marked_brush_) DeleteObject(marked_brush_);
  if (Form1 == this) Form1 = nullptr;
}

bool TForm1::Create(HINSTANCE instance) {
  RegisterWindowClass(instance, kFormClass, &TForm1::WndProc, true);
  RegisterWindowClass(instance, kPageClass, &TForm1::PageProc, false);
  font_ = MakeWindowFont(FW_NORMAL);
  bold_font_ = MakeWindowFont(FW_BOLD);
  marked_brush_ = CreateSolidBrush(kMarkedColor);
  for (const ControlSpec& spec : kControls) {
    if (spec.glyph && !Glyph(spec.glyph)) glyphs_.emplace_back(spec.glyph, std::make_unique<GlyphImage>(instance, spec.glyph));
  }

  CreateWindowExA(WS_EX_CONTROLPARENT, kFormClass, kApplicationTitle,
                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                  CW_USEDEFAULT, CW_USEDEFAULT, kFormWidth, kFormHeight, nullptr, nullptr, instance, this);
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
    form->ReportException(std::current_exception());
    return 0;
  }
}

// The pages are plain containers: what their controls tell them goes to the window.
LRESULT CALLBACK TForm1::PageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return SendMessageA(GetParent(window), message, wparam, lparam);
    default:
      return DefWindowProcA(window, message, wparam, lparam);
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
        ReportException(std::current_exception());
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
      if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
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

HWND TForm1::CreateChild(HWND parent, int id, DWORD ex_style, const char* window_class, const char* caption,
                         DWORD style) {
  HWND child = CreateWindowExA(ex_style, window_class, caption, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(handle_, GWLP_HINSTANCE)), nullptr);
  if (!child) throw AppError("Unable to create the window's controls");
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return child;
}

void TForm1::OnCreate() {
  page_control_ = CreateChild(handle_, kPageControl1, 0, WC_TABCONTROLA, "",
                              WS_TABSTOP | WS_CLIPSIBLINGS | TCS_FIXEDWIDTH | TCS_HOTTRACK | TCS_FOCUSONBUTTONDOWN);
  SendMessageA(page_control_, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_), FALSE);
  for (int index = 0; index < kPageCount; ++index) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(kPageCaptions[index]);
    SendMessageA(page_control_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(page_control_, TCM_SETITEMSIZE, 0, MAKELPARAM(kTabWidth, kTabHeight));
  // TCM_SETCURSEL from outside (automation) tells nobody; the page shown must follow it anyway.
  tab_control_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      page_control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::TabControlProc)));

  // No WS_CLIPCHILDREN on the pages: group boxes do not paint their inside, the page does.
  for (int index = 0; index < kPageCount; ++index) {
    pages_[index] = CreateChild(handle_, kPageIds[index], WS_EX_CONTROLPARENT, kPageClass,
                                kPageCaptions[index], WS_CLIPSIBLINGS);
  }

  std::vector<HWND> group_boxes;
  for (const ControlSpec& spec : kControls) {
    HWND parent = spec.page == kOnWindow ? handle_ : pages_[spec.page];
    switch (spec.kind) {
      case Kind::GroupBox:
        group_boxes.push_back(CreateChild(parent, spec.id, 0, "BUTTON", spec.caption, BS_GROUPBOX | WS_CLIPSIBLINGS));
        break;
      case Kind::Label: {
        HWND label = CreateChild(parent, spec.id, 0, "STATIC", spec.caption, SS_LEFT | SS_NOPREFIX);
        HDC dc = GetDC(label);
        HGDIOBJ old_font = SelectObject(dc, font_);
        SIZE size{};
        GetTextExtentPoint32A(dc, spec.caption, lstrlenA(spec.caption), &size);
        SelectObject(dc, old_font);
        ReleaseDC(label, dc);
        SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      }
      case Kind::Edit:
        CreateChild(parent, spec.id, WS_EX_CLIENTEDGE, "EDIT", spec.caption, WS_TABSTOP | ES_AUTOHSCROLL);
        break;
      case Kind::CheckBox:
        CreateChild(parent, spec.id, 0, "BUTTON", spec.caption, WS_TABSTOP | BS_AUTOCHECKBOX);
        break;
      case Kind::BitBtn:
        TreatDoubleClickAsClick(CreateChild(parent, spec.id, 0, "BUTTON", spec.caption, WS_TABSTOP | BS_OWNERDRAW));
        break;
    }
  }
  // Group boxes lie beneath what they frame.
  for (HWND group_box : group_boxes) {
    SetWindowPos(group_box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // Typing and pasting stop at 31 characters; text set by the program is not cut.
  SendMessageA(Control(kEdit5), EM_LIMITTEXT, kEdit5MaxTyped, 0);
  // The tab control lies beneath the pages and "About...", which overlap it.
  SetWindowPos(page_control_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  // As designed, the second page is selected; FormCreate chooses the page to open with.
  SelectPage(1);
  RECT client{};
  GetClientRect(handle_, &client);
  OnSize(client.right, client.bottom);
}

void TForm1::OnSize(int width, int height) {
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(page_control_, nullptr, 0, 0, width, height, flags);
  RECT page{0, 0, width, height};
  SendMessageA(page_control_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  const int page_width = std::max<int>(page.right - page.left, 0);
  const int page_height = std::max<int>(page.bottom - page.top, 0);
  for (HWND sheet : pages_) SetWindowPos(sheet, nullptr, page.left, page.top, page_width, page_height, flags);

  for (const ControlSpec& spec : kControls) {
    const ControlBox box = ControlRect(spec, spec.page == kOnWindow ? width : page_width, Scale{});
    // The table gives labels no size: they keep their text's.
    const UINT size_flag = box.width == 0 && box.height == 0 ? SWP_NOSIZE : 0;
    SetWindowPos(Control(spec.id), nullptr, box.left, box.top, box.width, box.height, flags | size_flag);
  }
}

void TForm1::OnGetMinMaxInfo(MINMAXINFO& info) const {
  info.ptMinTrackSize.x = kMinFormWidth;
  info.ptMinTrackSize.y = kFormHeight;
  info.ptMaxTrackSize.y = kFormHeight;
  info.ptMaxSize.y = kFormHeight;
}

// ---- Controls ----

HWND TForm1::Control(int id) const {
  if (!handle_) return nullptr;
  if (id == kPageControl1) return page_control_;
  for (int index = 0; index < kPageCount; ++index) {
    if (kPageIds[index] == id) return pages_[index];
  }
  const ControlSpec* spec = FindControl(id);
  if (!spec) return nullptr;
  return GetDlgItem(spec->page == kOnWindow ? handle_ : pages_[spec->page], id);
}

HWND TForm1::EditOf(Field field) const { return Control(FieldControlId(field)); }

std::string TForm1::FieldText(Field field) const { return WindowText(EditOf(field)); }

void TForm1::SetFieldText(Field field, const std::string& text) { SetWindowTextA(EditOf(field), text.c_str()); }

bool TForm1::Smf0Only() const { return SendMessageA(Control(kCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm1::SetSmf0Only(bool checked) {
  SendMessageA(Control(kCheckBox1), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TForm1::SelectedPage() const {
  return static_cast<int>(SendMessageA(page_control_, TCM_GETCURSEL, 0, 0));
}

void TForm1::SelectPage(int index) {
  if (index < 0 || index >= kPageCount) index = -1;
  SendMessageA(page_control_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TForm1::ShowSelectedPage() {
  const int selected = SelectedPage();
  HWND focus = GetFocus();
  for (int index = 0; index < kPageCount; ++index) {
    if (index == selected) continue;
    // A field on a page that goes away cannot keep the focus; the tab row takes it.
    if (focus && IsChild(pages_[index], focus)) SetFocus(page_control_);
    if (saved_focus_ && IsChild(pages_[index], saved_focus_)) saved_focus_ = nullptr;
  }
  if (selected >= 0) ShowWindow(pages_[selected], SW_SHOWNA);
  for (int index = 0; index < kPageCount; ++index) {
    if (index != selected) ShowWindow(pages_[index], SW_HIDE);
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

// ---- Focus and keyboard ----

std::vector<HWND> TForm1::TabStops() const {
  std::vector<HWND> stops;
  if (IsFocusable(page_control_)) stops.push_back(page_control_);
  const int selected = SelectedPage();
  for (const ControlSpec& spec : kControls) {
    if ((spec.page != selected && spec.page != kOnWindow) || !IsTabStop(spec.kind)) continue;
    HWND control = Control(spec.id);
    if (IsFocusable(control)) stops.push_back(control);
  }
  return stops;
}

void TForm1::MoveFocus(bool forward) {
  const std::vector<HWND> stops = TabStops();
  if (stops.empty()) return;
  const auto current = std::find(stops.begin(), stops.end(), GetFocus());
  std::size_t next = forward ? 0 : stops.size() - 1;
  if (current != stops.end()) {
    const std::size_t index = static_cast<std::size_t>(current - stops.begin());
    next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
  }
  HWND target = stops[next];
  SetFocus(target);
  // As in dialogs, a field reached with Tab has its text selected.
  char window_class[16] = {};
  GetClassNameA(target, window_class, sizeof window_class);
  if (lstrcmpiA(window_class, "EDIT") == 0) SendMessageA(target, EM_SETSEL, 0, -1);
}

void TForm1::RestoreFocus() {
  HWND target = saved_focus_;
  if (!IsWindow(target) || !IsFocusable(target) || !IsChild(handle_, target)) target = page_control_;
  if (target) SetFocus(target);
}

void TForm1::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(handle_, focus)) saved_focus_ = focus;
    return;
  }
  if (!IsIconic(handle_)) RestoreFocus();
}

bool TForm1::PreTranslateMessage(const MSG& message) {
  if (!handle_ || message.message != WM_KEYDOWN) return false;
  if (message.hwnd != handle_ && !IsChild(handle_, message.hwnd)) return false;
  if (!IsWindowEnabled(handle_)) return false;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  switch (message.wParam) {
    case VK_TAB:
      if (GetKeyState(VK_MENU) < 0) return false;
      if (control) {
        const int selected = SelectedPage();
        SendMessageA(page_control_, TCM_SETCURSEL, selected == 0 ? 1 : 0, 0);
      } else {
        MoveFocus(!shift);
      }
      return true;
    case VK_RETURN: {
      // Enter presses the focused button; elsewhere it does nothing (no default button).
      HWND focus = GetFocus();
      const ControlSpec* spec = focus ? FindControl(GetDlgCtrlID(focus)) : nullptr;
      if (spec && spec->kind == Kind::BitBtn && Control(spec->id) == focus) SendMessageA(focus, BM_CLICK, 0, 0);
      return true;
    }
    case VK_ESCAPE:
      return true;  // no cancel button
    default:
      return false;
  }
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
  if (header.hwndFrom == page_control_ && header.code == static_cast<UINT>(TCN_SELCHANGE)) ShowSelectedPage();
}

bool TForm1::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  const ControlSpec* spec = FindControl(static_cast<int>(item.CtlID));
  if (!spec || spec->kind != Kind::BitBtn || Control(spec->id) != item.hwndItem) return false;
  DrawBitmapButton(item, Glyph(spec->glyph), spec->spacing);
  return true;
}

const GlyphImage* TForm1::Glyph(int resource) const {
  for (const auto& [id, image] : glyphs_) {
    if (id == resource) return image.get();
  }
  return nullptr;
}

LRESULT TForm1::OnCtlColorEdit(HDC dc, HWND edit) {
  if (edit && edit == marked_edit_) {
    SetBkColor(dc, kMarkedColor);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(marked_brush_);
  }
  return DefWindowProcA(handle_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
}

void TForm1::OnClose() {
  try {
    FormClose();
  } catch (...) {
    // Settings that cannot be saved keep the window open; the next close tries again.
    ReportException(std::current_exception());
    return;
  }
  DestroyWindow(handle_);
}

// ---- Asking and reporting ----

int TForm1::ShowBox(const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxA(handle_, text.c_str(), caption.c_str(), flags);
}

void TForm1::MarkField(HWND edit, bool marked) {
  marked_edit_ = marked ? edit : nullptr;
  InvalidateRect(edit, nullptr, TRUE);
}

void TForm1::ShowInputError(Field field, const std::string& message) {
  HWND edit = EditOf(field);
  MarkField(edit, true);
  SetFocus(edit);
  saved_focus_ = edit;
  ShowBox(message, kUnableToContinue, MB_OK | MB_ICONWARNING);
  MarkField(edit, false);
}

bool TForm1::AskMarkedQuestion(Field field, const std::string& question) {
  HWND edit = EditOf(field);
  MarkField(edit, true);
  SetFocus(edit);
  saved_focus_ = edit;
  const int answer = ShowBox(question, kUnableToContinue, MB_OKCANCEL | MB_ICONWARNING);
  MarkField(edit, false);
  return answer == IDOK;
}

void TForm1::ShowWarning(const std::string& text, const std::string& caption) {
  ShowBox(text, caption, MB_OK | MB_ICONWARNING);
}

bool TForm1::AskOkCancel(const std::string& text, const std::string& caption) {
  return ShowBox(text, caption, MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

Answer TForm1::AskYesNoCancel(const std::string& text, const std::string& caption) {
  switch (ShowBox(text, caption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    default: return Answer::Cancel;
  }
}

void TForm1::ShowInformation(const std::string& text, const std::string& caption) {
  ShowBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

void TForm1::ShowErrorReport(const std::string& message) {
  MessageBoxA(handle_, GeneralErrorText(message).c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

void TForm1::ReportException(std::exception_ptr failure) noexcept {
  app_cursor::SetNormal();
  try {
    try {
      std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
      ShowErrorReport("Out of memory");
    } catch (const std::exception& error) {
      ShowErrorReport(error.what());
    } catch (...) {
      ShowErrorReport("Unexpected failure");
    }
  } catch (...) {
    // Not even the report could be shown (no memory left for its text); the program goes on.
  }
}

void TForm1::RunBusy(const std::function<void()>& command) {
  SetFocus(page_control_);
  app_cursor::SetBusy();
  try {
    command();
  } catch (...) {
    ReportException(std::current_exception());
    return;
  }
  app_cursor::SetNormal();
}

// ---- Event handlers ----

void TForm1::FormCreate() {
  try {
    TFormSettings settings(*this);
    LoadFormSettings(*OpenCurrentUserKey(), settings);
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TForm1::FormClose() {
  TFormSettings settings(*this);
  SaveFormSettings(*OpenCurrentUserKey(), settings);
}

void TForm1::FindDefaultBackupPath(std::string& Path) {
  std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
  const ShowErrorBox show_error_box = [](const std::string& text, const std::string& caption) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  };
  ::FindDefaultBackupPath(*OpenCurrentUserKey(), *files, show_error_box, Path);
}

void TForm1::BitBtn3Click() {
  RunBusy([this] {
    ExtractInputs inputs{FieldText(Field::Edit1), FieldText(Field::Edit2)};
    std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
    ExtractCommand command(*this, *files, std::move(inputs));
    if (command.CheckExtractInputs()) command.ExtractDatabase();
  });
}

void TForm1::BitBtn6Click() {
  RunBusy([this] {
    CompileInputs inputs{FieldText(Field::Edit3), FieldText(Field::Edit4), FieldText(Field::Edit5), Smf0Only()};
    std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
    std::unique_ptr<Clock> clock = MakePlatformClock();
    CompileCommand command(*this, *files, *clock, std::move(inputs));
    if (command.CheckCompileInputs()) command.CompileDatabase();
  });
}

void TForm1::BrowseForFile(TFileDialog& dialog, Field field) {
  if (dialog.Execute(handle_, ExtractFilePath(FieldText(field)))) SetFieldText(field, dialog.FileName());
}

void TForm1::BrowseForDirectory(Field field, const char* instruction) {
  if (std::optional<std::string> path = BrowseForFolder(handle_, instruction, FieldText(field))) {
    SetFieldText(field, *path);
  }
}

void TForm1::BitBtn1Click() { BrowseForFile(OpenDialog1, Field::Edit1); }

void TForm1::BitBtn2Click() { BrowseForDirectory(Field::Edit2, kDestinationDirectoryInstruction); }

void TForm1::BitBtn4Click() { BrowseForDirectory(Field::Edit3, kSourceDirectoryInstruction); }

void TForm1::BitBtn5Click() { BrowseForFile(SaveDialog1, Field::Edit4); }

void TForm1::BitBtn7Click() { ShowInformation(kDatabaseNameHelp, kDatabaseNameHelpCaption); }

void TForm1::BitBtn8Click() { ShowInformation(kSmf0Help, kSmf0HelpCaption); }

void TForm1::BitBtn9Click() { ShowInformation(kAboutText, kApplicationTitle); }

// ---- Start-up ----

std::unique_ptr<TForm1> CreateMainForm(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  // The folder browser is a shell object and wants a single-threaded apartment.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto form = std::make_unique<TForm1>();
  Form1 = form.get();
  if (!form->Create(instance)) return nullptr;
  return form;
}
