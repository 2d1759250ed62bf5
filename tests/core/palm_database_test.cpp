// The database layout byte by byte, and the reader against well-formed, truncated and hostile images.
#include "format/palm_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "format/byte_cursor.h"
#include "format/byte_order.h"
#include "format/palm_date.h"
#include "support/midi_files.h"
#include "support/palm_images.h"

namespace palm {
namespace {

// ---- building -------------------------------------------------------------------------------

TEST(BuildHeader, LaysOutEveryFieldAsWritten) {
  std::uint32_t date = DateTimeToPalmDate(EncodeDateTime(2004, 1, 1));
  auto header = BuildHeader("Tunes", date, 2);
  const std::array<std::uint8_t, kHeaderSize> expected = {
      'T', 'u', 'n', 'e', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // name, offsets 0-15
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,            // name, offsets 16-31
      0x00, 0x08,                                                // attributes: backup
      0x00, 0x00,                                                // version
      0xBC, 0x19, 0x13, 0x80,                                    // creation date
      0xBC, 0x19, 0x13, 0x80,                                    // modification date
      0, 0, 0, 0,                                                // last backup date
      0, 0, 0, 0,                                                // modification number
      0, 0, 0, 0,                                                // application info offset
      0, 0, 0, 0,                                                // sort info offset
      's', 'm', 'f', 'r',                                        // type
      'Q', 's', 'n', 'd',                                        // creator
      0, 0, 0, 0,                                                // unique ID seed
      0, 0, 0, 0,                                                // next record list
      0x00, 0x02,                                                // record count
  };
  EXPECT_EQ(header, expected);
}

TEST(BuildHeader, NameFieldIsPaddedWithZerosAndKeepsItsNul) {
  struct Case {
    std::string name;
    std::size_t stored;  // bytes of the name that reach the field
  };
  for (const Case& c : {Case{"", 0}, Case{"Tunes", 5}, Case{std::string(31, 'x'), 31}, Case{std::string(32, 'y'), 31},
                        Case{std::string(80, 'z'), 31}}) {
    auto header = BuildHeader(c.name, 0, 1);
    for (std::size_t i = 0; i < kNameFieldSize; ++i) {
      std::uint8_t expected = i < c.stored ? static_cast<std::uint8_t>(c.name[i]) : 0;
      EXPECT_EQ(header[i], expected) << "name of " << c.name.size() << " characters, offset " << i;
    }
    EXPECT_EQ(header[kAttributesOffset], 0x00);
    EXPECT_EQ(header[kAttributesOffset + 1], 0x08) << "the name must not spill into the attributes";
  }
}

TEST(BuildHeader, AnEmptyViewWithoutStorageGivesAnEmptyName) {
  auto header = BuildHeader(std::string_view{}, 0, 1);
  EXPECT_EQ(Bytes(header.begin(), header.begin() + kNameFieldSize), Bytes(kNameFieldSize, 0));
}

TEST(BuildHeader, NameBytesAreStoredWithoutConversion) {
  auto header = BuildHeader("\xE4\xF6\xFC\x80\xFF", 0, 1);
  EXPECT_EQ(Bytes(header.begin(), header.begin() + 6), (Bytes{0xE4, 0xF6, 0xFC, 0x80, 0xFF, 0x00}));
}

TEST(BuildHeader, RecordCountIsBigEndian) {
  struct Case {
    std::uint16_t count;
    std::uint8_t high, low;
  };
  for (Case c : {Case{1, 0x00, 0x01}, Case{2, 0x00, 0x02}, Case{0x1234, 0x12, 0x34}, Case{256, 0x01, 0x00},
                 Case{65535, 0xFF, 0xFF}}) {
    auto header = BuildHeader("x", 0, c.count);
    EXPECT_EQ(header[kRecordCountOffset], c.high) << c.count;
    EXPECT_EQ(header[kRecordCountOffset + 1], c.low) << c.count;
  }
}

TEST(BuildHeader, StoresTheDateAsItLiesInMemoryInBothDateFields) {
  auto header = BuildHeader("x", SwapLong(0x01020304), 1);
  EXPECT_EQ(Bytes(header.begin() + kCreationDateOffset, header.begin() + kCreationDateOffset + 4),
            (Bytes{0x01, 0x02, 0x03, 0x04}));
  EXPECT_EQ(Bytes(header.begin() + kModificationDateOffset, header.begin() + kModificationDateOffset + 4),
            (Bytes{0x01, 0x02, 0x03, 0x04}));
}

TEST(BuildRecordEntry, HoldsTheBigEndianOffsetAndTheDirtyFlag) {
  EXPECT_EQ(BuildRecordEntry(86), (std::array<std::uint8_t, 8>{0x00, 0x00, 0x00, 0x56, 0x40, 0x00, 0x00, 0x00}));
  EXPECT_EQ(BuildRecordEntry(0x01020304),
            (std::array<std::uint8_t, 8>{0x01, 0x02, 0x03, 0x04, 0x40, 0x00, 0x00, 0x00}));
  EXPECT_EQ(BuildRecordEntry(0xFFFFFFFF),
            (std::array<std::uint8_t, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0x00, 0x00, 0x00}));
}

TEST(BuildRecordHead, HoldsTheSignatureAndTheDataOffsetNamePlusSeven) {
  struct Case {
    std::size_t name_length;
    std::uint8_t data_offset;
  };
  for (Case c : {Case{0, 7}, Case{1, 8}, Case{2, 9}, Case{4, 11}, Case{31, 38}, Case{248, 255}, Case{249, 0},
                 Case{250, 1}}) {
    EXPECT_EQ(BuildRecordHead(c.name_length), (std::array<std::uint8_t, 6>{'P', 'M', 'r', 'c', c.data_offset, 0}))
        << "name of " << c.name_length << " characters";
  }
}

// ---- whole databases ------------------------------------------------------------------------

TEST(Database, OneRecordBeginsAt86AndRunsToTheEnd) {
  Bytes image = TuneDatabase({{"Ring", MidiBytes(50)}});
  ASSERT_EQ(image.size(), 86u + 4 + 7 + 50);
  EXPECT_EQ(Big32At(image, 78), 86u);

  DatabaseReader reader(image);
  ASSERT_TRUE(reader.RecordListFits());
  EXPECT_EQ(reader.RecordCount(), 1);
  EXPECT_EQ(reader.RecordOffset(0), 86u);
  RecordExtent extent = reader.Extent(0);
  EXPECT_EQ(extent.offset, 86);
  EXPECT_EQ(extent.length, static_cast<std::int32_t>(image.size() - 86));
  RecordContents contents = reader.ReadRecord(extent);
  EXPECT_EQ(contents.status, RecordStatus::Midi);
  EXPECT_EQ(contents.name, "Ring");
  EXPECT_EQ(ToBytes(contents.tune), MidiBytes(50));
}

TEST(Database, ThreeRecordsBeginAt102NotAt104) {
  Bytes image = TuneDatabase({{"a", MidiBytes(30, 0, 1)}, {"b", MidiBytes(40, 0, 2)}, {"c", MidiBytes(50, 0, 3)}});
  EXPECT_EQ(Big32At(image, 78), 102u);
  EXPECT_EQ(Big32At(image, 86), 102u + 1 + 7 + 30);
  EXPECT_EQ(Big32At(image, 94), 102u + 1 + 7 + 30 + 1 + 7 + 40);
  EXPECT_EQ(Slice(image, 102, 4), (Bytes{'P', 'M', 'r', 'c'}));
}

TEST(Database, TwoRecordsOfOneAndTwoCharacterNamesMake411Bytes) {
  Bytes image = TuneDatabase({{"A", MidiBytes(100, 0, 1)}, {"Bb", MidiBytes(200, 0, 2)}});
  ASSERT_EQ(image.size(), 411u);
  EXPECT_EQ(Slice(image, 78, 8), (Bytes{0, 0, 0, 94, 0x40, 0, 0, 0}));
  EXPECT_EQ(Slice(image, 86, 8), (Bytes{0, 0, 0, 202, 0x40, 0, 0, 0}));
  EXPECT_EQ(Slice(image, 94, 8), (Bytes{'P', 'M', 'r', 'c', 8, 0, 'A', 0}));
  EXPECT_EQ(Slice(image, 202, 9), (Bytes{'P', 'M', 'r', 'c', 9, 0, 'B', 'b', 0}));

  DatabaseReader reader(image);
  ASSERT_TRUE(reader.RecordListFits());
  ASSERT_EQ(reader.RecordCount(), 2);
  RecordExtent first = reader.Extent(0);
  RecordExtent second = reader.Extent(1);
  EXPECT_EQ(first.offset, 94);
  EXPECT_EQ(first.length, 108);
  EXPECT_EQ(second.offset, 202);
  EXPECT_EQ(second.length, 209);
  RecordContents a = reader.ReadRecord(first);
  RecordContents b = reader.ReadRecord(second);
  EXPECT_EQ(a.status, RecordStatus::Midi);
  EXPECT_EQ(a.name, "A");
  EXPECT_EQ(ToBytes(a.tune), MidiBytes(100, 0, 1));
  EXPECT_EQ(b.status, RecordStatus::Midi);
  EXPECT_EQ(b.name, "Bb");
  EXPECT_EQ(ToBytes(b.tune), MidiBytes(200, 0, 2));
  // The tune is a view into the image, not a copy that could outlive or exceed it.
  EXPECT_EQ(b.tune.data(), image.data() + 202 + 9);
  EXPECT_EQ(b.tune.data() + b.tune.size(), image.data() + image.size());
}

TEST(Database, AFourCharacterNameAndA100ByteTuneMakeA111ByteRecord) {
  Bytes image = TuneDatabase({{"Ring", MidiBytes(100)}, {"Next", MidiBytes(10)}});
  std::uint32_t first = Big32At(image, 78);
  EXPECT_EQ(Big32At(image, 86) - first, 111u);
  EXPECT_EQ(image[first + 4], 11);
  EXPECT_EQ(Slice(image, first + 6, 5), (Bytes{'R', 'i', 'n', 'g', 0}));
  EXPECT_EQ(Slice(image, first + 11, 4), (Bytes{'M', 'T', 'h', 'd'}));
}

TEST(Database, AnEmptyNameIsASingleNulWithDataOffset7) {
  Bytes image = TuneDatabase({{"", MidiBytes(25)}});
  EXPECT_EQ(Slice(image, 86, 11), (Bytes{'P', 'M', 'r', 'c', 7, 0, 0, 'M', 'T', 'h', 'd'}));
  RecordContents contents = DatabaseReader(image).ReadRecord(DatabaseReader(image).Extent(0));
  EXPECT_EQ(contents.status, RecordStatus::Midi);
  EXPECT_EQ(contents.name, "");
  EXPECT_EQ(contents.tune.size(), 25u);
}

TEST(Database, AThirtyOneCharacterNameGivesDataOffset38) {
  std::string name(31, 'n');
  Bytes image = TuneDatabase({{name, MidiBytes(25)}});
  EXPECT_EQ(image[86 + 4], 38);
  EXPECT_EQ(image[86 + 6 + 31], 0);
  RecordContents contents = DatabaseReader(image).ReadRecord(DatabaseReader(image).Extent(0));
  EXPECT_EQ(contents.status, RecordStatus::Midi);
  EXPECT_EQ(contents.name, name);
}

// ---- reading the header ---------------------------------------------------------------------

TEST(DatabaseReader, NeedsAtLeast78BytesForAHeader) {
  for (std::size_t size : {0u, 1u, 77u}) EXPECT_FALSE(DatabaseReader(Bytes(size)).HasHeader()) << size;
  for (std::size_t size : {78u, 79u, 500u}) EXPECT_TRUE(DatabaseReader(Bytes(size)).HasHeader()) << size;
  EXPECT_FALSE(DatabaseReader(Bytes(77)).RecordListFits());
}

TEST(DatabaseReader, TheResourceFlagIsBitZeroOfTheSecondAttributeByte) {
  struct Case {
    std::uint8_t byte32, byte33;
    std::uint16_t attributes;
    bool resource;
  };
  for (Case c : {Case{0x00, 0x08, 0x0008, false}, Case{0x00, 0x01, 0x0001, true}, Case{0x00, 0x09, 0x0009, true},
                 Case{0x01, 0x00, 0x0100, false}, Case{0xFF, 0xFE, 0xFFFE, false}, Case{0x80, 0x01, 0x8001, true}}) {
    Bytes image(kHeaderSize);
    image[32] = c.byte32;
    image[33] = c.byte33;
    DatabaseReader reader(image);
    EXPECT_EQ(reader.Attributes(), c.attributes);
    EXPECT_EQ(reader.IsResourceDatabase(), c.resource) << std::hex << c.attributes;
  }
  EXPECT_FALSE(DatabaseReader(TuneDatabase({{"x", MidiBytes(30)}})).IsResourceDatabase());
}

TEST(DatabaseReader, AMidiSoundDatabaseHasAHeaderOfTypeSmfr) {
  Bytes image = TuneDatabase({{"x", MidiBytes(30)}});
  EXPECT_TRUE(DatabaseReader(image).IsMidiSoundDatabase());
  EXPECT_FALSE(DatabaseReader(std::span(image).first(kHeaderSize - 1)).IsMidiSoundDatabase());
  for (const char* type : {"SMFR", "DATA", "smf "}) {
    std::copy(type, type + 4, image.begin() + kTypeOffset);
    EXPECT_FALSE(DatabaseReader(image).IsMidiSoundDatabase()) << type;
  }
}

TEST(DatabaseReader, RecordCountIsReadBigEndian) {
  Bytes image(kHeaderSize);
  image[76] = 0x01;
  image[77] = 0x02;
  EXPECT_EQ(DatabaseReader(image).RecordCount(), 0x0102);
}

TEST(DatabaseReader, TheRecordListMustLieInsideTheImage) {
  struct Case {
    std::uint16_t count;
    std::size_t size;
    bool fits;
  };
  for (Case c : {Case{0, 78, true}, Case{1, 85, false}, Case{1, 86, true}, Case{3, 101, false}, Case{3, 102, true},
                 Case{65535, 78 + 8 * 65534, false}, Case{65535, 78 + 8 * 65535, true}}) {
    Bytes image(c.size);
    PutBig16(image, 76, c.count);
    EXPECT_EQ(DatabaseReader(image).RecordListFits(), c.fits) << c.count << " records in " << c.size << " bytes";
  }
}

TEST(DatabaseReader, FieldsOutsideTheImageOrTheListRaiseInsteadOfBeingRead) {
  EXPECT_THROW(DatabaseReader(Bytes(33)).Attributes(), OutsideImage);
  EXPECT_EQ(DatabaseReader(Bytes(34)).Attributes(), 0);
  EXPECT_THROW(DatabaseReader(Bytes(77)).RecordCount(), OutsideImage);
  EXPECT_THROW(DatabaseReader(Bytes{}).IsResourceDatabase(), OutsideImage);

  Bytes image = TuneDatabase({{"A", MidiBytes(100, 0, 1)}, {"Bb", MidiBytes(200, 0, 2)}});
  DatabaseReader reader(image);
  EXPECT_THROW(reader.RecordOffset(2), std::out_of_range);
  EXPECT_THROW(reader.Extent(2), std::out_of_range);
  // A count that claims more entries than the image holds: the list does not fit, and the entry
  // beyond the end raises rather than being read.
  Bytes short_list(kHeaderSize + kRecordEntrySize);
  short_list[kRecordCountOffset + 1] = 2;
  DatabaseReader lying(short_list);
  EXPECT_FALSE(lying.RecordListFits());
  EXPECT_EQ(lying.RecordOffset(0), 0u);
  EXPECT_THROW(lying.RecordOffset(1), OutsideImage);
}

// ---- hostile record lists -------------------------------------------------------------------

TEST(DatabaseReader, OffsetsThatDoNotAscendGiveANegativeLengthAndADamagedRecordStillNamed) {
  Bytes image = TuneDatabase({{"A", MidiBytes(100, 0, 1)}, {"Bb", MidiBytes(200, 0, 2)}});
  PutBig32(image, 86, 90);  // the second record now begins before the first one
  DatabaseReader reader(image);
  RecordExtent first = reader.Extent(0);
  EXPECT_EQ(first.offset, 94);
  EXPECT_EQ(first.length, -4);
  RecordContents contents = reader.ReadRecord(first);
  EXPECT_EQ(contents.status, RecordStatus::Damaged);
  EXPECT_EQ(contents.name, "A");
  EXPECT_EQ(contents.problem, "damaged: the next record begins before it");
  EXPECT_TRUE(contents.tune.empty());
  // The last record still runs from its own offset to the end.
  EXPECT_EQ(reader.Extent(1).offset, 90);
  EXPECT_EQ(reader.Extent(1).length, 321);
}

// A record whose signature lies in the file is named even when its extent leaves the file, so
// that its loss can be told; only one whose signature lies past the end is unreadable.
TEST(DatabaseReader, OffsetsBeyondTheEndOrAboveTheSignedRangeGiveDamagedOrUnreadableRecords) {
  struct Expected {
    RecordStatus status;
    std::string name;
  };
  struct Case {
    std::uint32_t first, second;
    Expected record0, record1;
  };
  const Expected unreadable{RecordStatus::Unreadable, ""};
  const Expected damaged_a{RecordStatus::Damaged, "A"};
  // 411 bytes; the first record's true offset is 94, the second's 202.
  const std::vector<Case> cases = {
      {94, 412, damaged_a, unreadable},
      // The first record then runs to the end, trailing bytes and all; 411 is the end itself.
      {94, 411, {RecordStatus::Midi, "A"}, {RecordStatus::NotMidiRecord, ""}},  // empty, at the very end
      {94, 408, {RecordStatus::Midi, "A"}, unreadable},  // three bytes cannot hold a signature
      {94, 0x7FFFFFFF, damaged_a, unreadable},
      {94, 0x80000000, damaged_a, unreadable},
      {94, 0xFFFFFFFF, damaged_a, unreadable},
      {412, 500, unreadable, unreadable},
      {0x80000000, 0x7FFFFFFF, unreadable, unreadable},
      {0xFFFFFFFF, 202, unreadable, {RecordStatus::Midi, "Bb"}},
      {0x7FFFFFFF, 0x80000000, unreadable, unreadable},
      {408, 202, unreadable, {RecordStatus::Midi, "Bb"}},
      // Offsets out of order with the signature inside: named, reading on to the end if need be.
      {202, 94, {RecordStatus::Damaged, "Bb"}, {RecordStatus::Midi, "A"}},
  };
  for (const Case& c : cases) {
    Bytes image = TuneDatabase({{"A", MidiBytes(100, 0, 1)}, {"Bb", MidiBytes(200, 0, 2)}});
    ASSERT_EQ(image.size(), 411u);
    PutBig32(image, 78, c.first);
    PutBig32(image, 86, c.second);
    DatabaseReader reader(image);
    const Expected* expected[] = {&c.record0, &c.record1};
    for (std::uint16_t i = 0; i < 2; ++i) {
      SCOPED_TRACE(testing::Message() << std::hex << c.first << " " << c.second << " record " << i);
      RecordContents contents = reader.ReadRecord(reader.Extent(i));
      EXPECT_EQ(contents.status, expected[i]->status);
      EXPECT_EQ(contents.name, expected[i]->name);
      EXPECT_EQ(contents.tune.empty(), contents.status != RecordStatus::Midi);
      if (contents.status == RecordStatus::Unreadable) {
        EXPECT_EQ(contents.problem, "it lies past the end of the file");
      }
    }
  }
}

// ---- hostile records ------------------------------------------------------------------------

struct RecordCase {
  const char* what;
  Bytes record;
  RecordStatus status;
  std::string name;
  std::size_t tune_size;
};

TEST(DatabaseReader, ReadsOnlyInsideTheRecordAndNamesEveryDefect) {
  const std::vector<RecordCase> cases = {
      {"well formed", {'P', 'M', 'r', 'c', 8, 0, 'A', 0, 'M', 'T', 'h', 'd', 1, 2}, RecordStatus::Midi, "A", 6},
      {"tune of the tag alone", {'P', 'M', 'r', 'c', 8, 0, 'A', 0, 'M', 'T', 'h', 'd'}, RecordStatus::Midi, "A", 4},
      {"reserved byte ignored", {'P', 'M', 'r', 'c', 8, 0xEE, 'A', 0, 'M', 'T', 'h', 'd'}, RecordStatus::Midi, "A", 4},
      {"gap after the name", {'P', 'M', 'r', 'c', 10, 0, 'A', 0, 9, 9, 'M', 'T', 'h', 'd'}, RecordStatus::Midi, "A", 4},
      {"another signature", {'P', 'M', 'r', 'd', 8, 0, 'A', 0, 'M', 'T', 'h', 'd'}, RecordStatus::NotMidiRecord, "", 0},
      {"signature in another case", {'p', 'm', 'r', 'c', 8, 0, 'A', 0, 'M', 'T', 'h', 'd'},
       RecordStatus::NotMidiRecord, "", 0},
      {"no MThd at the data offset", {'P', 'M', 'r', 'c', 8, 0, 'A', 0, 'R', 'I', 'F', 'F'},
       RecordStatus::WrongMidiFormat, "A", 0},
      {"data offset 0 points at the signature", {'P', 'M', 'r', 'c', 0, 0, 'A', 0, 'M', 'T', 'h', 'd'},
       RecordStatus::WrongMidiFormat, "A", 0},
      {"data offset with three bytes left", {'P', 'M', 'r', 'c', 9, 0, 'A', 0, 'M', 'T', 'h', 'd'},
       RecordStatus::Damaged, "A", 0},
      {"data offset past the end", {'P', 'M', 'r', 'c', 200, 0, 'A', 0, 'M', 'T', 'h', 'd'}, RecordStatus::Damaged,
       "A", 0},
      {"data offset 255", {'P', 'M', 'r', 'c', 255, 0, 'A', 0, 'M', 'T', 'h', 'd'}, RecordStatus::Damaged, "A", 0},
      {"name without its NUL", {'P', 'M', 'r', 'c', 8, 0, 'A', 'B', 'M', 'T', 'h', 'd'}, RecordStatus::Damaged,
       "ABMThd", 0},
      {"signature alone", {'P', 'M', 'r', 'c'}, RecordStatus::Damaged, "", 0},
      {"no name byte", {'P', 'M', 'r', 'c', 7, 0}, RecordStatus::Damaged, "", 0},
      {"empty name, no tune", {'P', 'M', 'r', 'c', 7, 0, 0}, RecordStatus::Damaged, "", 0},
      // Too short to say "PMrc", inside the file: no MIDI record, nothing lost.
      {"three bytes", {'P', 'M', 'r'}, RecordStatus::NotMidiRecord, "", 0},
      {"empty record", {}, RecordStatus::NotMidiRecord, "", 0},
  };
  for (const RecordCase& c : cases) {
    // The record sits between two guards that would complete any test reading past it: the
    // reader must stop at the record's own end.
    Bytes image = {'M', 'T', 'h', 'd', 0};
    std::size_t offset = image.size();
    image.insert(image.end(), c.record.begin(), c.record.end());
    for (char guard : std::string("\0MThd\0MThd", 10)) image.push_back(static_cast<std::uint8_t>(guard));
    DatabaseReader reader(image);
    RecordContents contents =
        reader.ReadRecord({static_cast<std::int32_t>(offset), static_cast<std::int32_t>(c.record.size())});
    EXPECT_EQ(contents.status, c.status) << c.what;
    EXPECT_EQ(contents.name, c.name) << c.what;
    EXPECT_EQ(contents.tune.size(), c.tune_size) << c.what;
    if (c.status == RecordStatus::Midi) {
      EXPECT_EQ(contents.tune.data() + contents.tune.size(), image.data() + offset + c.record.size()) << c.what;
      EXPECT_EQ(ToBytes(contents.tune.first(4)), (Bytes{'M', 'T', 'h', 'd'})) << c.what;
    }
  }
}

TEST(DatabaseReader, ARecordExtentOutsideTheImageIsDamagedWhileItsSignatureIsInside) {
  Bytes image = TuneDatabase({{"A", MidiBytes(100, 0, 1)}});
  DatabaseReader reader(image);
  const auto size = static_cast<std::int32_t>(image.size());
  struct Case {
    RecordExtent extent;
    RecordStatus status;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {{-1, 10}, RecordStatus::Unreadable, "it lies past the end of the file"},
      {{size, 0}, RecordStatus::NotMidiRecord, "it is too short for a signature"},  // empty, at the end
      {{size - 2, 0}, RecordStatus::NotMidiRecord, "it is too short for a signature"},
      {{size + 1, 0}, RecordStatus::Unreadable, "it lies past the end of the file"},
      {{size - 3, 3}, RecordStatus::Unreadable, "it lies past the end of the file"},
      {{INT32_MAX, INT32_MAX}, RecordStatus::Unreadable, "it lies past the end of the file"},
      {{INT32_MIN, 100}, RecordStatus::Unreadable, "it lies past the end of the file"},
      {{size - 4, 2}, RecordStatus::NotMidiRecord, "it is too short for a signature"},
      {{size - 4, 5}, RecordStatus::NotMidiRecord, "not a MIDI record"},
      {{86, -1}, RecordStatus::Damaged, "damaged: the next record begins before it"},
      {{86, size - 85}, RecordStatus::Damaged, "damaged: it runs past the end of the file"},
      {{86, INT32_MAX}, RecordStatus::Damaged, "damaged: it runs past the end of the file"},
      {{86, size - 86}, RecordStatus::Midi, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.extent.offset << " " << c.extent.length);
    RecordContents contents = reader.ReadRecord(c.extent);
    EXPECT_EQ(contents.status, c.status);
    EXPECT_EQ(contents.problem, c.problem);
    EXPECT_EQ(contents.name, c.extent.offset == 86 ? "A" : "");
  }
}

// A database cut inside a record's name: the name as far as the file goes.
TEST(DatabaseReader, ARecordCutInsideItsNameKeepsTheNameSoFar) {
  Bytes image = TuneDatabase({{"Morning", MidiBytes(50, 0, 1)}, {"Evening", MidiBytes(50, 0, 2)}});
  const std::size_t first = kHeaderSize + 2 * kRecordEntrySize;
  struct Case {
    std::size_t size;
    std::string name;
  };
  for (Case c : {Case{first + 4, ""}, Case{first + 6, ""}, Case{first + 7, "M"}, Case{first + 13, "Morning"},
                 Case{first + 14, "Morning"}, Case{first + 30, "Morning"}}) {
    Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(c.size));
    DatabaseReader reader(cut);
    RecordContents contents = reader.ReadRecord(reader.Extent(0));
    EXPECT_EQ(contents.status, RecordStatus::Damaged) << c.size;
    EXPECT_EQ(contents.name, c.name) << c.size;
    EXPECT_EQ(contents.problem, "damaged: it runs past the end of the file") << c.size;
    EXPECT_EQ(reader.ReadRecord(reader.Extent(1)).status, RecordStatus::Unreadable) << c.size;
  }
}

