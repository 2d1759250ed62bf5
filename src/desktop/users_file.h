// The Palm Desktop software's user list, users.dat, read from its bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Names, folders and the last user name live in 32-byte buffers with a closing zero byte.
inline constexpr std::size_t kUserTextBufferSize = 32;
inline constexpr std::size_t kUserTextMaxLength = kUserTextBufferSize - 1;

struct UserEntry {
  std::uint16_t user_value = 0;  // the record's first two bytes as they lie in memory; not interpreted
  std::string user_name;         // up to its first zero byte, at most kUserTextMaxLength characters
  std::string folder_name;       // the same limits; a subdirectory of the installation directory

  bool operator==(const UserEntry&) const = default;
};

struct UsersList {
  std::vector<UserEntry> users;
  std::int32_t last_user_index = 0;  // the last user whose name equals the last user name; 0 when none
};

// Reads every user record of a users.dat image. `last_user_name` is compared byte for byte, case
// included. Raises InOutError(kReadBeyondEndOfFile) when the image ends before a byte it needs.
UsersList ParseUsersFile(std::span<const std::uint8_t> image, std::string_view last_user_name);
