// A window's text as bytes, whatever its length.
#pragma once

#include <windows.h>

#include <string>

// The whole text of `window` through the "A" functions; empty for no window.
std::string WindowText(HWND window);
