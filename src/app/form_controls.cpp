// Z-order matters here: group boxes lie beneath what they frame, and the tab row beneath the pages
// and "About...", which overlap it.
#include "app/form_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "app/window_font.h"
#include "seams/app_error.h"

namespace {

constexpr char kPageClass[] = "TTabSheet";
constexpr int kFocusInset = 4;  // a bitmap button's focus rectangle inside its edge, at 96 DPI

struct KindClass {
  Kind kind;
  const char* window_class;
  DWORD ex_style;
  DWORD style;  // WS_TABSTOP follows IsTabStop
};

constexpr KindClass kKindClasses[] = {
    {Kind::GroupBox, "BUTTON", 0, BS_GROUPBOX | WS_CLIPSIBLINGS},
    {Kind::Label, "STATIC", 0, SS_LEFT | SS_NOPREFIX},
    {Kind::Edit, "EDIT", WS_EX_CLIENTEDGE, ES_AUTOHSCROLL},
    {Kind::BitBtn, "BUTTON", 0, BS_OWNERDRAW},
    {Kind::CheckBox, "BUTTON", 0, BS_AUTOCHECKBOX},
};

const KindClass& ClassOf(Kind kind) {
  return *std::find_if(std::begin(kKindClasses), std::end(kKindClasses),
                       [kind](const KindClass& entry) { return entry.kind == kind; });
}

// The pages are plain containers: what their controls tell them goes to the window.
LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
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

void SizeToText(HWND label, HFONT font, const char* text) {
  SIZE size{};
  {
    WindowDc dc(label);
    SelectedObject selected(dc.get(), font);
    GetTextExtentPoint32A(dc.get(), text, lstrlenA(text), &size);
  }
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, int icon) {
  WNDCLASSEXA window_class{};
  if (GetClassInfoExA(instance, name, &window_class)) return;
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  if (icon) {
    window_class.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(icon), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    window_class.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(icon), IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  }
  RegisterClassExA(&window_class);
}

HWND FormControls::CreateChild(HWND parent, int id, DWORD ex_style, const char* window_class, const char* caption,
                               DWORD style) {
  HWND child = CreateWindowExA(ex_style, window_class, caption, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(form_, GWLP_HINSTANCE)), nullptr);
  if (!child) throw AppError("Unable to create the window's controls");
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return child;
}

void FormControls::LoadGlyphs(HINSTANCE instance) {
  for (const ControlEntry& entry : kControls) {
    if (entry.glyph && !Glyph(entry.glyph)) {
      glyphs_.emplace_back(entry.glyph, std::make_unique<GlyphImage>(instance, GlyphResource(entry.glyph, scale_)));
    }
  }
}

const GlyphImage* FormControls::Glyph(int resource) const {
  for (const auto& [id, image] : glyphs_) {
    if (id == resource) return image.get();
  }
  return nullptr;
}

void FormControls::Build(HWND form, Scale scale) {
  form_ = form;
  scale_ = scale;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(form, GWLP_HINSTANCE));
  RegisterWindowClass(instance, kPageClass, PageProc, 0);
  font_ = MakeWindowFont(FW_NORMAL, FontHeight(scale_));
  bold_font_ = MakeWindowFont(FW_BOLD, FontHeight(scale_));
  LoadGlyphs(instance);

  page_control_ = CreateChild(form_, kPageControl1, 0, WC_TABCONTROLA, "",
                              WS_TABSTOP | WS_CLIPSIBLINGS | TCS_FIXEDWIDTH | TCS_HOTTRACK | TCS_FOCUSONBUTTONDOWN);
  SendMessageA(page_control_, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.get()), FALSE);
  for (int index = 0; index < kPageCount; ++index) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(kPageCaptions[index]);
    SendMessageA(page_control_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(page_control_, TCM_SETITEMSIZE, 0, MAKELPARAM(Scaled(kTabWidth, scale_), Scaled(kTabHeight, scale_)));

  // No WS_CLIPCHILDREN on the pages: group boxes do not paint their inside, the page does.
  for (int index = 0; index < kPageCount; ++index) {
    pages_[index] = CreateChild(form_, kPageIds[index], WS_EX_CONTROLPARENT, kPageClass, kPageCaptions[index],
                                WS_CLIPSIBLINGS);
  }

  std::vector<HWND> group_boxes;
  for (const ControlEntry& entry : kControls) {
    const KindClass& kind = ClassOf(entry.kind);
    HWND parent = entry.page == kOnWindow ? form_ : pages_[entry.page];
    HWND control = CreateChild(parent, entry.id, kind.ex_style, kind.window_class, entry.caption,
                               kind.style | (IsTabStop(entry.kind) ? WS_TABSTOP : 0));
    switch (entry.kind) {
      case Kind::GroupBox: group_boxes.push_back(control); break;
      case Kind::Label: SizeToText(control, font_.get(), entry.caption); break;
      case Kind::BitBtn: TreatDoubleClickAsClick(control); break;
      case Kind::Edit:
      case Kind::CheckBox: break;
    }
  }
  for (HWND group_box : group_boxes) {
    SetWindowPos(group_box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // Typing and pasting stop at 31 characters; text set by the program is not cut.
  SendMessageA(Control(kEdit5), EM_LIMITTEXT, kEdit5MaxTyped, 0);
  SetWindowPos(page_control_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void FormControls::Place(int width, int height) const {
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(page_control_, nullptr, 0, 0, width, height, flags);
  RECT page{0, 0, width, height};
  SendMessageA(page_control_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  const int page_width = std::max<int>(page.right - page.left, 0);
  const int page_height = std::max<int>(page.bottom - page.top, 0);
  for (HWND sheet : pages_) SetWindowPos(sheet, nullptr, page.left, page.top, page_width, page_height, flags);

  for (const ControlEntry& entry : kControls) {
    const ControlBox box = ControlRect(entry, entry.page == kOnWindow ? width : page_width, scale_);
    const UINT size_flag = box.width == 0 && box.height == 0 ? SWP_NOSIZE : 0;
    SetWindowPos(Control(entry.id), nullptr, box.left, box.top, box.width, box.height, flags | size_flag);
  }
}

HWND FormControls::Control(int id) const {
  if (id == kPageControl1) return page_control_;
  for (int index = 0; index < kPageCount; ++index) {
    if (kPageIds[index] == id) return pages_[index];
  }
  const ControlEntry* entry = FindControl(id);
  if (!entry || !form_) return nullptr;
  return GetDlgItem(entry->page == kOnWindow ? form_ : pages_[entry->page], id);
}

bool FormControls::DrawItem(const DRAWITEMSTRUCT& item) const {
  if (item.CtlType != ODT_BUTTON) return false;
  const ControlEntry* entry = FindControl(static_cast<int>(item.CtlID));
  if (!entry || entry->kind != Kind::BitBtn || Control(entry->id) != item.hwndItem) return false;
  DrawBitmapButton(item, Glyph(entry->glyph), Scaled(entry->spacing, scale_), Scaled(kFocusInset, scale_));
  return true;
}