// ---- corruption -----------------------------------------------------------------------------

// Walks an image the way the Extract command does and checks that every answer stays inside it.
// The image is copied to a buffer of its exact size, so AddressSanitizer catches a read one byte past.
void WalkCheckingBounds(const Bytes& source) {
  auto buffer = std::make_unique<std::uint8_t[]>(source.size() + (source.empty() ? 1 : 0));
  std::copy(source.begin(), source.end(), buffer.get());
  std::span<const std::uint8_t> image(buffer.get(), source.size());
  DatabaseReader reader(image);
  if (!reader.HasHeader()) return;
  (void)reader.IsResourceDatabase();
  if (!reader.RecordListFits()) return;
  for (std::uint16_t i = 0; i < reader.RecordCount(); ++i) {
    RecordExtent extent = reader.Extent(i);
    RecordContents contents = reader.ReadRecord(extent);
    switch (contents.status) {
      case RecordStatus::Midi: {
        ASSERT_GE(extent.offset, 0);
        ASSERT_GE(extent.length, 0);
        auto begin = static_cast<std::size_t>(extent.offset);
        auto end = begin + static_cast<std::size_t>(extent.length);
        ASSERT_LE(end, image.size());
        ASSERT_GE(contents.tune.size(), 4u);
        ASSERT_GE(contents.tune.data(), image.data() + begin);
        ASSERT_EQ(contents.tune.data() + contents.tune.size(), image.data() + end);
        ASSERT_EQ(ToBytes(contents.tune.first(4)), (Bytes{'M', 'T', 'h', 'd'}));
        ASSERT_LE(contents.name.size() + 7, static_cast<std::size_t>(extent.length));
        unsigned sum = 0;
        for (std::uint8_t byte : contents.tune) sum += byte;  // touches every byte for ASan
        (void)sum;
        break;
      }
      case RecordStatus::NotMidiRecord:
      case RecordStatus::WrongMidiFormat:
      case RecordStatus::Damaged:
      case RecordStatus::Unreadable:
        ASSERT_TRUE(contents.tune.empty());
        ASSERT_LE(contents.name.size(), image.size());
        break;
      default:
        FAIL() << "status outside the defined ones: " << static_cast<int>(contents.status);
    }
  }
}

