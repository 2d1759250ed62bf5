#include "format/palm_database.h"

#include <algorithm>
#include <cstring>

#include "format/byte_order.h"

namespace palm {

namespace {
constexpr std::uint8_t kMidiRecordSignature[4] = {'P', 'M', 'r', 'c'};
constexpr std::uint8_t kMidiFileTag[4] = {'M', 'T', 'h', 'd'};
constexpr char kDatabaseType[4] = {'s', 'm', 'f', 'r'};
constexpr char kDatabaseCreator[4] = {'Q', 's', 'n', 'd'};

// The value's bytes as they lie in memory: the fields are stored pre-swapped.
template <typename T>
void StoreRaw(std::uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
T LoadRaw(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
}  // namespace

std::array<std::uint8_t, kHeaderSize> BuildHeader(std::string_view name, std::uint32_t palm_date,
                                                  std::uint16_t record_count) {
  std::array<std::uint8_t, kHeaderSize> header{};
  std::copy_n(name.begin(), std::min(name.size(), kMaxNameLength), header.begin());
  StoreRaw(&header[kAttributesOffset], SwapWord(kBackupFlag));
  StoreRaw(&header[kCreationDateOffset], palm_date);
  StoreRaw(&header[kModificationDateOffset], palm_date);
  std::memcpy(&header[kTypeOffset], kDatabaseType, 4);
  std::memcpy(&header[kCreatorOffset], kDatabaseCreator, 4);
  StoreRaw(&header[kRecordCountOffset], SwapWord(record_count));
  return header;
}

std::array<std::uint8_t, kRecordEntrySize> BuildRecordEntry(std::uint32_t record_offset) {
  std::array<std::uint8_t, kRecordEntrySize> entry{};
  StoreRaw(&entry[0], SwapLong(record_offset));
  entry[kRecordAttributesOffset] = kDirtyRecord;
  return entry;
}

std::array<std::uint8_t, kRecordHeadSize> BuildRecordHead(std::size_t name_length) {
  std::array<std::uint8_t, kRecordHeadSize> head{};
  std::memcpy(head.data(), kMidiRecordSignature, 4);
  head[kDataOffsetOffset] = static_cast<std::uint8_t>(name_length + kRecordNameOffset + 1);
  return head;
}

DatabaseReader::DatabaseReader(std::span<const std::uint8_t> image) : image_(image) {}

bool DatabaseReader::HasHeader() const { return image_.size() >= kHeaderSize; }

std::uint16_t DatabaseReader::Attributes() const {
  return SwapWord(LoadRaw<std::uint16_t>(&image_[kAttributesOffset]));
}

bool DatabaseReader::IsResourceDatabase() const { return (Attributes() & kResourceDatabaseFlag) != 0; }

std::uint16_t DatabaseReader::RecordCount() const {
  return SwapWord(LoadRaw<std::uint16_t>(&image_[kRecordCountOffset]));
}

bool DatabaseReader::RecordListFits() const {
  return HasHeader() && kHeaderSize + kRecordEntrySize * RecordCount() <= image_.size();
}

std::uint32_t DatabaseReader::RecordOffset(std::uint16_t index) const {
  return SwapLong(LoadRaw<std::uint32_t>(&image_[kHeaderSize + kRecordEntrySize * index]));
}

RecordExtent DatabaseReader::Extent(std::uint16_t index) const {
  // Signed 32-bit arithmetic as the layout defines it; 64 bits here so nothing overflows.
  auto offset = static_cast<std::int32_t>(RecordOffset(index));
  std::int64_t end = index + 1 < RecordCount() ? static_cast<std::int32_t>(RecordOffset(index + 1))
                                               : static_cast<std::int64_t>(image_.size());
  std::int64_t length = end - offset;
  if (length > INT32_MAX || length < INT32_MIN) length = -1;  // cannot describe a real record
  return {offset, static_cast<std::int32_t>(length)};
}

RecordContents DatabaseReader::ReadRecord(RecordExtent extent) const {
  RecordContents contents;
  if (extent.offset < 0 || extent.length < 0 ||
      static_cast<std::uint64_t>(extent.offset) + static_cast<std::uint64_t>(extent.length) > image_.size()) {
    return contents;  // Unreadable: the record does not lie inside the file
  }
  std::span<const std::uint8_t> record =
      image_.subspan(static_cast<std::size_t>(extent.offset), static_cast<std::size_t>(extent.length));
  if (record.size() < sizeof kMidiRecordSignature) return contents;
  if (!std::equal(record.begin(), record.begin() + 4, kMidiRecordSignature)) {
    contents.status = RecordStatus::NotMidiRecord;
    return contents;
  }
  contents.status = RecordStatus::Damaged;  // until the name, data offset and tune are found inside
  if (record.size() <= kRecordNameOffset) return contents;

  auto name_begin = record.begin() + kRecordNameOffset;
  auto name_end = std::find(name_begin, record.end(), std::uint8_t{0});
  contents.name.assign(name_begin, name_end);
  if (name_end == record.end()) return contents;  // the name has no NUL inside the record

  std::size_t data_offset = record[kDataOffsetOffset];
  if (data_offset + sizeof kMidiFileTag > record.size()) return contents;
  if (!std::equal(kMidiFileTag, kMidiFileTag + 4, record.begin() + static_cast<std::ptrdiff_t>(data_offset))) {
    contents.status = RecordStatus::WrongMidiFormat;
    return contents;
  }
  contents.status = RecordStatus::Midi;
  contents.tune = record.subspan(data_offset);
  return contents;
}

}  // namespace palm
