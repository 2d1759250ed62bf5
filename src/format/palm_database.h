// The Palm MIDI database layout: a 78-byte header, a list of 8-byte record entries, then the
// records, each "PMrc", a data offset byte, a reserved byte, a NUL-terminated name and a MIDI file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/byte_cursor.h"  // OutsideImage

namespace palm {

inline constexpr std::size_t kHeaderSize = 78;
inline constexpr std::size_t kNameFieldSize = 32;
inline constexpr std::size_t kMaxNameLength = kNameFieldSize - 1;
inline constexpr std::size_t kAttributesOffset = 32;
inline constexpr std::size_t kVersionOffset = 34;
inline constexpr std::size_t kCreationDateOffset = 36;
inline constexpr std::size_t kModificationDateOffset = 40;
inline constexpr std::size_t kModificationNumberOffset = 48;
inline constexpr std::size_t kAppInfoOffset = 52;   // 0: no application info block
inline constexpr std::size_t kSortInfoOffset = 56;  // 0: no sort info block
inline constexpr std::size_t kTypeOffset = 60;
inline constexpr std::size_t kCreatorOffset = 64;
inline constexpr std::size_t kUniqueIdSeedOffset = 68;
inline constexpr std::size_t kNextRecordListOffset = 72;
inline constexpr std::size_t kRecordCountOffset = 76;

inline constexpr std::size_t kRecordEntrySize = 8;
inline constexpr std::size_t kRecordAttributesOffset = 4;  // within an entry

inline constexpr std::size_t kRecordHeadSize = 6;
inline constexpr std::size_t kDataOffsetOffset = 4;  // within a record
inline constexpr std::size_t kRecordNameOffset = 6;  // within a record

inline constexpr std::uint16_t kBackupFlag = 0x0008;
inline constexpr std::uint16_t kResourceDatabaseFlag = 0x0001;
inline constexpr std::uint8_t kDirtyRecord = 0x40;
inline constexpr std::size_t kMaxRecords = 65535;
// The largest tune a record holds, in bytes.
inline constexpr std::uint64_t kLargestTune = 65000;
// Sizes and offsets are read as signed 32-bit numbers: no larger database can be read back.
inline constexpr std::uint64_t kLargestDatabase = 0x7FFFFFFF;

inline constexpr char kMidiSoundType[] = "smfr";
inline constexpr char kMidiSoundCreator[] = "Qsnd";

// The header as this system writes it. Only the first 31 bytes of `name` are stored, so the
// field always keeps its NUL. `palm_date` is DateTimeToPalmDate's result, stored as it lies.
std::array<std::uint8_t, kHeaderSize> BuildHeader(std::string_view name, std::uint32_t palm_date,
                                                  std::uint16_t record_count);
std::array<std::uint8_t, kRecordEntrySize> BuildRecordEntry(std::uint32_t record_offset);
// "PMrc", the data offset name_length + 7 (modulo 256) and the reserved 0.
std::array<std::uint8_t, kRecordHeadSize> BuildRecordHead(std::size_t name_length);

// Where a record lies in the file. Signed, as the differences of offsets may be negative in a
// damaged file.
struct RecordExtent {
  std::int32_t offset;
  std::int32_t length;
};

enum class RecordStatus {
  Midi,             // "PMrc", a name and a tune beginning with "MThd", all inside the record
  NotMidiRecord,    // its first four bytes are not "PMrc", or it is shorter than four bytes
  WrongMidiFormat,  // the bytes at its data offset are not "MThd"
  Damaged,          // "PMrc", but its name, data offset or tune leave the record, or the record
                    // itself leaves the image or runs backwards: its tune cannot be taken
  Unreadable,       // its first four bytes lie past the end of the image: nothing tells what it was
};

struct RecordContents {
  RecordStatus status = RecordStatus::Unreadable;
  std::string name;                    // as far as it could be read inside the record (or the image,
                                       // for a record that leaves it)
  std::string problem;                 // why it is no usable MIDI record, in plain words; "" for Midi
  std::span<const std::uint8_t> tune;  // the bytes from the data offset to the record's end; Midi only
};

// Why `image` is no Palm database at all, in plain words ("" when it may be one): shorter than a
// header, a MIDI file, no name, a type or creator that is not text, a record list or a first record
// outside the file. A resource database passes: it is a database, refused for what it holds.
std::string NotADatabaseReason(std::span<const std::uint8_t> image);

// Reads a database image in memory, every field through a bounds-checked cursor: it never reads
// outside the image, whatever its bytes say.
class DatabaseReader {
 public:
  explicit DatabaseReader(std::span<const std::uint8_t> image);

  std::size_t Size() const { return image_.size(); }
  bool HasHeader() const;  // at least 78 bytes
  // The header fields below raise OutsideImage without HasHeader().
  std::string Name() const;  // up to its NUL, inside the 32-byte field
  std::uint16_t Attributes() const;
  std::uint16_t Version() const;
  std::uint32_t CreationDate() const;  // seconds since 1904-01-01 00:00:00 local time
  std::uint32_t ModificationDate() const;
  std::string Type() const;
  std::string Creator() const;
  bool IsResourceDatabase() const;
  // A header of the type this system writes ("smfr"), whatever the rest holds.
  bool IsMidiSoundDatabase() const;
  std::uint16_t RecordCount() const;
  // The record list (78 + 8 x count bytes) lies inside the image.
  bool RecordListFits() const;
  // Entry `index`'s record offset and its length (next offset minus own; the last record runs to
  // the end of the image). An index from RecordCount() on raises std::out_of_range, an entry
  // outside the image OutsideImage: check RecordListFits() first.
  std::uint32_t RecordOffset(std::uint16_t index) const;
  RecordExtent Extent(std::uint16_t index) const;
  // Tests one record, reading only inside the image, and inside the extent when it lies in the image.
  RecordContents ReadRecord(RecordExtent extent) const;

 private:
  std::span<const std::uint8_t> image_;
};

}  // namespace palm
