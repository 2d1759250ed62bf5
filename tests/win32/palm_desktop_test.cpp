// The Palm Desktop user lookup against the real registry and files under Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/palm_user_data.h"
#include "seams/app_error.h"
#include "support/palm_desktop_fixture.h"
#include "support/raised_error.h"
#include "support/temp_dir.h"
#include "support/users_file_image.h"
#include "win32/handles.h"
#include "win32/support/user_registry.h"

namespace {

using namespace palm_desktop_fixture;

class PalmDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    DeleteUserKey(kRobotics);
    DeleteUserKey(kPalmComputing);
    ASSERT_FALSE(UserKeyExists(kRobotics));
    ASSERT_FALSE(UserKeyExists(kPalmComputing));
  }
  void TearDown() override {
    DeleteUserKey(kRobotics);
    DeleteUserKey(kPalmComputing);
  }

  // The keys of an installation in the temporary directory, under `root`.
  void Plant(const std::string& root, const std::string& last_user) {
    SetUserText(root + "\\Pilot Desktop\\Preferences", "LastUserName", last_user);
    SetUserText(root + "\\Pilot Desktop\\Core", "Path", dir_.path());
  }
  void PlantUsers(const std::vector<UserRecordImage>& users) { palm_desktop_fixture::PlantUsers(dir_, users); }
  std::string PlantBackup(const std::string& folder) { return palm_desktop_fixture::PlantBackup(dir_, folder); }

  std::string Find(std::string path = "") {
    std::unique_ptr<RegistryKey> current_user = OpenCurrentUserKey();
    std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
    FindDefaultBackupPath(*current_user, *files,
                          [this](const std::string& text, const std::string& caption) {
                            boxes_.push_back({text, caption});
                          },
                          path);
    return path;
  }
  std::string FindError() { return RaisedBy([&] { Find(); }).text; }

  TempDir dir_;
  std::vector<Box> boxes_;
};

