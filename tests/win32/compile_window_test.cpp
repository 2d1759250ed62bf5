// "Compile!" clicked on the real main window under Wine: the database on disk, the boxes as they
// came up, and the way back through "Extract!" to byte-identical MIDI files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "format/palm_date.h"
#include "support/compile_fixtures.h"
#include "support/midi_files.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"
#include "win32/handles.h"

namespace {

const char kTitle[] = "Veltro:: Carillo for Jinglo 2";

// The Palm date of this moment as the file holds it, read as a number.
std::uint32_t PalmDateNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return Big32At(HostBytes(DateTimeToPalmDate(EncodeDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                                             now.wSecond, now.wMilliseconds))),
                 0);
}

ShownBox WrongFormatBox(const std::string& name) { return OkCancelBox("Wrong MIDI format:\r" + name, "MIDI Error", "OK"); }

class CompileWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.CreateFreshForm();
    harness_.SelectPage(0);
    source_ = temp_ / "tunes";
    MakeDirectory(source_);
    database_ = temp_ / "pdb\\Ringtones.pdb";
  }

  void ClickCompile(const std::string& source, const std::string& destination, const std::string& name,
                    std::vector<std::string> answers = {}) {
    harness_.RunCommand(kBitBtn6, {{kEdit3, source}, {kEdit4, destination}, {kEdit5, name}}, std::move(answers));
  }

  // "Extract!" of the compiled database into a new directory `back` on the other page.
  std::string ExtractBack() {
    harness_.ClearBoxes();
    harness_.SelectPage(1);
    const std::string back = temp_ / "back";
    MakeDirectory(back);
    harness_.RunCommand(kBitBtn3, {{kEdit1, database_}, {kEdit2, back}});
    return back;
  }

  // The written database with its two dates checked (equal, taken during the click) and then
  // set to the fixtures' fixed date, for comparison with a hand-built layout.
  Bytes DatabaseWithFixedDate(std::uint32_t before, std::uint32_t after) {
    Bytes image = ReadBytes(database_);
    EXPECT_GE(image.size(), 78u);
    if (image.size() < 78) return image;
    EXPECT_EQ(Big32At(image, 36), Big32At(image, 40));
    EXPECT_LE(before, Big32At(image, 36));
    EXPECT_GE(after, Big32At(image, 36));
    std::copy(kFixedPalmDate.begin(), kFixedPalmDate.end(), image.begin() + 36);
    std::copy(kFixedPalmDate.begin(), kFixedPalmDate.end(), image.begin() + 40);
    return image;
  }

  TempDir temp_;
  std::string source_;
  std::string database_;
  WindowHarness harness_;
};

