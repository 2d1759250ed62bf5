// Building the Palm MIDI database layout, and reading it, on bytes in memory.
#include "format/palm_database.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "format/byte_cursor.h"
#include "format/byte_order.h"

namespace palm {

namespace {
constexpr std::uint8_t kMidiRecordSignature[4] = {'P', 'M', 'r', 'c'};
constexpr std::uint8_t kMidiFileTag[4] = {'M', 'T', 'h', 'd'};

bool Matches(std::span<const std::uint8_t> bytes, const std::uint8_t (&tag)[4]) {
  return std::equal(bytes.begin(), bytes.end(), std::begin(tag), std::end(tag));
}
}  // namespace

std::array<std::uint8_t, kHeaderSize> BuildHeader(std::string_view name, std::uint32_t palm_date,
                                                  std::uint16_t record_count) {
  std::array<std::uint8_t, kHeaderSize> header{};
  std::copy_n(name.begin(), std::min(name.size(), kMaxNameLength), header.begin());
  StoreBig16(At<2>(header, kAttributesOffset), kBackupFlag);
  // The date comes byte-reversed, to be stored as it lies in memory; turned back and stored
  // big-endian it gives those bytes here, and the right ones on any host.
  StoreBig32(At<4>(header, kCreationDateOffset), SwapLong(palm_date));
  StoreBig32(At<4>(header, kModificationDateOffset), SwapLong(palm_date));
  std::copy_n(kMidiSoundType, 4, At<4>(header, kTypeOffset).begin());
  std::copy_n(kMidiSoundCreator, 4, At<4>(header, kCreatorOffset).begin());
  StoreBig16(At<2>(header, kRecordCountOffset), record_count);
  return header;
}

std::array<std::uint8_t, kRecordEntrySize> BuildRecordEntry(std::uint32_t record_offset) {
  std::array<std::uint8_t, kRecordEntrySize> entry{};
  StoreBig32(At<4>(entry, 0), record_offset);
  entry[kRecordAttributesOffset] = kDirtyRecord;
  return entry;
}

std::array<std::uint8_t, kRecordHeadSize> BuildRecordHead(std::size_t name_length) {
  std::array<std::uint8_t, kRecordHeadSize> head{};
  std::copy(std::begin(kMidiRecordSignature), std::end(kMidiRecordSignature), At<4>(head, 0).begin());
  head[kDataOffsetOffset] = static_cast<std::uint8_t>(name_length + kRecordNameOffset + 1);
  return head;
}

std::string NotADatabaseReason(std::span<const std::uint8_t> image) {
  if (image.size() < kHeaderSize) return "too short for a database header";
  if (Matches(image.first<4>(), kMidiFileTag)) return "a MIDI file: compile or convert it";
  const auto name = image.first<kNameFieldSize>();
  const auto name_end = std::find(name.begin(), name.end(), std::uint8_t{0});
  if (name_end == name.end() || std::any_of(name.begin(), name_end, [](std::uint8_t c) { return c < 0x20; })) {
    return "no name";
  }
  const auto type_and_creator = image.subspan<kTypeOffset, 8>();
  if (std::any_of(type_and_creator.begin(), type_and_creator.end(),
                  [](std::uint8_t c) { return c < 0x20 || c > 0x7E; })) {
    return "type and creator are not text";
  }
  const DatabaseReader reader(image);
  if (reader.IsResourceDatabase()) return "";  // its list holds other entries
  if (!reader.RecordListFits()) return "record list past the end";
  if (reader.RecordCount() > 0) {
    const std::uint64_t first = reader.RecordOffset(0);
    // A last record may be empty and end the file, so a first one may start at its very end.
    if (first < kHeaderSize + std::uint64_t{kRecordEntrySize} * reader.RecordCount() || first > image.size()) {
      return "records outside the file";
    }
  }
  return "";
}

DatabaseReader::DatabaseReader(std::span<const std::uint8_t> image) : image_(image) {}

bool DatabaseReader::HasHeader() const { return image_.size() >= kHeaderSize; }

std::uint16_t DatabaseReader::Attributes() const { return ByteCursor(image_, kAttributesOffset).Big16(); }

std::string DatabaseReader::Name() const {
  std::span<const std::uint8_t> field = ByteCursor(image_).Bytes(kNameFieldSize);
  return std::string(field.begin(), std::find(field.begin(), field.end(), std::uint8_t{0}));
}

std::uint16_t DatabaseReader::Version() const { return ByteCursor(image_, kVersionOffset).Big16(); }

std::uint32_t DatabaseReader::CreationDate() const { return ByteCursor(image_, kCreationDateOffset).Big32(); }

std::uint32_t DatabaseReader::ModificationDate() const { return ByteCursor(image_, kModificationDateOffset).Big32(); }

std::string DatabaseReader::Type() const {
  std::span<const std::uint8_t> type = ByteCursor(image_, kTypeOffset).Bytes(4);
  return std::string(type.begin(), type.end());
}

std::string DatabaseReader::Creator() const {
  std::span<const std::uint8_t> creator = ByteCursor(image_, kCreatorOffset).Bytes(4);
  return std::string(creator.begin(), creator.end());
}

bool DatabaseReader::IsResourceDatabase() const { return (Attributes() & kResourceDatabaseFlag) != 0; }

bool DatabaseReader::IsMidiSoundDatabase() const { return HasHeader() && Type() == kMidiSoundType; }

std::uint16_t DatabaseReader::RecordCount() const { return ByteCursor(image_, kRecordCountOffset).Big16(); }

bool DatabaseReader::RecordListFits() const {
  return HasHeader() && kHeaderSize + kRecordEntrySize * RecordCount() <= image_.size();
}

std::uint32_t DatabaseReader::RecordOffset(std::uint16_t index) const {
  if (index >= RecordCount()) throw std::out_of_range("record index beyond the record count");
  return ByteCursor(image_, kHeaderSize + kRecordEntrySize * index).Big32();
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
  RecordContents contents;  // Unreadable until its signature is found inside the image
  auto refuse = [&contents](const char* problem) {
    contents.problem = problem;
    return contents;
  };
  ByteCursor image(image_, static_cast<std::size_t>(std::max(extent.offset, 0)));
  // A record of no bytes inside the file, at its very end too, is empty, not lost.
  const bool empty = extent.length == 0 && extent.offset >= 0 && image.Position() <= image.Size();
  if (extent.offset < 0 || (image.Remaining() < sizeof kMidiRecordSignature && !empty)) {
    return refuse("it lies past the end of the file");
  }
  // A record that leaves the image, or whose next record begins before it, has no tune to give;
  // its signature and name are still read as far as the image goes, so that its loss is told.
  const char* cut = nullptr;
  if (extent.length < 0) {
    cut = "damaged: the next record begins before it";
  } else if (image.Remaining() < static_cast<std::size_t>(extent.length)) {
    cut = "damaged: it runs past the end of the file";
  }
  ByteCursor record(cut ? image.Rest() : image.Bytes(static_cast<std::size_t>(extent.length)));

  contents.status = RecordStatus::NotMidiRecord;
  if (record.Remaining() < sizeof kMidiRecordSignature) return refuse("it is too short for a signature");
  if (!Matches(record.Bytes(sizeof kMidiRecordSignature), kMidiRecordSignature)) return refuse("not a MIDI record");
  contents.status = RecordStatus::Damaged;  // until the name, data offset and tune are found inside
  if (record.Size() <= kRecordNameOffset) return refuse(cut ? cut : "damaged: the record ends before its name");
  record.Seek(kDataOffsetOffset);
  const std::size_t data_offset = record.Byte();

  record.Seek(kRecordNameOffset);
  std::span<const std::uint8_t> rest = record.Rest();
  auto name_end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  contents.name.assign(rest.begin(), name_end);
  if (cut) return refuse(cut);
  if (name_end == rest.end()) return refuse("damaged: the name does not end inside the record");

  record.Seek(data_offset);
  if (record.Remaining() < sizeof kMidiFileTag) return refuse("damaged: its data offset points past the record");
  if (!Matches(record.Bytes(sizeof kMidiFileTag), kMidiFileTag)) {
    contents.status = RecordStatus::WrongMidiFormat;
    return refuse("wrong MIDI format: the tune does not begin with \"MThd\"");
  }
  record.Seek(data_offset);
  contents.status = RecordStatus::Midi;
  contents.tune = record.Rest();
  return contents;
}

}  // namespace palm