TEST_F(PalmDesktopTest, ProposesTheLastUsersBackupUnderEitherKey) {
  PlantUsers({{"Ann", "AnnF"}, {"ann", "annLower"}, {"Bob", "BobF"}});
  PlantBackup("AnnF");
  PlantBackup("annLower");
  std::string bob = PlantBackup("BobF");
  for (const char* root : {kRobotics, kPalmComputing}) {
    SCOPED_TRACE(root);
    SetUp();
    Plant(root, "Bob");
    EXPECT_EQ(Find(), dir_.path() + "\\BobF\\Backup\\System_MIDI_Sounds.pdb");
    EXPECT_EQ(Find(), bob);
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, CaseMattersAndTheLaterMatchWins) {
  PlantUsers({{"ann", "annLower"}, {"Ann", "AnnF"}, {"Bob", "BobF"}, {"Ann", "AnnAgain"}});
  PlantBackup("annLower");
  PlantBackup("AnnF");
  std::string again = PlantBackup("AnnAgain");
  Plant(kRobotics, "Ann");
  EXPECT_EQ(Find(), again);
}

TEST_F(PalmDesktopTest, RoboticsIsUsedEvenWithoutItsSubkeys) {
  PlantUsers({{"Bob", "BobF"}});
  PlantBackup("BobF");
  Plant(kPalmComputing, "Bob");
  ASSERT_TRUE(CreateUserKey(kRobotics));
  EXPECT_EQ(Find(), "");
  SetUserText(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", "Bob");
  ASSERT_TRUE(CreateUserKey(std::string(kRobotics) + "\\Pilot Desktop\\Core"));
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, WithoutTheKeysTheInstallBoxComesOnce) {
  ASSERT_TRUE(CreateUserKey("Software\\Palm"));
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_EQ(boxes_, std::vector<Box>{kInstallBox});
  DeleteUserKey("Software\\Palm");
}

TEST_F(PalmDesktopTest, MissingPreferencesOrLastUserNameGiveTheFirstUser) {
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  std::string first = PlantBackup("AnnF");
  PlantBackup("BobF");
  Plant(kRobotics, "Bob");
  DeleteUserValue(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName");
  EXPECT_EQ(Find(), first);
  DeleteUserKey(std::string(kRobotics) + "\\Pilot Desktop\\Preferences");
  EXPECT_EQ(Find(), first);
  // 32 characters do not fit the name's buffer: the name is empty and the first user is used.
  SetUserText(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", std::string(32, 'B'));
  EXPECT_EQ(Find(), first);
}

TEST_F(PalmDesktopTest, LastUserNameOfAnyTypeAndFullLength) {
  const std::string name31(31, 'L');
  PlantUsers({{"Ann", "AnnF"}, {name31, "LongF"}, {"Bob", "BobF"}});
  PlantBackup("AnnF");
  std::string longf = PlantBackup("LongF");
  std::string bob = PlantBackup("BobF");
  Plant(kRobotics, name31);
  EXPECT_EQ(Find(), longf);
  SetUserValue(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", REG_BINARY, "Bob");
  EXPECT_EQ(Find(), bob);
}

TEST_F(PalmDesktopTest, MissingCoreOrPathOrTooLongPathMeansNoUsers) {
  Plant(kRobotics, "Bob");  // and no users.dat: reading it would fail
  DeleteUserValue(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path");
  EXPECT_EQ(FindError(), "");
  SetUserText(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", std::string(256, 'p'));
  EXPECT_EQ(FindError(), "");
  DeleteUserKey(std::string(kRobotics) + "\\Pilot Desktop\\Core");
  EXPECT_EQ(FindError(), "");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, PathOfExpandTypeIsTakenAsItIs) {
  PlantUsers({{"Bob", "BobF"}});
  std::string bob = PlantBackup("BobF");
  Plant(kRobotics, "Bob");
  SetUserValue(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", REG_EXPAND_SZ, dir_.path() + '\0');
  EXPECT_EQ(Find(), bob);
}

TEST_F(PalmDesktopTest, UsersFileThatCannotBeOpenedIsIoError103) {
  Plant(kRobotics, "Bob");
  EXPECT_EQ(FindError(), "I/O error 103");  // missing: the system says 2
  MakeDirectory(dir_ / "users.dat");
  EXPECT_EQ(FindError(), "I/O error 103");  // a directory: the system says 5
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, UsersFileLockedByAnotherIsIoError103) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  UniqueFile lock(CreateFileA((dir_ / "users.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_EQ(FindError(), "I/O error 103");  // the system says 32
}

TEST_F(PalmDesktopTest, ReadOnlyUsersFileIsRead) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  std::string bob = PlantBackup("BobF");
  const std::string users = dir_ / "users.dat";
  ASSERT_TRUE(SetFileAttributesA(users.c_str(), FILE_ATTRIBUTE_READONLY));
  // Being written to by another program does not stop the read either.
  UniqueFile writer(CreateFileA(users.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_EQ(Find(), bob);
  writer.reset();
  SetFileAttributesA(users.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PalmDesktopTest, ShortUsersFileIsReadBeyondEnd) {
  Plant(kRobotics, "Bob");
  std::vector<std::uint8_t> image = UsersFileImage({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  image.pop_back();
  WriteBytes(dir_ / "users.dat", image);
  EXPECT_EQ(FindError(), "Read beyond end of file");
  // The file was closed again: it can be replaced at once.
  EXPECT_TRUE(DeleteFileA((dir_ / "users.dat").c_str()));
}

TEST_F(PalmDesktopTest, NoUsersLeavesThePath) {
  Plant(kRobotics, "Bob");
  WriteBytes(dir_ / "users.dat", {0x00});
  PlantBackup("BobF");
  EXPECT_EQ(Find("C:\\old.pdb"), "C:\\old.pdb");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, BackupThatIsADirectoryDoesNotCount) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  MakeDirectory(dir_ / "BobF" + kBackupTail);
  EXPECT_EQ(Find(), "");
  EXPECT_EQ(Find("kept"), "kept");
}

TEST_F(PalmDesktopTest, DesktopPathEndingInSeparatorDoublesIt) {
  PlantUsers({{"Bob", "BobF"}});
  PlantBackup("BobF");
  Plant(kRobotics, "Bob");
  SetUserText(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", dir_.path() + "\\");
  EXPECT_EQ(Find(), dir_.path() + "\\\\BobF" + kBackupTail);
}

}  // namespace
