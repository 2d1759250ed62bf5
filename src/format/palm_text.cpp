#include "format/palm_text.h"

#include <array>
#include <cstdint>

namespace palm {

namespace {

// 0x80-0x9F of Windows-1252; 0 where the code page defines no character. The rest of the upper
// half is Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The precomposed letters of the code page as base letter + combining mark.
struct Composition {
  char base;
  char32_t mark;
  unsigned char composed;
};
constexpr Composition kCompositions[] = {
    {'A', 0x300, 0xC0}, {'A', 0x301, 0xC1}, {'A', 0x302, 0xC2}, {'A', 0x303, 0xC3}, {'A', 0x308, 0xC4},
    {'A', 0x30A, 0xC5}, {'C', 0x327, 0xC7}, {'E', 0x300, 0xC8}, {'E', 0x301, 0xC9}, {'E', 0x302, 0xCA},
    {'E', 0x308, 0xCB}, {'I', 0x300, 0xCC}, {'I', 0x301, 0xCD}, {'I', 0x302, 0xCE}, {'I', 0x308, 0xCF},
    {'N', 0x303, 0xD1}, {'O', 0x300, 0xD2}, {'O', 0x301, 0xD3}, {'O', 0x302, 0xD4}, {'O', 0x303, 0xD5},
    {'O', 0x308, 0xD6}, {'U', 0x300, 0xD9}, {'U', 0x301, 0xDA}, {'U', 0x302, 0xDB}, {'U', 0x308, 0xDC},
    {'Y', 0x301, 0xDD}, {'a', 0x300, 0xE0}, {'a', 0x301, 0xE1}, {'a', 0x302, 0xE2}, {'a', 0x303, 0xE3},
    {'a', 0x308, 0xE4}, {'a', 0x30A, 0xE5}, {'c', 0x327, 0xE7}, {'e', 0x300, 0xE8}, {'e', 0x301, 0xE9},
    {'e', 0x302, 0xEA}, {'e', 0x308, 0xEB}, {'i', 0x300, 0xEC}, {'i', 0x301, 0xED}, {'i', 0x302, 0xEE},
    {'i', 0x308, 0xEF}, {'n', 0x303, 0xF1}, {'o', 0x300, 0xF2}, {'o', 0x301, 0xF3}, {'o', 0x302, 0xF4},
    {'o', 0x303, 0xF5}, {'o', 0x308, 0xF6}, {'u', 0x300, 0xF9}, {'u', 0x301, 0xFA}, {'u', 0x302, 0xFB},
    {'u', 0x308, 0xFC}, {'y', 0x301, 0xFD}, {'y', 0x308, 0xFF}, {'S', 0x30C, 0x8A}, {'s', 0x30C, 0x9A},
    {'Z', 0x30C, 0x8E}, {'z', 0x30C, 0x9E}, {'Y', 0x308, 0x9F},
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The next code point of `text` from `at`, or nullopt for bytes that are not well-formed UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  int extra = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - at <= static_cast<std::size_t>(extra)) return std::nullopt;
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  at += static_cast<std::size_t>(extra) + 1;
  return c;
}

std::optional<unsigned char> Windows1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

std::string PalmTextToUtf8(std::string_view text, char undefined) {
  std::string out;
  out.reserve(text.size());
  for (char byte : text) {
    const auto b = static_cast<unsigned char>(byte);
    char32_t c = b;
    if (b >= 0x80 && b < 0xA0) {
      c = kHighControls[b - 0x80];
      if (c == 0) {
        if (undefined != 0) {
          out += undefined;
          continue;
        }
        c = b;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::optional<std::string> Utf8ToPalmText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    std::optional<char32_t> c = NextCodePoint(text, at);
    if (!c) return std::nullopt;
    if (*c >= 0x300 && *c <= 0x36F) {
      // A combining mark joins the letter before it, when the code page has the pair as one letter.
      bool composed = false;
      if (!out.empty()) {
        for (const Composition& pair : kCompositions) {
          if (pair.base == out.back() && pair.mark == *c) {
            out.back() = static_cast<char>(pair.composed);
            composed = true;
            break;
          }
        }
      }
      if (!composed) return std::nullopt;
      continue;
    }
    std::optional<unsigned char> byte = Windows1252Byte(*c);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
  }
  return out;
}

std::u32string NtfsNameKey(std::string_view text) {
  std::u32string key;
  key.reserve(text.size());
  for (char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    char32_t point = c >= 0x80 && c <= 0x9F ? kHighControls[c - 0x80] : c;
    if (point == 0) point = c;  // an undefined byte stands for itself
    if ((point >= U'a' && point <= U'z') || (point >= 0xE0 && point <= 0xFE && point != 0xF7)) {
      point -= 0x20;
    } else if (point == 0xFF) {
      point = 0x178;
    } else if (point == 0xB5) {
      point = 0x39C;  // micro sign: Greek capital mu
    } else if (point == 0x161 || point == 0x153 || point == 0x17E) {
      --point;  // š, œ, ž
    } else if (point == 0x192) {
      point = 0x191;
    }
    key.push_back(point);
  }
  return key;
}

namespace {
constexpr char kNotInNames[] =
    "\\\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F";
}  // namespace

std::string Utf8NameFromText(const std::string& text) {
  std::string safe = text;
  for (char& c : safe) {
    if (static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  return PalmTextToUtf8(safe, '_');
}

std::optional<std::string> RecordTextFromUtf8Name(const std::string& utf8_name) {
  std::optional<std::string> name = Utf8ToPalmText(utf8_name);
  if (name && name->find_first_of(kNotInNames) != std::string::npos) return std::nullopt;
  return name;
}

const char* UnholdableNameReason(const std::string& utf8_name) {
  if (utf8_name.find('\\') != std::string::npos) return kNameWithBackslash;
  if (utf8_name.find_first_of(kNotInNames + 1) != std::string::npos) return kNameWithControl;
  return "Windows-1252 cannot hold this name";
}

}  // namespace palm
