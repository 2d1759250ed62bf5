// "Extract!" clicked on the real main window under Wine: files on disk and the boxes as they came up.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_cursor.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kTitle[] = "Veltro:: Carillo for Jinglo 2";

void AppendBe32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

Bytes Tune(const std::string& label) {
  Bytes tune = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60, 'M', 'T', 'r', 'k', 0, 0, 0, 4};
  tune.insert(tune.end(), label.begin(), label.end());
  tune.insert(tune.end(), {0x00, 0xFF, 0x2F, 0x00});
  return tune;
}

Bytes Record(const char (&signature)[5], const std::string& name, const Bytes& tune) {
  Bytes record(signature, signature + 4);
  record.push_back(static_cast<std::uint8_t>(name.size() + 7));
  record.push_back(0);
  record.insert(record.end(), name.begin(), name.end());
  record.push_back(0);
  record.insert(record.end(), tune.begin(), tune.end());
  return record;
}

// A record database laid out by hand: 78-byte header, 8-byte entries, the records back to back.
Bytes Database(const std::vector<Bytes>& records) {
  Bytes db(78, 0);
  const std::string name = "System MIDI Sounds";
  std::copy(name.begin(), name.end(), db.begin());
  db[33] = 0x08;  // backup flag
  const std::string type_and_creator = "smfrQsnd";
  std::copy(type_and_creator.begin(), type_and_creator.end(), db.begin() + 60);
  db[77] = static_cast<std::uint8_t>(records.size());
  std::uint32_t offset = static_cast<std::uint32_t>(78 + 8 * records.size());
  for (const Bytes& record : records) {
    AppendBe32(db, offset);
    db.insert(db.end(), {0x40, 0, 0, 0});
    offset += static_cast<std::uint32_t>(record.size());
  }
  for (const Bytes& record : records) db.insert(db.end(), record.begin(), record.end());
  return db;
}

class ExtractWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetUserRegistry();
    harness_.CreateForm();
    harness_.ClearBoxes();  // the start-up's own boxes (no Palm Desktop here)
    harness_.SelectPage(1);
    out_ = temp_ / "out";
    MakeDirectory(out_);
  }

  void ClickExtract(const std::string& source, const std::string& destination, std::vector<std::string> answers = {}) {
    harness_.SetText(kEdit1, source);
    harness_.SetText(kEdit2, destination);
    harness_.Script(std::move(answers));
    harness_.Click(kBitBtn3);
    EXPECT_TRUE(harness_.ScriptUsedUp());
    EXPECT_FALSE(app_cursor::IsBusy());
    // The run works on its own copies: the fields keep what was typed.
    EXPECT_EQ(harness_.Text(kEdit1), source);
    EXPECT_EQ(harness_.Text(kEdit2), destination);
  }

  TempDir temp_;
  std::string out_;
  WindowHarness harness_;
};

