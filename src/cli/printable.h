// Text from a database or a directory reaches the terminal: a control character in it must not
// move the cursor, clear the screen or set the title.
#pragma once

#include <string>
#include <string_view>

inline bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// `text` with every control character, line breaks included, as "_".
inline std::string WithoutControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (IsControl(c)) c = '_';
  }
  return out;
}
