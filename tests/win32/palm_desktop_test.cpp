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

namespace {

using namespace palm_desktop_fixture;

// RegDeleteTree needs a newer Windows than the program targets.
void DeleteKeyTree(HKEY parent, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteKeyTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, path.c_str());
}

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateKey(const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  RegCloseKey(key);
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::vector<BYTE>& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  LONG result = RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  ASSERT_EQ(result, ERROR_SUCCESS) << path << " " << name;
}

void SetString(const std::string& path, const char* name, const std::string& text) {
  std::vector<BYTE> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, REG_SZ, data);
}

void DeleteValue(const std::string& path, const char* name) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

class PalmDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    DeleteKeyTree(HKEY_CURRENT_USER, kRobotics);
    DeleteKeyTree(HKEY_CURRENT_USER, kPalmComputing);
    ASSERT_FALSE(KeyExists(kRobotics));
    ASSERT_FALSE(KeyExists(kPalmComputing));
  }
  void TearDown() override {
    DeleteKeyTree(HKEY_CURRENT_USER, kRobotics);
    DeleteKeyTree(HKEY_CURRENT_USER, kPalmComputing);
  }

  // The keys of an installation in the temporary directory, under `root`.
  void Plant(const std::string& root, const std::string& last_user) {
    SetString(root + "\\Pilot Desktop\\Preferences", "LastUserName", last_user);
    SetString(root + "\\Pilot Desktop\\Core", "Path", dir_.path());
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
  CreateKey(kRobotics);
  EXPECT_EQ(Find(), "");
  SetString(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", "Bob");
  CreateKey(std::string(kRobotics) + "\\Pilot Desktop\\Core");
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, WithoutTheKeysTheInstallBoxComesOnce) {
  CreateKey("Software\\Palm");
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_EQ(boxes_, std::vector<Box>{kInstallBox});
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Palm");
}

TEST_F(PalmDesktopTest, MissingPreferencesOrLastUserNameGiveTheFirstUser) {
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  std::string first = PlantBackup("AnnF");
  PlantBackup("BobF");
  Plant(kRobotics, "Bob");
  DeleteValue(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName");
  EXPECT_EQ(Find(), first);
  DeleteKeyTree(HKEY_CURRENT_USER, std::string(kRobotics) + "\\Pilot Desktop\\Preferences");
  EXPECT_EQ(Find(), first);
  // 32 characters do not fit the name's buffer: the name is empty and the first user is used.
  SetString(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", std::string(32, 'B'));
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
  SetValue(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", REG_BINARY, {'B', 'o', 'b'});
  EXPECT_EQ(Find(), bob);
}

TEST_F(PalmDesktopTest, MissingCoreOrPathOrTooLongPathMeansNoUsers) {
  Plant(kRobotics, "Bob");  // and no users.dat: reading it would fail
  DeleteValue(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path");
  EXPECT_EQ(FindError(), "");
  SetString(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", std::string(256, 'p'));
  EXPECT_EQ(FindError(), "");
  DeleteKeyTree(HKEY_CURRENT_USER, std::string(kRobotics) + "\\Pilot Desktop\\Core");
  EXPECT_EQ(FindError(), "");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmDesktopTest, PathOfExpandTypeIsTakenAsItIs) {
  PlantUsers({{"Bob", "BobF"}});
  std::string bob = PlantBackup("BobF");
  Plant(kRobotics, "Bob");
  std::vector<BYTE> data(dir_.path().begin(), dir_.path().end());
  data.push_back(0);
  SetValue(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", REG_EXPAND_SZ, data);
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
  HANDLE lock = CreateFileA((dir_ / "users.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindError(), "I/O error 103");  // the system says 32
  CloseHandle(lock);
}

TEST_F(PalmDesktopTest, ReadOnlyUsersFileIsRead) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  std::string bob = PlantBackup("BobF");
  const std::string users = dir_ / "users.dat";
  ASSERT_TRUE(SetFileAttributesA(users.c_str(), FILE_ATTRIBUTE_READONLY));
  // Being written to by another program does not stop the read either.
  HANDLE writer = CreateFileA(users.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Find(), bob);
  CloseHandle(writer);
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
  SetString(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", dir_.path() + "\\");
  EXPECT_EQ(Find(), dir_.path() + "\\\\BobF" + kBackupTail);
}

}  // namespace
