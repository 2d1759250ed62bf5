// Drives the running program for scripts/screenshots.sh from outside, as an automation tool
// would: answers the start-up "Install" box, selects a page by the tab control's id and prints
// the main window's rectangle as WIDTHxHEIGHT+LEFT+TOP; "close" closes the window.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kPageControl1 = 1301;

HWND WaitForMainWindow() {
  for (int attempt = 0; attempt < 300; ++attempt) {
    if (HWND install = FindWindowA("#32770", "Install")) PostMessageA(install, WM_COMMAND, IDOK, 0);
    HWND form = FindWindowA("TForm1", nullptr);
    if (form && IsWindowVisible(form) && IsWindowEnabled(form)) return form;
    Sleep(100);
  }
  return nullptr;
}
}  // namespace

int main(int argc, char** argv) {
  // The window is DPI-aware; so is its helper, or Wine would report it in 96-DPI coordinates.
  SetProcessDPIAware();
  HWND form = WaitForMainWindow();
  if (!form) {
    std::fprintf(stderr, "the main window did not appear\n");
    return 1;
  }
  if (argc == 2 && std::strcmp(argv[1], "close") == 0) {
    PostMessageA(form, WM_CLOSE, 0, 0);
    return 0;
  }
  if (argc != 3 || std::strcmp(argv[1], "page") != 0) {
    std::fprintf(stderr, "usage: screenshot-helper page INDEX | close\n");
    return 2;
  }
  SetCursorPos(0, 0);  // no hot-tracked tab under the pointer
  SendMessageA(GetDlgItem(form, kPageControl1), TCM_SETCURFOCUS, static_cast<WPARAM>(std::atoi(argv[2])), 0);
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(700);
  RECT rect{};
  GetWindowRect(form, &rect);
  std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
  return 0;
}
