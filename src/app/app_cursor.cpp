// One flag for the one GUI thread: there is no other thread to share it with.
#include "app/app_cursor.h"

namespace app_cursor {
namespace {
bool g_busy = false;
}

void SetBusy() {
  g_busy = true;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void SetNormal() {
  g_busy = false;
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

bool IsBusy() { return g_busy; }

bool OnSetCursor() {
  if (!g_busy) return false;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  return true;
}

}  // namespace app_cursor