TEST_F(CompileWindowTest, MixedFormatsCompileAndExtractBackByteForByte) {
  const Bytes alarm = Smf(0, {MelodyTrack("Alarm", 0, 80, 40, 1)});
  const Bytes fanfare = Smf(1, {TempoTrack(), MelodyTrack("Trumpet", 0, 56, 120, 2), MelodyTrack("Drums", 9, 0, 200, 3)});
  const Bytes loops = Smf(2, {MelodyTrack("Loop A", 1, 4, 16, 4), MelodyTrack("Loop B", 2, 5, 24, 5)});
  const Bytes symphony = Smf(1, {TempoTrack(), MelodyTrack("Strings", 0, 48, 11000, 6)});
  ASSERT_GT(symphony.size(), 65000u);
  WriteBytes(source_ + "\\alarm.mid", alarm);
  WriteBytes(source_ + "\\fanfare.mid", fanfare);
  WriteBytes(source_ + "\\loops.mid", loops);
  WriteBytes(source_ + "\\readme.mid", Bytes{'J', 'u', 's', 't', ' ', 'a', ' ', 'n', 'o', 't', 'e', ' ', 'a', 'b', 'o',
                                             'u', 't', ' ', 't', 'h', 'e', ' ', 't', 'u', 'n', 'e', 's', '.'});
  WriteBytes(source_ + "\\symphony.mid", symphony);
  WriteBytes(source_ + "\\tiny.mid", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6});
  harness_.SetCheck(false);

  std::uint32_t before = PalmDateNow();
  ClickCompile(source_ + "\\", database_, "Ringtones", {"OK", "OK", "OK", "OK"});
  std::uint32_t after = PalmDateNow();

  EXPECT_EQ(harness_.ShownBoxes(),
            (std::vector<ShownBox>{
                MarkedQuestionBox(4, "Directory does not exist!\r\nWould you like to create it now?", "OK"),
                WrongFormatBox("readme.mid"),
                OkCancelBox("MIDI file too large for Palm OS:\rsymphony.mid (" + std::to_string(symphony.size() / 1024) +
                                "KB)",
                            "Compatibility Error", "OK"),
                WrongFormatBox("tiny.mid"), InformationBox("3 MIDI files successfully compiled.", "Success")}));
  ASSERT_EQ(harness_.Boxes().size(), 5u);
  for (const RecordedBox& box : harness_.Boxes()) EXPECT_FALSE(box.form_was_enabled) << box;  // modal
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(harness_.Boxes()[i].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(harness_.Boxes()[i].buttons, static_cast<UINT>(MB_OKCANCEL));
    EXPECT_TRUE(harness_.Boxes()[i].owned_by_form);
    EXPECT_EQ(harness_.Boxes()[i].marked_field, 0);
  }
  EXPECT_EQ(harness_.Boxes()[4].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(harness_.Boxes()[4].buttons, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(harness_.Boxes()[4].owned_by_form);
  EXPECT_EQ(DatabaseWithFixedDate(before, after),
            ExpectedDatabase("Ringtones", {{"alarm", alarm}, {"fanfare", fanfare}, {"loops", loops}}));

  // Back through the other page.
  const std::string back = ExtractBack();
  EXPECT_EQ(harness_.ShownBoxes(), std::vector<ShownBox>{InformationBox("3 MIDI files successfully extracted.", "Success")});
  EXPECT_EQ(ReadBytes(back + "\\alarm.mid"), alarm);
  EXPECT_EQ(ReadBytes(back + "\\fanfare.mid"), fanfare);
  EXPECT_EQ(ReadBytes(back + "\\loops.mid"), loops);
  EXPECT_FALSE(PathExists(back + "\\readme.mid"));
  EXPECT_FALSE(PathExists(back + "\\symphony.mid"));
}

// MIDI files from elsewhere (CARILLO_MIDI_SAMPLES: a directory, as Windows names it), with one
// file of format 0 and one of format 2 beside them, through "Compile!" and "Extract!" and back.
TEST_F(CompileWindowTest, SampleDirectoryRoundTripsByteForByte) {
  const char* samples = std::getenv("CARILLO_MIDI_SAMPLES");
  if (samples == nullptr || *samples == '\0') GTEST_SKIP() << "CARILLO_MIDI_SAMPLES names no directory of MIDI files";

  std::vector<std::pair<std::string, Bytes>> tunes;  // in the order the compiled directory lists them
  WIN32_FIND_DATAA found;
  UniqueFind find(FindFirstFileA((std::string(samples) + "\\*.mid").c_str(), &found));
  ASSERT_TRUE(find) << samples;
  do {
    Bytes bytes = ReadBytes(std::string(samples) + "\\" + found.cFileName);
    if (bytes.size() >= 25 && bytes.size() <= 65000 && std::equal(bytes.begin(), bytes.begin() + 4, "MThd")) {
      WriteBytes(source_ + "\\" + found.cFileName, bytes);
    }
  } while (FindNextFileA(find.get(), &found));
  WriteBytes(source_ + "\\zz format 0.mid", Smf(0, {MelodyTrack("Zero", 0, 80, 300, 7)}));
  WriteBytes(source_ + "\\zz format 2.mid", Smf(2, {MelodyTrack("Two A", 1, 4, 50, 8), MelodyTrack("Two B", 2, 5, 60, 9)}));
  find.reset(FindFirstFileA((source_ + "\\*.mid").c_str(), &found));
  ASSERT_TRUE(find);
  do {
    tunes.emplace_back(found.cFileName, ReadBytes(source_ + "\\" + found.cFileName));
  } while (FindNextFileA(find.get(), &found));
  find.reset();
  ASSERT_GE(tunes.size(), 3u);

  std::vector<TuneRecord> records;
  for (const auto& [name, bytes] : tunes) records.push_back({name.substr(0, std::min<std::size_t>(name.size() - 4, 31)), bytes});
  MakeDirectory(temp_ / "pdb");
  harness_.SetCheck(false);
  std::uint32_t before = PalmDateNow();
  ClickCompile(source_, database_, "Samples");
  std::uint32_t after = PalmDateNow();
  EXPECT_EQ(harness_.ShownBoxes(),
            std::vector<ShownBox>{InformationBox(std::to_string(tunes.size()) + " MIDI files successfully compiled.", "Success")});
  EXPECT_EQ(DatabaseWithFixedDate(before, after), ExpectedDatabase("Samples", records));

  const std::string back = ExtractBack();
  EXPECT_EQ(harness_.ShownBoxes(),
            std::vector<ShownBox>{InformationBox(std::to_string(tunes.size()) + " MIDI files successfully extracted.", "Success")});
  for (const auto& [name, bytes] : tunes) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadBytes(back + "\\" + name), bytes);
  }
}

