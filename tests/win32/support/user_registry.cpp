// Every key goes through UniqueKey, so a failed assertion never leaves one open.
#include "win32/support/user_registry.h"

#include <gtest/gtest.h>

#include "win32/handles.h"

namespace {

UniqueKey OpenUserKey(const std::string& path, REGSAM access) {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, key.out()) != ERROR_SUCCESS) key.release();
  return key;
}

UniqueKey CreateKey(const std::string& path, DWORD options) {
  UniqueKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, key.out(),
                      nullptr) != ERROR_SUCCESS) {
    key.release();  // nothing was opened
  }
  return key;
}

// RegDeleteTree needs a newer Windows than the program targets.
void DeleteTree(HKEY parent, const std::string& path) {
  {
    UniqueKey key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) return;
    DWORD skipped = 0;
    for (;;) {
      char name[256] = {};
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key.get(), skipped, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DeleteTree(key.get(), name);
      UniqueKey still;
      if (RegOpenKeyExA(key.get(), name, 0, KEY_READ, still.out()) == ERROR_SUCCESS) ++skipped;  // could not go
    }
  }
  RegDeleteKeyA(parent, path.c_str());
}

}  // namespace

bool CreateUserKey(const std::string& path, DWORD options) { return static_cast<bool>(CreateKey(path, options)); }

void SetUserValue(const std::string& path, const std::string& name, DWORD type, const std::string& bytes) {
  UniqueKey key = CreateKey(path, REG_OPTION_NON_VOLATILE);
  ASSERT_TRUE(key) << "cannot create " << path;
  const LONG result = RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size()));
  EXPECT_EQ(result, ERROR_SUCCESS) << path << " " << name;
}

void SetUserText(const std::string& path, const std::string& name, const std::string& text) {
  SetUserValue(path, name, REG_SZ, text + '\0');
}

void DeleteUserValue(const std::string& path, const std::string& name) {
  UniqueKey key = OpenUserKey(path, KEY_ALL_ACCESS);
  ASSERT_TRUE(key) << path;
  RegDeleteValueA(key.get(), name.c_str());
}

bool UserKeyExists(const std::string& path) { return static_cast<bool>(OpenUserKey(path, KEY_READ)); }

int UserSubkeyCount(const std::string& path) {
  UniqueKey key = OpenUserKey(path, KEY_READ);
  if (!key) return -1;
  DWORD subkeys = 0;
  RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  return static_cast<int>(subkeys);
}

std::optional<StoredValue> ReadUserValue(const std::string& path, const std::string& name) {
  UniqueKey key = OpenUserKey(path, KEY_READ);
  if (!key) return std::nullopt;
  StoredValue stored;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &stored.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  stored.bytes.resize(size);
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &stored.type, reinterpret_cast<BYTE*>(stored.bytes.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  stored.bytes.resize(size);
  return stored;
}

void DeleteUserKey(const std::string& path) { DeleteTree(HKEY_CURRENT_USER, path); }

void ResetUserRegistry() {
  DeleteUserKey(kSettingsKey);
  DeleteUserKey("Software\\U.S. Robotics");
  DeleteUserKey("Software\\Palm Computing");
}

void SetSetting(const std::string& section, const std::string& name, DWORD type, const std::string& bytes) {
  SetUserValue(std::string(kSettingsKey) + "\\" + section, name, type, bytes);
}

void SetSettingText(const std::string& section, const std::string& name, const std::string& text) {
  SetSetting(section, name, REG_SZ, text + '\0');
}

void SetSettingTexts(const std::string& section, const std::vector<std::string>& names,
                     const std::vector<std::string>& texts) {
  ASSERT_EQ(names.size(), texts.size());
  for (std::size_t i = 0; i < names.size(); ++i) SetSettingText(section, names[i], texts[i]);
}

std::string SettingText(const std::string& section, const std::string& name) {
  const std::optional<StoredValue> stored = ReadUserValue(std::string(kSettingsKey) + "\\" + section, name);
  if (!stored) return "<absent>";
  if (stored->type != REG_SZ || stored->bytes.empty() || stored->bytes.back() != '\0') return "<not text>";
  return stored->bytes.substr(0, stored->bytes.size() - 1);
}

std::vector<std::string> SettingTexts(const std::string& section, const std::vector<std::string>& names) {
  std::vector<std::string> texts;
  for (const std::string& name : names) texts.push_back(SettingText(section, name));
  return texts;
}
