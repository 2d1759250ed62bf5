#include "listing/file_names.h"

#include "format/palm_text.h"

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
  return palm::PalmTextToUtf8(safe, '_');
}

std::optional<std::string> RecordTextFromUtf8Name(const std::string& utf8_name) {
  std::optional<std::string> name = palm::Utf8ToPalmText(utf8_name);
  if (name && name->find_first_of(kNotInNames) != std::string::npos) return std::nullopt;
  return name;
}

const char* UnholdableNameReason(const std::string& utf8_name) {
  if (utf8_name.find('\\') != std::string::npos) return kNameWithBackslash;
  if (utf8_name.find_first_of(kNotInNames + 1) != std::string::npos) return kNameWithControl;
  return "Windows-1252 cannot hold this name";
}
