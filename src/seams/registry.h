// The seam to the current user's registry: keys, and values as type and raw bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

struct RegistryValue {
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> data;  // as stored, a REG_SZ with its closing zero byte
};

enum class RegistryAccess { Read, All };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;  // closes the key
  // nullptr when the subkey cannot be opened (missing or refused).
  virtual std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, RegistryAccess access) = 0;
  // Opens or creates the subkey with every missing key on its path; nullptr on failure.
  virtual std::unique_ptr<RegistryKey> CreateSubKey(const std::string& path) = 0;
  // nullopt when the value is absent or cannot be read.
  virtual std::optional<RegistryValue> QueryValue(const std::string& name) = 0;
  virtual bool SetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) = 0;
};

// HKEY_CURRENT_USER of the platform's registry (Windows only).
std::unique_ptr<RegistryKey> OpenCurrentUserKey();
