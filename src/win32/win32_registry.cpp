// RegistryKey over the Win32 registry.
#include <windows.h>

#include <utility>

#include "seams/registry.h"
#include "win32/handles.h"

namespace {

class Win32RegistryKey : public RegistryKey {
 public:
  // A predefined key such as HKEY_CURRENT_USER, which is never closed.
  explicit Win32RegistryKey(HKEY predefined) : key_(predefined) {}
  explicit Win32RegistryKey(UniqueKey opened) : key_(opened.get()), owned_(std::move(opened)) {}

  std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, RegistryAccess access) override {
    HKEY sub = nullptr;
    REGSAM sam = access == RegistryAccess::All ? KEY_ALL_ACCESS : KEY_READ;
    if (RegOpenKeyExA(key_, path.c_str(), 0, sam, &sub) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(UniqueKey(sub));
  }

  std::unique_ptr<RegistryKey> CreateSubKey(const std::string& path) override {
    HKEY sub = nullptr;
    if (RegCreateKeyExA(key_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &sub,
                        nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(UniqueKey(sub));
  }

  std::optional<RegistryValue> QueryValue(const std::string& name) override {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    // The value may grow between the two calls; ask again with the size it then reports.
    for (int attempt = 0; attempt < 4; ++attempt) {
      RegistryValue value;
      value.data.resize(size);
      DWORD got = size;
      LONG result = RegQueryValueExA(key_, name.c_str(), nullptr, &type, value.data.data(), &got);
      if (result == ERROR_MORE_DATA) {
        size = got;
        continue;
      }
      if (result != ERROR_SUCCESS) return std::nullopt;
      value.type = type;
      value.data.resize(got);
      return value;
    }
    return std::nullopt;
  }

  bool SetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    return RegSetValueExA(key_, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) ==
           ERROR_SUCCESS;
  }

 private:
  HKEY key_;
  UniqueKey owned_;  // empty for a predefined key
};

}  // namespace

std::unique_ptr<RegistryKey> OpenCurrentUserKey() {
  return std::make_unique<Win32RegistryKey>(HKEY_CURRENT_USER);
}
