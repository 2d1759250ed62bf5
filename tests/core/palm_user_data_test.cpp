// The Palm Desktop user lookup over an in-memory registry and real files.
#include "desktop/palm_user_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "seams/app_error.h"
#include "support/fake_file_system.h"
#include "support/memory_registry.h"
#include "support/palm_desktop_fixture.h"
#include "support/raised_error.h"
#include "support/temp_dir.h"
#include "support/users_file_image.h"

namespace {

using namespace palm_desktop_fixture;

// Forwards to the real key and logs every use; the lookup must never write.
class LoggingKey : public RegistryKey {
 public:
  LoggingKey(std::unique_ptr<RegistryKey> inner, std::string path, std::vector<std::string>& log)
      : inner_(std::move(inner)), path_(std::move(path)), log_(log) {}

  std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, RegistryAccess access) override {
    std::string full = path_.empty() ? path : path_ + "\\" + path;
    log_.push_back("open " + full + (access == RegistryAccess::Read ? "" : " for writing"));
    std::unique_ptr<RegistryKey> sub = inner_->OpenSubKey(path, access);
    if (!sub) return nullptr;
    return std::make_unique<LoggingKey>(std::move(sub), full, log_);
  }
  std::unique_ptr<RegistryKey> CreateSubKey(const std::string& path) override {
    ADD_FAILURE() << "creates " << path;
    return nullptr;
  }
  std::optional<RegistryValue> QueryValue(const std::string& name) override {
    log_.push_back("query " + path_ + ":" + name);
    return inner_->QueryValue(name);
  }
  bool SetValue(const std::string& name, std::uint32_t, std::span<const std::uint8_t>) override {
    ADD_FAILURE() << "sets " << name;
    return false;
  }

 private:
  std::unique_ptr<RegistryKey> inner_;
  std::string path_;
  std::vector<std::string>& log_;
};

FakeFileSystem ReadOnly(FileSystem& real) {
  FakeFileSystem files(real);
  files.read_only = true;
  return files;
}

// One Palm Desktop installation in a temporary directory, with its registry keys.
class PalmUserDataTest : public testing::Test {
 protected:
  void Plant(const char* root, const std::string& last_user) {
    registry_.SetString(std::string(root) + "\\Pilot Desktop\\Preferences", "LastUserName", last_user);
    registry_.SetString(std::string(root) + "\\Pilot Desktop\\Core", "Path", dir_.path());
  }
  void PlantUsers(const std::vector<UserRecordImage>& users) { palm_desktop_fixture::PlantUsers(dir_, users); }
  std::string PlantBackup(const std::string& folder) { return palm_desktop_fixture::PlantBackup(dir_, folder); }

  // Runs the lookup with `path` as its starting value and gives the value it leaves.
  std::string Find(std::string path = "") {
    LoggingKey root(registry_.Root(), "", registry_log_);
    FindDefaultBackupPath(root, files_, Recorder(), path);
    return path;
  }
  TPalmUserData Read() {
    LoggingKey root(registry_.Root(), "", registry_log_);
    return TPalmUserData(root, files_, Recorder());
  }
  // The text of the InOutError the lookup raises; empty when it raises none.
  std::string FindError() { return RaisedBy([&] { Find(); }).text; }
  ShowErrorBox Recorder() {
    return [this](const std::string& text, const std::string& caption) { boxes_.push_back({text, caption}); };
  }

  MemoryRegistry registry_;
  TempDir dir_;
  std::vector<Box> boxes_;
  std::vector<std::string> registry_log_;
  // The real files, every open, close and existence test logged; the lookup must never write.
  std::unique_ptr<FileSystem> real_files_ = MakePlatformFileSystem();
  FakeFileSystem files_ = ReadOnly(*real_files_);
};