TEST_F(CompileWindowTest, Smf0OnlyCheckBoxLeavesOtherFormatsOutSilently) {
  const Bytes alarm = Smf(0, {MelodyTrack("Alarm", 0, 80, 10, 1)});
  WriteBytes(source_ + "\\alarm.mid", alarm);
  WriteBytes(source_ + "\\fanfare.mid", Smf(1, {TempoTrack(), MelodyTrack("Trumpet", 0, 56, 10, 2)}));
  MakeDirectory(temp_ / "pdb");
  harness_.SetCheck(true);

  std::uint32_t before = PalmDateNow();
  ClickCompile(source_, database_, "A name longer than thirty-one characters");
  std::uint32_t after = PalmDateNow();

  EXPECT_EQ(harness_.ShownBoxes(), std::vector<ShownBox>{InformationBox("1 MIDI files successfully compiled.", "Success")});
  EXPECT_EQ(DatabaseWithFixedDate(before, after),
            ExpectedDatabase("A name longer than thirty-one c", {{"alarm", alarm}}));
}

TEST_F(CompileWindowTest, InputProblemsAreMarkedAtTheirFields) {
  ClickCompile("", database_, "N");
  ASSERT_EQ(harness_.Boxes().size(), 1u);
  EXPECT_EQ(harness_.Boxes()[0].marked_field, 3);
  EXPECT_EQ(harness_.Boxes()[0].focused_field, 3);
  EXPECT_EQ(harness_.Boxes()[0].icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(harness_.ShownBoxes(), std::vector<ShownBox>{InputErrorBox(3, "No directory selected!")});

  harness_.ClearBoxes();
  ClickCompile(source_, database_, "N", {"OK"});
  EXPECT_EQ(harness_.ShownBoxes(),
            (std::vector<ShownBox>{MarkedQuestionBox(4, "Directory does not exist!\r\nWould you like to create it now?", "OK"),
                                   InputErrorBox(3, "No MIDI files found!")}));
  EXPECT_TRUE(PathExists(temp_ / "pdb"));
  EXPECT_FALSE(PathExists(database_));

  harness_.ClearBoxes();
  WriteBytes(database_, {'o', 'l', 'd'});
  ClickCompile(source_, database_, "N", {"Cancel"});
  EXPECT_EQ(harness_.Boxes()[0].buttons, static_cast<UINT>(MB_OKCANCEL));
  EXPECT_EQ(harness_.ShownBoxes(), std::vector<ShownBox>{MarkedQuestionBox(4, "File already exists!\r\nOverwrite?", "Cancel")});
  EXPECT_EQ(ReadBytes(database_), (Bytes{'o', 'l', 'd'}));
}

TEST_F(CompileWindowTest, FailuresReachTheGeneralErrorReport) {
  WriteBytes(source_ + "\\alarm.mid", Smf(0, {MelodyTrack("Alarm", 0, 80, 10, 1)}));

  ClickCompile(source_, "Ringtones.pdb", "N", {"OK"});
  ASSERT_EQ(harness_.Boxes().size(), 2u);
  EXPECT_EQ(harness_.Boxes()[1], ErrorBox("Unable to create directory.", kTitle, true));

  // Another program holds the MIDI file open without sharing it.
  harness_.ClearBoxes();
  MakeDirectory(temp_ / "pdb");
  UniqueFile held(CreateFileA((source_ + "\\alarm.mid").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  ClickCompile(source_, database_, "N");
  held.reset();
  EXPECT_EQ(harness_.Boxes(), std::vector<RecordedBox>{ErrorBox("I/O error 32.", kTitle, true)});
  EXPECT_FALSE(PathExists(database_));
}

}  // namespace
