// The Palm Desktop software's user list, users.dat, read from its bytes in memory.
#include "desktop/users_file.h"

#include <cstring>

#include "format/byte_cursor.h"
#include "seams/app_error.h"

namespace {

constexpr std::size_t kUserCountOffset = 0;
constexpr std::size_t kFirstRecordOffset = 13;
constexpr std::size_t kNameLengthOffset = 4;  // from the record's first byte
constexpr std::uint8_t kMarkerFirst = 0x01;
constexpr std::uint8_t kMarkerSecond = 0x80;

// The text up to the first zero byte, as a zero-terminated buffer would hold it.
std::string_view UpToZero(std::span<const std::uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return text.substr(0, text.find('\0'));
}

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

// A length byte and that many bytes. The whole text is read so that the position stays right;
// only what fits the 32-byte buffer is kept.
std::string_view ReadText(ByteCursor& cursor) {
  std::uint8_t length = cursor.Byte();
  return UpToZero(cursor.Bytes(length));
}

std::string Kept(std::string_view text) { return std::string(text.substr(0, kUserTextMaxLength)); }

// Passes over bytes up to and including 0x01 0x80. A 0x01 always takes the next byte as its
// partner, so in 0x01 0x01 0x80 the 0x80 does not end the scan.
void SkipToMarker(ByteCursor& cursor) {
  for (;;) {
    if (cursor.Byte() != kMarkerFirst) continue;
    if (cursor.Byte() == kMarkerSecond) return;
  }
}

UsersList ParseUsers(std::span<const std::uint8_t> image, std::string_view last_user_name) {
  const std::string_view wanted = UpToZero(last_user_name);
  ByteCursor cursor(image);
  cursor.Seek(kUserCountOffset);
  const std::uint8_t count = cursor.Byte();

  UsersList list;
  list.users.reserve(count);
  std::size_t record = kFirstRecordOffset;
  for (std::uint8_t index = 0; index < count; ++index) {
    UserEntry entry;
    cursor.Seek(record);
    std::span<const std::uint8_t> value = cursor.Bytes(sizeof entry.user_value);
    std::memcpy(&entry.user_value, value.data(), sizeof entry.user_value);

    cursor.Seek(record + kNameLengthOffset);
    // Matched on the name as the file holds it, so a long name never matches by its first part.
    std::string_view name = ReadText(cursor);
    if (name == wanted) list.last_user_index = index;
    entry.user_name = Kept(name);
    entry.folder_name = Kept(ReadText(cursor));
    cursor.Byte();  // present in every record, meaning unknown

    list.users.push_back(std::move(entry));
    if (index + 1 < count) {
      SkipToMarker(cursor);
      record = cursor.Position();
    }
  }
  return list;
}

}  // namespace

UsersList ParseUsersFile(std::span<const std::uint8_t> image, std::string_view last_user_name) {
  try {
    return ParseUsers(image, last_user_name);
  } catch (const OutsideImage&) {
    // As reading the file itself would have failed there.
    throw InOutError(kReadBeyondEndOfFile);
  }
}
