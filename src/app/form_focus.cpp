// TForm1's focus and keyboard: the tab order of the table, Ctrl+Tab between pages, Enter on a
// button, and the focus coming back to its control when the window is activated again.
#include <algorithm>

#include "app/form_layout.h"
#include "app/unit1.h"

namespace {

bool IsFocusable(HWND window) { return window && IsWindowVisible(window) && IsWindowEnabled(window); }

}  // namespace

std::vector<HWND> TForm1::TabStops() const {
  std::vector<HWND> stops;
  if (IsFocusable(controls_.PageControl())) stops.push_back(controls_.PageControl());
  const int selected = SelectedPage();
  for (const ControlEntry& entry : kControls) {
    if ((entry.page != selected && entry.page != kOnWindow) || !IsTabStop(entry.kind)) continue;
    HWND control = Control(entry.id);
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

void TForm1::FocusControl(HWND control) {
  SetFocus(control);
  saved_focus_ = control;
}

void TForm1::RestoreFocus() {
  HWND target = saved_focus_;
  if (!IsWindow(target) || !IsFocusable(target) || !IsChild(handle_, target)) target = controls_.PageControl();
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
        SelectPage(SelectedPage() == 0 ? 1 : 0);
      } else {
        MoveFocus(!shift);
      }
      return true;
    case VK_RETURN: {
      // Enter presses the focused button; elsewhere it does nothing (no default button).
      HWND focus = GetFocus();
      const ControlEntry* entry = focus ? FindControl(GetDlgCtrlID(focus)) : nullptr;
      if (entry && entry->kind == Kind::BitBtn && Control(entry->id) == focus) SendMessageA(focus, BM_CLICK, 0, 0);
      return true;
    }
    case VK_ESCAPE:
      return true;  // no cancel button
    default:
      return false;
  }
}