TEST_F(ExtractWindowTest, HandWrittenDatabaseExtractsIntoByteIdenticalFiles) {
  Bytes morning = Tune("morning");
  Bytes slash = Tune("slash");
  Bytes nul = Tune("nul");
  Bytes broken = Tune("broken");
  broken[1] = 'X';
  std::string database = temp_ / "System_MIDI_Sounds.pdb";
  WriteBytes(database, Database({Record("PMrc", "Morning", morning), Record("DATA", "not a tune", Tune("x")),
                                 Record("PMrc", "Broken", broken), Record("PMrc", "Alarm 1/2", slash),
                                 Record("PMrc", "NUL", nul)}));

  ClickExtract(database, out_ + "\\");

  EXPECT_EQ(harness_.ShownBoxes(), (std::vector<ShownBox>{WarningBox("Wrong MIDI format:\rBroken", "MIDI Error"),
                                                           InformationBox("3 MIDI files successfully extracted.", "Success")}));
  ASSERT_EQ(harness_.Boxes().size(), 2u);
  EXPECT_EQ(harness_.Boxes()[0].icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(harness_.Boxes()[0].buttons, static_cast<UINT>(MB_OK));
  EXPECT_EQ(harness_.Boxes()[1].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_TRUE(harness_.Boxes()[1].owned_by_form);
  EXPECT_EQ(ReadBytes(out_ + "\\Morning.mid"), morning);
  EXPECT_EQ(ReadBytes(out_ + "\\Alarm 1_2.mid"), slash);
  EXPECT_EQ(ReadBytes(out_ + "\\NUL_.mid"), nul);  // on the disk, not on the device
  EXPECT_FALSE(PathExists(out_ + "\\Broken.mid"));
  EXPECT_FALSE(PathExists(out_ + "\\not a tune.mid"));
}

// A database cut short: the record it cuts gets its own box, the ones behind it one box together,
// before the summary.
TEST_F(ExtractWindowTest, TruncatedDatabaseShowsOneWarningForTheRecordsItLost) {
  Bytes first = Tune("first");
  Bytes db = Database({Record("PMrc", "First", first), Record("PMrc", "Second", Tune("second")),
                       Record("PMrc", "Third", Tune("third")), Record("PMrc", "Fourth", Tune("fourth"))});
  const std::size_t second_starts = 78 + 4 * 8 + Record("PMrc", "First", first).size();
  db.resize(second_starts + 11);  // the file ends inside the second record's name
  std::string database = temp_ / "cut.pdb";
  WriteBytes(database, db);

  ClickExtract(database, out_);

  EXPECT_EQ(harness_.ShownBoxes(),
            (std::vector<ShownBox>{
                WarningBox("Wrong MIDI format:\rSecon", "MIDI Error"),
                WarningBox("2 records could not be read.\r\nThe database is damaged or truncated.", "MIDI Error"),
                InformationBox("1 MIDI files successfully extracted.", "Success")}));
  ASSERT_EQ(harness_.Boxes().size(), 3u);
  EXPECT_EQ(harness_.Boxes()[1].icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(harness_.Boxes()[1].buttons, static_cast<UINT>(MB_OK));
  EXPECT_EQ(harness_.Boxes()[1].marked_field, 0);
  EXPECT_TRUE(harness_.Boxes()[1].owned_by_form);
  EXPECT_EQ(ReadBytes(out_ + "\\First.mid"), first);
  EXPECT_FALSE(PathExists(out_ + "\\Secon.mid"));
}

TEST_F(ExtractWindowTest, InputProblemsAreShownAtTheirFieldsAndTheQuestionAsksThere) {
  ClickExtract("", "");
  ASSERT_EQ(harness_.Boxes().size(), 1u);
  EXPECT_EQ(harness_.Boxes()[0].marked_field, 1);
  EXPECT_EQ(harness_.Boxes()[0].focused_field, 1);
  EXPECT_EQ(harness_.ShownBoxes(), std::vector<ShownBox>{InputErrorBox(1, "No database selected!")});

  harness_.ClearBoxes();
  std::string database = temp_ / "one.pdb";
  Bytes tune = Tune("one");
  WriteBytes(database, Database({Record("PMrc", "one", tune)}));
  std::string destination = temp_ / "new\\deeper";
  ClickExtract(database, destination, {"OK"});
  ASSERT_EQ(harness_.Boxes().size(), 2u);
  EXPECT_EQ(harness_.Boxes()[0].buttons, static_cast<UINT>(MB_OKCANCEL));
  EXPECT_EQ(harness_.Boxes()[0].marked_field, 2);
  EXPECT_EQ(harness_.ShownBoxes(),
            (std::vector<ShownBox>{
                MarkedQuestionBox(2, "Directory does not exist!\r\nWould you like to create it now?", "OK"),
                InformationBox("1 MIDI files successfully extracted.", "Success")}));
  EXPECT_EQ(ReadBytes(destination + "\\one.mid"), tune);
}

TEST_F(ExtractWindowTest, OverwriteQuestionCancelEndsTheRunWithoutAnotherBox) {
  std::string database = temp_ / "two.pdb";
  WriteBytes(database, Database({Record("PMrc", "first", Tune("1")), Record("PMrc", "second", Tune("2"))}));
  WriteBytes(out_ + "\\first.mid", {'o', 'l', 'd'});

  ClickExtract(database, out_, {"Cancel"});

  ASSERT_EQ(harness_.Boxes().size(), 1u);
  EXPECT_EQ(harness_.Boxes()[0].icon, static_cast<UINT>(MB_ICONQUESTION));
  EXPECT_EQ(harness_.Boxes()[0].buttons, static_cast<UINT>(MB_YESNOCANCEL));
  EXPECT_EQ(harness_.ShownBoxes(), std::vector<ShownBox>{YesNoCancelBox(
                                       out_ + "\\first.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "Cancel")});
  EXPECT_EQ(ReadBytes(out_ + "\\first.mid"), (Bytes{'o', 'l', 'd'}));
  EXPECT_FALSE(PathExists(out_ + "\\second.mid"));
}

TEST_F(ExtractWindowTest, FailureToCreateAnOutputFileReachesTheGeneralErrorReport) {
  std::string database = temp_ / "taken.pdb";
  Bytes tune = Tune("kept");
  WriteBytes(database, Database({Record("PMrc", "kept", tune), Record("PMrc", "taken", Tune("t"))}));
  MakeDirectory(out_ + "\\taken.mid");

  ClickExtract(database, out_);

  ASSERT_EQ(harness_.Boxes().size(), 1u);
  const RecordedBox& report = harness_.Boxes()[0];
  EXPECT_EQ(report.text, "File access denied.");
  EXPECT_EQ(report.caption, kTitle);
  EXPECT_EQ(report.icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(report.buttons, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(report.cursor_was_normal);  // the bracket restored the cursor before reporting
  EXPECT_EQ(ReadBytes(out_ + "\\kept.mid"), tune);
  // The source was closed on the way out.
  EXPECT_TRUE(DeleteFileA(database.c_str()));
}

}  // namespace