Bytes SampleDatabase() {
  return TuneDatabase(
      {{"Alarm", MidiBytes(40, 0, 1)}, {"", MidiBytes(25, 0, 2)}, {std::string(31, 'L'), MidiBytes(60, 0, 3)}});
}

TEST(DatabaseReaderCorruption, EveryTruncationIsReadSafely) {
  Bytes image = SampleDatabase();
  for (std::size_t size = 0; size <= image.size(); ++size) {
    SCOPED_TRACE(size);
    WalkCheckingBounds(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size)));
    if (HasFatalFailure()) return;
  }
}

TEST(DatabaseReaderCorruption, EverySingleByteChangeIsReadSafely) {
  Bytes image = SampleDatabase();
  for (std::size_t at = 0; at < image.size(); ++at) {
    for (int change : {0x00, 0xFF, 0x01, 0x80, 0x7F, -1}) {
      Bytes damaged = image;
      damaged[at] = change < 0 ? static_cast<std::uint8_t>(damaged[at] ^ 0x55) : static_cast<std::uint8_t>(change);
      SCOPED_TRACE(testing::Message() << "byte " << at << " set to " << int{damaged[at]});
      WalkCheckingBounds(damaged);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(DatabaseReaderCorruption, RandomDamageIsReadSafely) {
  std::mt19937 random(20040101);
  const Bytes original = SampleDatabase();
  for (int round = 0; round < 20000; ++round) {
    Bytes image = original;
    switch (random() % 4) {
      case 0:  // a few random bytes anywhere
        for (unsigned n = 1 + random() % 8; n > 0; --n) image[random() % image.size()] = static_cast<std::uint8_t>(random());
        break;
      case 1:  // record list entries aimed near the end and beyond it
        for (std::size_t entry = 0; entry < 3; ++entry) {
          if (random() % 2 == 0) continue;
          std::uint32_t near = static_cast<std::uint32_t>(image.size()) - 8 + random() % 16;
          PutBig32(image, 78 + 8 * entry, random() % 3 == 0 ? static_cast<std::uint32_t>(random()) : near);
        }
        break;
      case 2:  // a record count out of step with the list, then cut short
        image[76] = static_cast<std::uint8_t>(random() % 3 == 0 ? random() : 0);
        image[77] = static_cast<std::uint8_t>(random());
        image.resize(random() % (image.size() + 1));
        break;
      default:  // bytes from nowhere, sometimes with a plausible header
        image.assign(random() % 400, 0);
        for (std::uint8_t& byte : image) byte = static_cast<std::uint8_t>(random());
        if (image.size() >= 78 && random() % 2 == 0) {
          image[76] = 0;
          image[77] = static_cast<std::uint8_t>(random() % 8);
        }
        break;
    }
    SCOPED_TRACE(round);
    WalkCheckingBounds(image);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace palm
