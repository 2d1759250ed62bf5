// Builds users.dat images byte by byte for the tests of the Palm Desktop user lookup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct UserRecordImage {
  // `trailer`: the bytes after the ignored byte; nullopt gives 0x00 0x01 0x80 between records and
  // nothing after the last one.
  UserRecordImage(std::string user_name, std::string folder_name, std::uint8_t low = 0x34,
                  std::uint8_t high = 0x12, std::uint8_t ignored_byte = 0x00,
                  std::optional<std::vector<std::uint8_t>> after = std::nullopt)
      : name(std::move(user_name)),
        folder(std::move(folder_name)),
        value_low(low),
        value_high(high),
        ignored(ignored_byte),
        trailer(std::move(after)) {}

  std::string name;
  std::string folder;
  std::uint8_t value_low;   // the record's first two bytes, in file order
  std::uint8_t value_high;
  std::uint8_t ignored;     // the byte after the folder name
  std::optional<std::vector<std::uint8_t>> trailer;
};

// Count byte, 12 unread header bytes, then the records. The unread bytes are 0x01 0x80 pairs so
// that a reader scanning them for the marker would go wrong.
inline std::vector<std::uint8_t> UsersFileImage(const std::vector<UserRecordImage>& users,
                                                std::optional<std::uint8_t> count = std::nullopt) {
  std::vector<std::uint8_t> bytes;
  bytes.push_back(count ? *count : static_cast<std::uint8_t>(users.size()));
  for (int i = 0; i < 6; ++i) {
    bytes.push_back(0x01);
    bytes.push_back(0x80);
  }
  for (std::size_t i = 0; i < users.size(); ++i) {
    const UserRecordImage& user = users[i];
    bytes.push_back(user.value_low);
    bytes.push_back(user.value_high);
    bytes.push_back(0x01);  // two unread bytes
    bytes.push_back(0x80);
    bytes.push_back(static_cast<std::uint8_t>(user.name.size()));
    bytes.insert(bytes.end(), user.name.begin(), user.name.end());
    bytes.push_back(static_cast<std::uint8_t>(user.folder.size()));
    bytes.insert(bytes.end(), user.folder.begin(), user.folder.end());
    bytes.push_back(user.ignored);
    if (user.trailer) {
      bytes.insert(bytes.end(), user.trailer->begin(), user.trailer->end());
    } else if (i + 1 < users.size()) {
      bytes.insert(bytes.end(), {0x00, 0x01, 0x80});
    }
  }
  return bytes;
}
