// The application-wide cursor: while a command works, every window of the program shows the
// hourglass, wherever the mouse is over it.
#pragma once

#include <windows.h>

namespace app_cursor {

void SetBusy();    // the hourglass, at once and on every WM_SETCURSOR until SetNormal
void SetNormal();  // the arrow, at once
bool IsBusy();
// For WM_SETCURSOR of the program's top-level windows: true when it set the cursor.
bool OnSetCursor();

}  // namespace app_cursor
