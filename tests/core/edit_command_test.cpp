// Editing a database: each answer to Tune exists, a full disk, removals beside additions, as they
// reach the disk.
#include "commands/edit_command.h"

#include <gtest/gtest.h>

#include "support/compile_fixtures.h"
#include "support/fake_file_system.h"
#include "support/raised_error.h"
#include "support/scripted_prompts.h"

namespace {

const std::string kDb = "db.pdb";
const StoredRecord kBird{MidiRecord("Bird", OneNoteTune(0, 60)), 0x60, 5}, kForeign{{'D', 'A', 'T', 'A'}, 0x85, 9},
    kOwl{MidiRecord("Owl", OneNoteTune(0, 64)), 0x00, 2};

// A backup as the handheld makes it, or that backup edited at the fixed clock's moment (its seed
// past the IDs new records took).
Bytes Backup(const std::vector<StoredRecord>& records, bool edited = false, std::uint32_t seed = 0) {
  Bytes db = DatabaseWithInfo(records, true, {7, 7}, {}, {"System MIDI Sounds", 0x0018, {1, 2, 3, 4}});
  PutBig32(db, 48, edited ? 8 : 7);  // modification number
  PutBig32(db, 68, seed);
  if (edited) std::copy(kFixedPalmDate.begin(), kFixedPalmDate.end(), db.begin() + 40);
  return db;
}

ShownBox Question(const std::string& name, const std::string& answer) {
  return YesNoCancelBox("A tune named \"" + name + "\" is already in the database.\r\nReplace it?", "Tune exists", answer);
}

TEST(AddTunes, EachAnswerToTuneExists) {
  struct Case {
    std::vector<std::string> answers;
    std::vector<StoredRecord> records;  // empty: the backup untouched
    std::string summary;
    std::vector<std::string> skipped;
    std::size_t failing_write = 0;
  } cases[] = {
      {{"Yes", "Yes"},
       {{MidiRecord("Bird", OneNoteTune(0, 61)), 0x60, 5}, kForeign, kOwl, {MidiRecord("Cat", OneNoteTune(0, 63)), 0x40, 10}},
       "1 tune added, 2 replaced, 0 removed; the database holds 4 records.", {}},
      {{"No", "No"},
       {kBird, kForeign, kOwl, {MidiRecord("Cat", OneNoteTune(0, 62)), 0x40, 10}},
       "1 tune added, 0 replaced, 0 removed; the database holds 4 records.", {"T\\Bird.mid", "U\\Cat.mid"}},
      {{"Cancel"}, {}, "", {}},
      {{"Yes", "No"}, {}, "", {"U\\Cat.mid"}, 2},  // the disk full after the header and list
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers.front() + (c.failing_write ? " and a full disk" : ""));
    FakeFileSystem files;
    files.directories = {"T", "U"};
    files.failing_write = c.failing_write;
    files.files = {{kDb, Backup({kBird, kForeign, kOwl})},
                   {"T\\Bird.mid", OneNoteTune(0, 61)},
                   {"T\\Cat.mid", OneNoteTune(0, 62)},
                   {"U\\Cat.mid", OneNoteTune(0, 63)}};
    const std::map<std::string, Bytes> before = files.files;
    ScriptedPrompts prompts;
    prompts.Script(c.answers);
    FixedClock clock;
    const RaisedError raised =
        RaisedBy([&] { EditTunes(prompts, files, clock, {.database_path = kDb, .sources = {"T", "U"}, .collection = {.thorough = true}}); });
    EXPECT_EQ(raised.code, c.failing_write ? kDiskFull : -1);
    std::vector<ShownBox> shown = {Question("Bird", c.answers[0])};
    if (c.answers.size() > 1) shown.push_back(Question("Cat", c.answers[1]));
    if (!c.summary.empty()) shown.push_back(InformationBox(c.summary, "Success"));
    EXPECT_EQ(prompts.Shown(), shown);
    EXPECT_EQ(prompts.Messages()[0].subject, (Subject{kDb, 1, "Bird"}));
    if (c.answers.size() > 1) {
      EXPECT_EQ(prompts.Messages()[1].subject.record, 4u) << "the number the run gives Cat";
    }
    std::vector<std::string> skipped;
    for (const Message& note : prompts.Notes()) skipped.push_back(note.subject.path);
    EXPECT_EQ(skipped, c.skipped);
    if (c.records.empty()) {
      EXPECT_EQ(files.files, before) << "the backup as it was, and nothing beside it";
    } else {
      EXPECT_EQ(files.files[kDb], Backup(c.records, true, 11));
      EXPECT_EQ(files.durability[kDb], Durability::Flushed);
    }
  }
}

// Removals go first: a tune named as a removed record is no question, and may leave it the only one.
TEST(EditTunes, RemovalsBeforeAdditions) {
  const StoredRecord new_bird{MidiRecord("Bird", OneNoteTune(0, 61)), 0x40, 10};
  struct Case {
    std::vector<std::string> removals, sources;
    std::vector<StoredRecord> records;  // empty: refused, nothing written
    ShownBox box;
  } cases[] = {
      {{"Bird"}, {"T"}, {kForeign, kOwl, new_bird},
       InformationBox("1 tune added, 0 replaced, 1 removed; the database holds 3 records.", "Success")},
      {{"#1", "#2", "#3"}, {"T"}, {new_bird},
       InformationBox("1 tune added, 0 replaced, 3 removed; the database holds 1 record.", "Success")},
      {{"#3", "Owl", "#1", "#2"}, {}, {}, InputErrorBox(1, kWouldBeEmpty)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.removals.front());
    FakeFileSystem files;
    files.directories = {"T"};
    files.files = {{kDb, Backup({kBird, kForeign, kOwl})}, {"T\\Bird.mid", OneNoteTune(0, 61)}};
    const std::map<std::string, Bytes> before = files.files;
    std::vector<RecordChoice> removals;
    for (const std::string& name : c.removals) removals.push_back({name, name});
    ScriptedPrompts prompts;
    FixedClock clock;
    EditTunes(prompts, files, clock,
              {.database_path = kDb, .removals = removals, .sources = c.sources, .collection = {.thorough = true}});
    EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{c.box});
    std::map<std::string, Bytes> expected = before;
    if (!c.records.empty()) expected[kDb] = Backup(c.records, true, 11);
    EXPECT_EQ(files.files, expected);
  }
}

}  // namespace