TEST_F(PalmUserDataTest, ProposesTheLastUsersBackup) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}, {"Cy", "CyF"}});
  PlantBackup("AnnF");
  std::string backup = PlantBackup("BobF");
  EXPECT_EQ(Find(), dir_.path() + "\\BobF\\Backup\\System_MIDI_Sounds.pdb");
  EXPECT_EQ(Find(), backup);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmUserDataTest, ReadsOnlyWhatItNeedsInOrder) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  std::string backup = PlantBackup("BobF");
  Find();
  EXPECT_EQ(registry_log_, (std::vector<std::string>{
                               "open Software\\U.S. Robotics",
                               "open Software\\U.S. Robotics\\Pilot Desktop\\Preferences",
                               "query Software\\U.S. Robotics\\Pilot Desktop\\Preferences:LastUserName",
                               "open Software\\U.S. Robotics\\Pilot Desktop\\Core",
                               "query Software\\U.S. Robotics\\Pilot Desktop\\Core:Path",
                           }));
  EXPECT_EQ(files_.log, (std::vector<std::string>{"open " + dir_.path() + "\\users.dat", "close", "exists " + backup}));
}

TEST_F(PalmUserDataTest, PalmComputingIsTheFallback) {
  Plant(kPalmComputing, "Bob");
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  std::string backup = PlantBackup("BobF");
  EXPECT_EQ(Find(), backup);
  EXPECT_EQ(registry_log_.at(0), "open Software\\U.S. Robotics");
  EXPECT_EQ(registry_log_.at(1), "open Software\\Palm Computing");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmUserDataTest, RoboticsWinsEvenWithoutItsSubkeys) {
  Plant(kPalmComputing, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  PlantBackup("BobF");
  registry_.Node(kRobotics);
  EXPECT_EQ(Find(), "");
  for (const std::string& entry : registry_log_) EXPECT_EQ(entry.find("Palm Computing"), std::string::npos) << entry;
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(files_.log.empty());

  registry_.SetString(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", "Bob");
  EXPECT_EQ(Find(), "");
}

TEST_F(PalmUserDataTest, NeitherKeyShowsTheInstallBoxOnce) {
  registry_.Node("Software\\Palm");  // near misses do not count
  registry_.Node("Software\\U.S. Robotics Inc");
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_EQ(boxes_, std::vector<Box>{kInstallBox});
  EXPECT_EQ(registry_log_, (std::vector<std::string>{"open Software\\U.S. Robotics", "open Software\\Palm Computing"}));
  EXPECT_TRUE(files_.log.empty());
}

TEST_F(PalmUserDataTest, RefusedKeysCountAsMissing) {
  Plant(kRobotics, "Bob");
  Plant(kPalmComputing, "Bob");
  registry_.Node(kRobotics).deny_open = true;
  registry_.Node(kPalmComputing).deny_open = true;
  EXPECT_EQ(Find(), "");
  EXPECT_EQ(boxes_, std::vector<Box>{kInstallBox});
}

TEST_F(PalmUserDataTest, InstallBoxLeavesNoUsers) {
  TPalmUserData data = Read();
  EXPECT_EQ(data.UserCount(), 0);
  EXPECT_EQ(data.LastUserIndex(), 0);
  EXPECT_EQ(data.GetDesktopPath(), "");
  EXPECT_EQ(data.LastUserName(), "");
  EXPECT_EQ(data.GetUserDirectory(0), "");
  EXPECT_EQ(boxes_, std::vector<Box>{kInstallBox});
}

TEST_F(PalmUserDataTest, AccessorsAnswerFromTheFile) {
  Plant(kRobotics, "Cy");
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}, {"Cy", "CyF"}});
  TPalmUserData data = Read();
  EXPECT_EQ(data.UserCount(), 3);
  EXPECT_EQ(data.LastUserIndex(), 2);
  EXPECT_EQ(data.GetDesktopPath(), dir_.path());
  EXPECT_EQ(data.LastUserName(), "Cy");
  const std::pair<std::int32_t, const char*> folders[] = {{-1, ""}, {0, "AnnF"}, {1, "BobF"}, {2, "CyF"}, {3, ""},
                                                          {255, ""}, {INT32_MIN, ""}, {INT32_MAX, ""}};
  for (const auto& [index, folder] : folders) EXPECT_EQ(data.GetUserDirectory(index), folder) << index;
}

