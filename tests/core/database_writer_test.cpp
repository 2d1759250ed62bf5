// The database writer on real files: golden byte layouts, the date, the success text, and that the
// database it replaces stays whole when a MIDI file fails part way.
#include "commands/database_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "midi/smf_format0.h"
#include "seams/app_error.h"
#include "support/compile_fixtures.h"
#include "support/fake_file_system.h"
#include "support/midi_files.h"
#include "support/raised_error.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace {

struct Source {
  std::string file_name;
  std::string record_name;
  std::vector<std::uint8_t> bytes;  // what the file holds
  std::uint16_t size;               // what the collection saw
};

// Files of one directory, listed as a collection lists them.
struct Listed {
  Listed(std::string directory, std::vector<std::string> file_names, std::vector<std::string> record_names,
         std::vector<std::uint16_t> file_sizes, Conversion conversion = Conversion::AsStored)
      : names(std::move(file_names)), records(std::move(record_names)), sizes(std::move(file_sizes)),
        conversions(names.size(), conversion), directories{std::move(directory)}, file_directories(names.size(), 0) {}
  DatabaseSources Sources() const { return {names, records, sizes, conversions, ring, directories, file_directories}; }

  std::vector<std::string> names, records;
  std::vector<std::uint16_t> sizes;
  std::vector<Conversion> conversions;
  handheld::RingOptions ring;
  std::vector<std::string> directories;
  std::vector<std::uint32_t> file_directories;
};

class DatabaseWriterTest : public ::testing::Test {
 protected:
  DatabaseWriterTest() : destination(dir / "out.pdb") {}

  void Write(const std::vector<Source>& sources, const std::string& database_name = "Ringtones") {
    std::vector<std::string> file_names, record_names;
    std::vector<std::uint16_t> sizes;
    for (const Source& source : sources) {
      if (!source.bytes.empty()) WriteBytes(dir / source.file_name, source.bytes);
      file_names.push_back(source.file_name);
      record_names.push_back(source.record_name);
      sizes.push_back(source.size);
    }
    WriteDatabase(prompts, *files, clock, destination, database_name,
                  Listed{dir.path(), file_names, record_names, sizes}.Sources(), outcome);
  }

  static Source Tune(const std::string& record_name, std::size_t size, unsigned seed = 1) {
    auto bytes = MidiBytes(size, 0, seed);
    return {record_name + ".mid", record_name, bytes, static_cast<std::uint16_t>(size)};
  }

  TempDir dir;
  std::string destination;
  Outcome outcome;
  ScriptedPrompts prompts;
  std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
  FixedClock clock;
};

TEST_F(DatabaseWriterTest, OneFileGoldenBytes) {
  auto tune = MidiBytes(30);
  Write({{"tune.mid", "tune", tune, 30}}, "Bells");
  std::vector<std::uint8_t> expected = {
      'B', 'e', 'l', 'l', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // name, zero-filled to 32
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0x00, 0x08, 0x00, 0x00,                          // attributes (backup), version
      0xBC, 0x19, 0x13, 0x80, 0xBC, 0x19, 0x13, 0x80,  // created, modified: 2004-01-01 00:00:00
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // last backup, modification number, info offsets
      's', 'm', 'f', 'r', 'Q', 's', 'n', 'd',          // type, creator
      0, 0, 0, 0, 0, 0, 0, 0,                          // unique ID seed, next record list
      0x00, 0x01,                                      // one record
      0x00, 0x00, 0x00, 86, 0x40, 0, 0, 0,             // the record lies at 86, dirty
      'P', 'M', 'r', 'c', 11, 0, 't', 'u', 'n', 'e', 0,
  };
  expected.insert(expected.end(), tune.begin(), tune.end());
  EXPECT_EQ(ReadBytes(destination), expected);
  EXPECT_EQ(expected.size(), 86u + 11u + 30u);
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{InformationBox("1 MIDI files successfully compiled.", "Success")});
}

TEST_F(DatabaseWriterTest, TwoFilesLieAt94And202AndMake411Bytes) {
  auto first = MidiBytes(100, 0, 1), second = MidiBytes(200, 0, 2);
  Write({{"a.mid", "a", first, 100}, {"bb.mid", "bb", second, 200}});
  auto image = ReadBytes(destination);
  ASSERT_EQ(image.size(), 411u);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 76, image.begin() + 94),
            (std::vector<std::uint8_t>{0, 2, 0, 0, 0, 94, 0x40, 0, 0, 0, 0, 0, 0, 202, 0x40, 0, 0, 0}));
  EXPECT_EQ(image[94 + 4], 8);
  EXPECT_EQ(image[202 + 4], 9);
  EXPECT_EQ(image, ExpectedDatabase("Ringtones", {{"a", first}, {"bb", second}}));
}

TEST_F(DatabaseWriterTest, RecordNameOf31CharactersFillsTheNameBuffer) {
  const std::string name(31, 'n');
  auto tune = MidiBytes(50);
  Write({{"long.mid", name, tune, 50}});
  auto image = ReadBytes(destination);
  EXPECT_EQ(image[86 + 4], 38);
  EXPECT_EQ(std::string(image.begin() + 92, image.begin() + 123), name);
  EXPECT_EQ(image[123], 0);
  EXPECT_EQ(image, ExpectedDatabase("Ringtones", {{name, tune}}));
}

