// Editing a database: every kept byte, replaced, removed and new records, unique IDs, refusals.
#include "format/database_edit.h"

#include <gtest/gtest.h>

#include "support/midi_files.h"
#include "support/palm_images.h"

namespace palm {
namespace {

const Bytes kApp = {1, 2, 3}, kSort = {4, 5, 6, 7, 8};
constexpr std::uint32_t kDate = 0x12345678;  // in memory's order: stored 78 56 34 12

// MIDI, foreign and wrong-format records, with attributes and unique IDs.
const std::vector<StoredRecord> kRecords = {{MidiRecord("Alarm", OneNoteTune(0, 60)), 0x60, 0x0A0B0C},
                                            {{'D', 'A', 'T', 'A', 9}, 0x85, 0x000102},
                                            {MidiRecord("Odd", {'M', 'T', 'r', 'k'}), 0x00, 3}};
// `modified` is the modification date, 0x78563412 as kDate is stored.
Bytes Image(const std::vector<StoredRecord>& records, bool padded, const Bytes& app, const Bytes& sort,
            std::uint32_t modification, std::uint32_t modified = 0x01020304) {
  Bytes db = DatabaseWithInfo(records, padded, app, sort, {"System MIDI Sounds", 0x0018, {1, 2, 3, 4}});
  PutBig32(db, 40, modified);
  PutBig32(db, 44, 0xBAC0FF00);  // last backup
  PutBig32(db, 48, modification);
  PutBig32(db, 68, 0x5EED0000);  // unique ID seed
  return db;
}
Bytes Edit(const Bytes& db, const EditPlan& plan) { return LayOutEdit(ReadForEditing(db), plan, kDate, ~0u).Joined(); }
EditPlan Unchanged(std::size_t count) { return {std::vector<RecordChange>(count), {}}; }

TEST(DatabaseEdit, KeepsEveryByteButTheDateModificationNumberAndCount) {
  struct Case { bool padded; Bytes app, sort; std::uint32_t modification; };
  for (const Case& c : {Case{false, {}, {}, 7}, Case{true, kApp, kSort, 0xFFFFFFFF}, Case{true, {}, kSort, 0},
                        Case{false, kApp, {}, 1}}) {
    EXPECT_EQ(Edit(Image(kRecords, c.padded, c.app, c.sort, c.modification), Unchanged(3)),
              Image(kRecords, c.padded, c.app, c.sort, c.modification + 1, 0x78563412));
  }
}

TEST(DatabaseEdit, RemovesReplacesInPlaceAndAppendsWithNewIds) {
  const Bytes tune = OneNoteTune(0, 70), other = OneNoteTune(1, 71);
  EditPlan plan = Unchanged(3);
  plan.existing[0].kind = RecordChange::Kind::Remove;  // its ID, the largest, stays used
  plan.existing[2] = {RecordChange::Kind::Replace, {"New name", tune}};
  plan.appended = {{"A", other}, {std::string(40, 'x'), tune}};
  EXPECT_EQ(Edit(Image(kRecords, true, kApp, kSort, 5), plan),
            Image({kRecords[1], {MidiRecord("New name", tune), 0x40, 3}, {MidiRecord("A", other), 0x40, 0x0A0B0D},
                   {MidiRecord(std::string(31, 'x'), tune), 0x40, 0x0A0B0E}},
                  true, kApp, kSort, 6, 0x78563412));
}

TEST(DatabaseEdit, NewIdsStartAtTheSeedOrAboveTheLargestAndTheSeedFollows) {
  struct Case { std::uint32_t seed, largest_id; std::size_t appended; std::uint32_t first_id, seed_after; };
  for (Case c : {Case{0xA00006, 0xA00009, 2, 0xA0000A, 0xA0000C}, Case{0xA00006, 0x000005, 2, 0xA00006, 0xA00008},
                 Case{0xA00006, 0x000005, 0, 0, 0xA00006}, Case{0x5EED0000, 7, 1, 8, 0x5EED0000}}) {
    Bytes image = Image({{{'D', 'A', 'T', 'A'}, 0x40, c.largest_id}}, false, {}, {}, 0);
    PutBig32(image, 68, c.seed);
    EditPlan plan{std::vector<RecordChange>(1), std::vector<NewTune>(c.appended, {"n", {}})};
    const Bytes edited = Edit(image, plan);
    EXPECT_EQ(Big32At(edited, 68), c.seed_after) << c.seed;
    if (c.appended > 0) {
      EXPECT_EQ(Big32At(edited, 78 + 8 + 4) & 0xFFFFFF, c.first_id) << c.seed;
    }
  }
}

TEST(DatabaseEdit, RefusesRecordCountsSizesAndUniqueIdsPastTheLimits) {
  // The database is 90 bytes; each record named "n" without a tune adds 16.
  struct Case { std::uint32_t largest_id; std::size_t appended; std::uint64_t largest_image; EditOutcome outcome; };
  for (Case c : {Case{0, 65534, 0x7FFFFFFF, EditOutcome::Done}, Case{0, 65535, 0x7FFFFFFF, EditOutcome::TooManyRecords},
                 Case{0, 1, 106, EditOutcome::Done}, Case{0, 1, 105, EditOutcome::TooMuchData},
                 Case{0xFFFFFE, 1, 106, EditOutcome::Done}, Case{0xFFFFFE, 2, 200, EditOutcome::UniqueIdsExhausted}}) {
    const Bytes image = Image({{{'D', 'A', 'T', 'A'}, 0x40, c.largest_id}}, false, {}, {}, 0);
    EditPlan plan{std::vector<RecordChange>(1), std::vector<NewTune>(c.appended, {"n", {}})};
    EXPECT_EQ(LayOutEdit(ReadForEditing(image), plan, kDate, c.largest_image).Outcome(), c.outcome)
        << c.appended << " records, at most " << c.largest_image << " bytes";
  }
}

TEST(DatabaseEdit, RefusesWhatItCannotCopyFaithfully) {
  using enum EditStatus;
  const Bytes good = Image(kRecords, true, kApp, kSort, 0);  // list ends at 102, records from 112
  // A big-endian word put at `at`, or the image cut to `at` bytes when `word` is 0.
  struct Case { std::size_t at; std::uint32_t word; EditStatus status; std::string problem; };
  for (const Case& c : std::vector<Case>{
           {70, 0, Refused, "the file is too short for a database header"},
           {60, 0x54455874, NotMidiSoundDatabase, "not a MIDI sound database (type \"TEXt\")"},
           {32, 0x00190000, Refused, "it is a resource database, which holds no records"},
           {72, 1, Refused, "its record list goes on in a further list"},
           {76, 0x00400000, Refused, "the record list runs past the end of the file"},
           {78, 101, Refused, "record 1: it begins inside the record list"},
           {94, Big32At(good, 86), Refused, "record 3: it does not begin after record 2"},
           {94, static_cast<std::uint32_t>(good.size()), Refused, "record 3: it begins past the end of the file"},
           {52, 100, Refused, "the application info block does not lie between the record list and the records"},
           {56, 112, Refused, "the sort info block does not lie between the record list and the records"},
           {56, 104, Refused, "the application and sort info blocks overlap"},
           {112 + 4, 0xFF00416C, Refused, "record 1: damaged: its data offset points past the record"}}) {
    Bytes image = good;
    c.word == 0 ? image.resize(c.at) : PutBig32(image, c.at, c.word);
    EditableDatabase database = ReadForEditing(image);
    EXPECT_EQ(database.status, c.status) << c.problem;
    EXPECT_EQ(database.problem, c.problem);
  }
}

}  // namespace
}  // namespace palm
