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

// UTF-8 text for a terminal line: C0 controls, DEL and the C1 controls (U+0080 to U+009F) as "_".
inline std::string PrintableUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out += '_';
      ++i;
    } else {
      out += IsControl(text[i]) ? '_' : text[i];
    }
  }
  return out;
}