TEST_F(DatabaseWriterTest, DatabaseNameKeepsItsNulAndIsCutTo31) {
  const std::string thirty_one = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Bells", "Bells"}, {thirty_one, thirty_one}, {thirty_one + "fghij12345", thirty_one}};
  for (const auto& [given, stored] : cases) {
    SCOPED_TRACE(given);
    auto tune = MidiBytes(25);
    Write({{"t.mid", "t", tune, 25}}, given);
    auto image = ReadBytes(destination);
    std::vector<std::uint8_t> field(32, 0);
    std::copy(stored.begin(), stored.end(), field.begin());
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.begin() + 32), field);
    EXPECT_EQ(image, ExpectedDatabase(stored, {{"t", tune}}));
  }
}

TEST_F(DatabaseWriterTest, EmptyRecordNameIsASingleNul) {
  auto tune = MidiBytes(25);
  Write({{".mid", "", tune, 25}});
  auto image = ReadBytes(destination);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 86, image.begin() + 93),
            (std::vector<std::uint8_t>{'P', 'M', 'r', 'c', 7, 0, 0}));
  EXPECT_EQ(image, ExpectedDatabase("Ringtones", {{"", tune}}));
}

TEST_F(DatabaseWriterTest, TheClockIsReadOnceForBothDates) {
  class AdvancingClock : public Clock {
   public:
    DateTime Now() override { return EncodeDateTime(2004, 1, 1) + calls++; }  // a day later each time
    int calls = 0;
  } advancing;
  Source tune = Tune("x", 40);
  WriteBytes(dir / tune.file_name, tune.bytes);
  std::vector<std::string> names = {tune.file_name}, records = {tune.record_name};
  std::vector<std::uint16_t> sizes = {tune.size};
  WriteDatabase(prompts, *files, advancing, destination, "Ringtones", Listed{dir.path(), names, records, sizes}.Sources(), outcome);
  EXPECT_EQ(advancing.calls, 1);
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"x", tune.bytes}}));
}

TEST_F(DatabaseWriterTest, TwelveFilesReportTwelve) {
  std::vector<Source> sources;
  std::vector<TuneRecord> records;
  for (unsigned i = 0; i < 12; ++i) {
    sources.push_back(Tune("t" + std::to_string(i), 25 + 37 * i, i));
    records.push_back({sources.back().record_name, sources.back().bytes});
  }
  Write(sources);
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{InformationBox("12 MIDI files successfully compiled.", "Success")});
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", records));
}

TEST_F(DatabaseWriterTest, ExistingDestinationIsReplacedNotAppendedTo) {
  WriteBytes(destination, std::vector<std::uint8_t>(10000, 0xEE));
  Source tune = Tune("x", 40);
  Write({tune});
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"x", tune.bytes}}));
}

TEST_F(DatabaseWriterTest, GrownFileContributesOnlyItsCollectedSize) {
  auto grown = MidiBytes(150, 0, 7);
  Source after = Tune("after", 60, 8);
  Write({{"grown.mid", "grown", grown, 100}, after});
  std::vector<std::uint8_t> first(grown.begin(), grown.begin() + 100);
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"grown", first}, {"after", after.bytes}}));
}

TEST_F(DatabaseWriterTest, ShrunkFileIsReadBeyondEndOfFileAndTheOldDatabaseStays) {
  const Bytes old = MidiBytes(700, 0, 9);
  WriteBytes(destination, old);
  RaisedError raised = RaisedBy([&] { Write({{"s.mid", "s", MidiBytes(60), 100}}); });
  EXPECT_EQ(raised.code, kReadBeyondEndOfFile);
  EXPECT_EQ(raised.text, "Read beyond end of file");
  EXPECT_TRUE(prompts.Shown().empty());
  EXPECT_EQ(ReadBytes(destination), old);
  EXPECT_EQ(EntryNames(dir.path()), (std::vector<std::string>{"out.pdb", "s.mid"}));
}

TEST_F(DatabaseWriterTest, ThirdOfFiveMissingLeavesNoDatabase) {
  std::vector<Source> sources;
  for (unsigned i = 0; i < 5; ++i) sources.push_back(Tune("r" + std::to_string(i), 100 + i, i));
  sources[2].bytes.clear();  // never written: gone by its turn
  RaisedError raised = RaisedBy([&] { Write(sources); });
  EXPECT_EQ(raised.code, kFileNotFound);
  EXPECT_EQ(raised.text, "File not found");
  EXPECT_TRUE(prompts.Shown().empty());
  EXPECT_EQ(EntryNames(dir.path()), (std::vector<std::string>{"r0.mid", "r1.mid", "r3.mid", "r4.mid"}));
}

