// TRegIniFile: sections and identifiers of text values below one key of the current user's registry.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "seams/registry.h"

// A registry integer: blanks first, then a signed decimal inside the 32-bit range, or "$", "x" or
// "0x" and hexadecimal digits taken as a 32-bit pattern. nullopt for anything else.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// Lives for one load or one save. Each read and write opens its section subkey for that operation.
class TRegIniFile {
 public:
  // Opens key_path with full access, creating what is missing. When that fails nothing is reported
  // and the sections are taken directly under current_user, as a plain registry INI store does.
  TRegIniFile(RegistryKey& current_user, const std::string& key_path);
  TRegIniFile(const TRegIniFile&) = delete;
  TRegIniFile& operator=(const TRegIniFile&) = delete;

  // Raise AppError "Invalid data type for '<ident>'" for a stored value that is not text.
  std::string ReadString(const std::string& section, const std::string& ident, const std::string& default_value);
  std::int32_t ReadInteger(const std::string& section, const std::string& ident, std::int32_t default_value);
  bool ReadBool(const std::string& section, const std::string& ident, bool default_value);

  // Raise AppError "Failed to create key <section>" or "Failed to set data for '<ident>'".
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);

 private:
  RegistryKey& Key() { return key_ ? *key_ : root_; }

  RegistryKey& root_;
  std::unique_ptr<RegistryKey> key_;
};
