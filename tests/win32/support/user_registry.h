// The current user's registry for the Windows tests: planting keys and values as another program
// would leave them, reading back what the program stored, and clearing it all again.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct StoredValue {
  DWORD type = 0;
  std::string bytes;  // as stored, a REG_SZ with its closing zero
};

// Creates the key with every missing parent; false when that fails.
[[nodiscard]] bool CreateUserKey(const std::string& path, DWORD options = REG_OPTION_NON_VOLATILE);
// Stores `bytes` exactly, as a value of `type`, creating the key; fails the test when that fails.
void SetUserValue(const std::string& path, const std::string& name, DWORD type, const std::string& bytes);
// A REG_SZ of `text` with its closing zero.
void SetUserText(const std::string& path, const std::string& name, const std::string& text);
void DeleteUserValue(const std::string& path, const std::string& name);

bool UserKeyExists(const std::string& path);
// The number of subkeys; -1 when the key is missing.
int UserSubkeyCount(const std::string& path);
// nullopt when the key or the value is missing.
std::optional<StoredValue> ReadUserValue(const std::string& path, const std::string& name);

// Deletes a key of the current user with everything below it; nothing when it is missing.
void DeleteUserKey(const std::string& path);
// Removes the settings key and the Palm Desktop keys of the current user, so that a start is a
// first start on a machine without Palm Desktop.
void ResetUserRegistry();

// The program's settings key, and its values by section and name: planted as an earlier run or
// another program would leave them, and read back as text.
inline constexpr char kSettingsKey[] = "Software\\Veltro\\Carillo2";
void SetSetting(const std::string& section, const std::string& name, DWORD type, const std::string& bytes);
void SetSettingText(const std::string& section, const std::string& name, const std::string& text);
// SetSettingText of each of `names` of one section with the text at the same place of `texts`.
void SetSettingTexts(const std::string& section, const std::vector<std::string>& names,
                     const std::vector<std::string>& texts);
// The text of a REG_SZ without its closing zero; "<absent>", or "<not text>" for a value of another
// type or a text without its zero.
std::string SettingText(const std::string& section, const std::string& name);
// SettingText of each of `names` of one section, in order.
std::vector<std::string> SettingTexts(const std::string& section, const std::vector<std::string>& names);