TEST_F(DatabaseWriterTest, DestinationThatCannotBeCreatedRaisesItsError) {
  destination = dir / "missing\\out.pdb";
  Source tune = Tune("x", 40);
  EXPECT_THROW(Write({tune}), InOutError);
  EXPECT_TRUE(prompts.Shown().empty());
}

TEST_F(DatabaseWriterTest, MisalignedListsOrTooManyFilesTouchNothing) {
  std::vector<std::string> one_name = {"a.mid"}, no_names;
  std::vector<std::uint16_t> one_size = {30};
  EXPECT_THROW(WriteDatabase(prompts, *files, clock, destination, "N", Listed{dir.path(), one_name, no_names, one_size}.Sources(), outcome),
               std::logic_error);

  std::vector<std::string> names(65536, "a.mid"), records(65536, "a");
  std::vector<std::uint16_t> sizes(65536, 30);
  RaisedError raised = RaisedBy([&] { WriteDatabase(prompts, *files, clock, destination, "N", Listed{dir.path(), names, records, sizes}.Sources(), outcome); });
  EXPECT_EQ(raised.text, "Too many MIDI files!\r\nA database holds at most 65535.");
  EXPECT_FALSE(PathExists(destination));
  EXPECT_TRUE(prompts.Shown().empty());
}

// ---- Offsets near 2 GiB, on files that hold nothing but their size ----

TEST(DatabaseWriterLimit, OffsetsReachTwoGibibytesLessOneAndNotOneByteMore) {
  // 33100 records named "t": 8 (entry) + 6 (head) + 2 (name and NUL) bytes each beside the tune.
  constexpr std::size_t kCount = 33100;
  constexpr std::uint64_t kLargest = 0x7FFFFFFF;
  const std::uint64_t tune_bytes = kLargest - 78 - 16 * kCount;
  std::vector<std::uint16_t> sizes(kCount, static_cast<std::uint16_t>(tune_bytes / kCount));
  for (std::size_t i = 0; i < tune_bytes % kCount; ++i) ++sizes[i];
  const std::vector<std::string> file_names(kCount, "t.mid"), record_names(kCount, "t");
  FixedClock clock;

  for (const std::uint64_t extra : {0, 1}) {
    SCOPED_TRACE(extra);
    std::vector<std::uint16_t> these = sizes;
    these.back() = static_cast<std::uint16_t>(these.back() + extra);
    SizedFiles files;
    ScriptedPrompts prompts;
    Outcome outcome;
    auto write = [&] {
      WriteDatabase(prompts, files, clock, "D\\out.pdb", "N", Listed{"S", file_names, record_names, these}.Sources(), outcome);
    };
    if (extra == 1) {
      EXPECT_EQ(RaisedBy(write).text, "Too much MIDI data!\r\nA database holds at most 2147483647 bytes.");
      EXPECT_TRUE(files.created.empty());
      EXPECT_TRUE(prompts.Shown().empty());
      continue;
    }
    write();
    EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{InformationBox("33100 MIDI files successfully compiled.", "Success")});
    EXPECT_EQ(files.written, kLargest);
    ASSERT_EQ(files.first_write.size(), 78 + 8 * kCount);
    // Each record lies where the one before it ends; the last one ends at the last byte.
    std::uint64_t expected_offset = 78 + 8 * kCount;
    for (std::size_t i = 0; i < kCount; ++i) {
      ASSERT_EQ(Big32At(files.first_write, 78 + 8 * i), expected_offset) << "record " << i;
      expected_offset += 8 + these[i];
    }
    EXPECT_EQ(expected_offset, kLargest);
  }
}

}  // namespace

namespace {

// A format-1 file collected for conversion is stored converted; one that has changed since it was
// collected no longer converts to the collected size, and the records after it would be misplaced.
TEST_F(DatabaseWriterTest, ConvertedFileIsStoredAsFormat0UnlessItChangedSinceCollection) {
  const Bytes original = Smf(1, {TempoTrack(), MelodyTrack("Lead", 0, 1, 8, 3)});
  const Bytes converted = midi::ConvertToFormat0(original).bytes;
  ASSERT_FALSE(converted.empty());
  WriteBytes(dir / "song.mid", original);
  const std::vector<std::string> names{"song.mid"}, records{"song"};
  const std::vector<std::uint16_t> sizes{static_cast<std::uint16_t>(converted.size())};
  WriteDatabase(prompts, *files, clock, destination, "Ringtones",
                Listed{dir.path(), names, records, sizes, Conversion::ToFormat0}.Sources(), outcome);
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"song", converted}}));

  WriteBytes(dir / "song.mid", Smf(1, {TempoTrack(), MelodyTrack("Lead", 0, 1, 9, 3)}));
  RaisedError raised = RaisedBy([&] {
    WriteDatabase(prompts, *files, clock, destination, "Ringtones",
                  Listed{dir.path(), names, records, sizes, Conversion::ToFormat0}.Sources(), outcome);
  });
  EXPECT_EQ(raised.text, "MIDI file changed while the database was written:\rsong.mid");
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"song", converted}}));
  EXPECT_EQ(EntryNames(dir.path()), (std::vector<std::string>{"out.pdb", "song.mid"}));
}

}  // namespace
