#include "app/window_text.h"

#include <algorithm>

std::string WindowText(HWND window) {
  if (!window) return "";
  int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  length = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}
