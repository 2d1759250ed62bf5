// The Palm Desktop lookup as the real main window's start-up runs it under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/users_file_image.h"
#include "support/window_harness.h"

namespace {

class PalmDesktopWindowTest : public testing::Test {
 protected:
  void SetUp() override { ResetUserRegistry(); }
  void TearDown() override { ResetUserRegistry(); }

  WindowHarness harness_;
};

TEST_F(PalmDesktopWindowTest, WithoutPalmDesktopEveryStartShowsOneInstallBox) {
  const RecordedBox install = ErrorBox("The Palm Desktop software is not correctly installed.", "Install", false);
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    harness_.CreateForm();
    EXPECT_EQ(harness_.Boxes(), std::vector<RecordedBox>{install});
    EXPECT_EQ(harness_.Text(kEdit1), "");
    ASSERT_TRUE(harness_.CloseForm());
    harness_.ClearBoxes();
  }
}

TEST_F(PalmDesktopWindowTest, StartProposesTheLastUsersBackup) {
  TempDir palm;
  SetUserText("Software\\Palm Computing\\Pilot Desktop\\Preferences", "LastUserName", "Bob");
  SetUserText("Software\\Palm Computing\\Pilot Desktop\\Core", "Path", palm.path());
  WriteBytes(palm / "users.dat", UsersFileImage({{"Ann", "AnnF"}, {"Bob", "BobF"}}));
  for (const char* folder : {"AnnF", "BobF"}) {
    MakeDirectory(palm / folder + "\\Backup");
    WriteBytes(palm / folder + "\\Backup\\System_MIDI_Sounds.pdb", {0x00});
  }
  harness_.CreateForm();
  EXPECT_TRUE(harness_.Boxes().empty());
  EXPECT_EQ(harness_.Text(kEdit1), palm.path() + "\\BobF\\Backup\\System_MIDI_Sounds.pdb");
}

}  // namespace