TEST_F(PalmUserDataTest, MissingPreferencesGiveTheFirstUser) {
  Plant(kRobotics, "Bob");
  registry_.Find(std::string(kRobotics) + "\\Pilot Desktop")->subkeys.erase("Preferences");
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  std::string first = PlantBackup("AnnF");
  PlantBackup("BobF");
  EXPECT_EQ(Find(), first);
}

TEST_F(PalmUserDataTest, MissingLastUserNameMatchesAnEmptyName) {
  Plant(kRobotics, "Bob");
  registry_.Node(std::string(kRobotics) + "\\Pilot Desktop\\Preferences").values.clear();
  PlantUsers({{"Ann", "AnnF"}, {"", "NoName"}, {"Bob", "BobF"}});
  std::string backup = PlantBackup("NoName");
  PlantBackup("AnnF");
  EXPECT_EQ(Find(), backup);
}

struct LastUserNameCase {
  const char* label;
  std::vector<std::uint8_t> data;
  std::string expected;
};

Bytes BytesOf(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

TEST_F(PalmUserDataTest, LastUserNameFitsItsBuffer) {
  const LastUserNameCase cases[] = {
      {"plain", BytesOf(std::string("Bob\0", 4)), "Bob"},
      {"without closing zero", BytesOf("Bob"), "Bob"},
      {"text ends at the first zero", BytesOf(std::string("Bob\0Ann\0", 8)), "Bob"},
      {"31 characters", BytesOf(std::string(31, 'x') + '\0'), std::string(31, 'x')},
      {"32 bytes without a zero", BytesOf(std::string(32, 'x')), ""},
      {"32 characters", BytesOf(std::string(32, 'x') + '\0'), ""},
      {"over 32 bytes even with an early zero", BytesOf(std::string("Bob\0", 4) + std::string(29, 'x')), ""},
      {"empty data", {}, ""},
  };
  PlantUsers({{"Bob", "BobF"}});
  Plant(kRobotics, "");
  for (const LastUserNameCase& test : cases) {
    SCOPED_TRACE(test.label);
    registry_.SetRaw(std::string(kRobotics) + "\\Pilot Desktop\\Preferences", "LastUserName", kRegBinary, test.data);
    EXPECT_EQ(Read().LastUserName(), test.expected);
  }
}

TEST_F(PalmUserDataTest, MissingCoreOrPathMeansNoUsersAndNoMessage) {
  Plant(kRobotics, "Bob");
  registry_.Node(std::string(kRobotics) + "\\Pilot Desktop\\Core").values.clear();
  EXPECT_EQ(Read().UserCount(), 0);
  EXPECT_EQ(Find("kept"), "kept");
  registry_.Find(std::string(kRobotics) + "\\Pilot Desktop")->subkeys.erase("Core");
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(files_.log.empty());
}

TEST_F(PalmUserDataTest, PathLongerThanItsBufferIsAFailedRead) {
  Plant(kRobotics, "Bob");
  const std::string core = std::string(kRobotics) + "\\Pilot Desktop\\Core";
  registry_.SetString(core, "Path", std::string(256, 'p'));
  EXPECT_EQ(FindError(), "");
  registry_.SetRaw(core, "Path", kRegSz, BytesOf(std::string(256, 'p')));
  EXPECT_EQ(FindError(), "");
  EXPECT_TRUE(files_.log.empty());
  // 255 characters fit, so users.dat is looked for there.
  registry_.SetString(core, "Path", std::string(255, 'p'));
  EXPECT_EQ(FindError(), "I/O error 103");
  EXPECT_EQ(files_.log.at(0), "open " + std::string(255, 'p') + "\\users.dat");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmUserDataTest, PathOfAnyTypeEndsAtItsFirstZero) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  std::string backup = PlantBackup("BobF");
  std::vector<std::uint8_t> data = BytesOf(dir_.path());
  data.push_back(0);
  data.insert(data.end(), {'x', 'y', 0});
  registry_.SetRaw(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", kRegExpandSz, data);
  EXPECT_EQ(Find(), backup);
}

TEST_F(PalmUserDataTest, UnopenableUsersFileIsIoError103) {
  Plant(kRobotics, "Bob");
  EXPECT_EQ(FindError(), "I/O error 103");  // missing
  MakeDirectory(dir_ / "users.dat");
  EXPECT_EQ(FindError(), "I/O error 103");  // a directory
  try {
    Read();
    FAIL();
  } catch (const InOutError& error) {
    EXPECT_EQ(error.code(), kFileNotOpen);
  }
  registry_.SetString(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", dir_ / "missing");
  EXPECT_EQ(FindError(), "I/O error 103");  // a missing directory
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmUserDataTest, ReadOnlyUsersFileIsRead) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  std::string backup = PlantBackup("BobF");
  std::string native = NativePath(dir_ / "users.dat");
  std::filesystem::permissions(native, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  EXPECT_EQ(Find(), backup);
}

TEST_F(PalmUserDataTest, ShortUsersFileIsReadBeyondEndAndClosed) {
  Plant(kRobotics, "Bob");
  std::vector<std::uint8_t> image = UsersFileImage({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{13}, image.size() - 1}) {
    files_.log.clear();
    WriteBytes(dir_ / "users.dat", std::vector<std::uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(FindError(), "Read beyond end of file") << length;
    EXPECT_EQ(files_.log, (std::vector<std::string>{"open " + dir_.path() + "\\users.dat", "close"})) << length;
  }
}

TEST_F(PalmUserDataTest, UserCountZeroLeavesThePath) {
  Plant(kRobotics, "Bob");
  WriteBytes(dir_ / "users.dat", UsersFileImage({{"Bob", "BobF"}}, 0));
  PlantBackup("BobF");
  EXPECT_EQ(Find("kept"), "kept");
  EXPECT_EQ(Read().UserCount(), 0);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PalmUserDataTest, MissingBackupLeavesThePath) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Ann", "AnnF"}, {"Bob", "BobF"}});
  PlantBackup("AnnF");  // only another user's backup
  EXPECT_EQ(Find("C:\\old.pdb"), "C:\\old.pdb");
  EXPECT_EQ(files_.log.back(), "exists " + dir_.path() + "\\BobF" + kBackupTail);
}

TEST_F(PalmUserDataTest, BackupThatIsADirectoryDoesNotCount) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", "BobF"}});
  MakeDirectory(dir_ / ("BobF" + std::string(kBackupTail)));
  EXPECT_EQ(Find(), "");
}

TEST_F(PalmUserDataTest, DesktopPathEndingInSeparatorDoublesIt) {
  Plant(kRobotics, "Bob");
  registry_.SetString(std::string(kRobotics) + "\\Pilot Desktop\\Core", "Path", dir_.path() + "\\");
  PlantUsers({{"Bob", "BobF"}});
  PlantBackup("BobF");
  EXPECT_EQ(Find(), dir_.path() + "\\\\BobF" + kBackupTail);
  EXPECT_EQ(files_.log.at(0), "open " + dir_.path() + "\\\\users.dat");
}

TEST_F(PalmUserDataTest, EmptyFolderNameGivesDoubledSeparator) {
  Plant(kRobotics, "Bob");
  PlantUsers({{"Bob", ""}});
  MakeDirectory(dir_ / "Backup");
  WriteBytes(dir_.path() + "\\Backup\\System_MIDI_Sounds.pdb", {0});
  EXPECT_EQ(Find(), dir_.path() + "\\\\Backup\\System_MIDI_Sounds.pdb");
}

}  // namespace
