// "Extract!" clicked on the real main window under Wine: files on disk and the boxes as they came up.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/midi_files.h"
#include "support/palm_images.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"

namespace {

const char kTitle[] = "Veltro:: Carillo for Jinglo 2";

class ExtractWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.CreateFreshForm();
    harness_.SelectPage(1);
    out_ = temp_ / "out";
    MakeDirectory(out_);
  }

  void ClickExtract(const std::string& source, const std::string& destination, std::vector<std::string> answers = {}) {
    harness_.RunCommand(kBitBtn3, {{kEdit1, source}, {kEdit2, destination}}, std::move(answers));
  }

  TempDir temp_;
  std::string out_;
  WindowHarness harness_;
};

TEST_F(ExtractWindowTest, HandWrittenDatabaseExtractsIntoByteIdenticalFiles) {
  Bytes morning = LabelledTune("morning");
  Bytes slash = LabelledTune("slash");
  Bytes nul = LabelledTune("nul");
  Bytes broken = LabelledTune("broken");
  broken[1] = 'X';
  std::string database = temp_ / "System_MIDI_Sounds.pdb";
  WriteBytes(database, Database({MidiRecord("Morning", morning), MidiRecord("not a tune", LabelledTune("x"), "DATA"),
                                 MidiRecord("Broken", broken), MidiRecord("Alarm 1/2", slash),
                                 MidiRecord("NUL", nul)}));

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
  Bytes first = LabelledTune("first");
  Bytes db = Database({MidiRecord("First", first), MidiRecord("Second", LabelledTune("second")),
                       MidiRecord("Third", LabelledTune("third")), MidiRecord("Fourth", LabelledTune("fourth"))});
  const std::size_t second_starts = 78 + 4 * 8 + MidiRecord("First", first).size();
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
  Bytes tune = LabelledTune("one");
  WriteBytes(database, Database({MidiRecord("one", tune)}));
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
  WriteBytes(database, Database({MidiRecord("first", LabelledTune("1")), MidiRecord("second", LabelledTune("2"))}));
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
  Bytes tune = LabelledTune("kept");
  WriteBytes(database, Database({MidiRecord("kept", tune), MidiRecord("taken", LabelledTune("t"))}));
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
