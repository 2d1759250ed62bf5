// The registry INI store: reading and writing text values, and the integer form they take.
#include "settings/reg_ini_file.h"

#include <algorithm>
#include <vector>

#include "seams/app_error.h"

namespace {

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

// Digits only, at least one, the value not above limit.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    int digit = DigitValue(c, base);
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  return value;
}

std::string TextOf(const RegistryValue& value) {
  auto end = std::find(value.data.begin(), value.data.end(), std::uint8_t{0});
  return std::string(value.data.begin(), end);
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  text.remove_prefix(start);

  std::size_t hex_prefix = 0;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') hex_prefix = 1;
  else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) hex_prefix = 2;
  if (hex_prefix != 0) {
    auto value = ParseDigits(text.substr(hex_prefix), 16, 0xFFFFFFFFu);
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
  }

  bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  auto value = ParseDigits(text, 10, limit);
  if (!value) return std::nullopt;
  std::int64_t signed_value = negative ? -static_cast<std::int64_t>(*value) : static_cast<std::int64_t>(*value);
  return static_cast<std::int32_t>(signed_value);
}

TRegIniFile::TRegIniFile(RegistryKey& current_user, const std::string& key_path)
    : root_(current_user), key_(current_user.CreateSubKey(key_path)) {}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& default_value) {
  std::unique_ptr<RegistryKey> section_key = Key().OpenSubKey(section, RegistryAccess::All);
  if (!section_key) return default_value;
  std::optional<RegistryValue> value = section_key->QueryValue(ident);
  if (!value) return default_value;
  // An empty value is empty text whatever its type claims.
  if (value->data.empty()) return std::string();
  if (value->type != kRegSz && value->type != kRegExpandSz) {
    throw AppError("Invalid data type for '" + ident + "'");
  }
  return TextOf(*value);
}

std::int32_t TRegIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                      std::int32_t default_value) {
  std::string text = ReadString(section, ident, std::string());
  return ParseInteger(text).value_or(default_value);
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool default_value) {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  if (!Key().CreateSubKey(section)) throw AppError("Failed to create key " + section);
  std::unique_ptr<RegistryKey> section_key = Key().OpenSubKey(section, RegistryAccess::All);
  if (!section_key) return;
  std::vector<std::uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  if (!section_key->SetValue(ident, kRegSz, data)) {
    throw AppError("Failed to set data for '" + ident + "'");
  }
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, std::int32_t value) {
  WriteString(section, ident, std::to_string(value));
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}
