// The Win32 file layer on real files: Windows' own error codes, attributes, sharing, listing order.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "seams/app_error.h"
#include "seams/file_system.h"
#include "seams/paths.h"
#include "support/midi_files.h"
#include "support/raised_error.h"
#include "support/temp_dir.h"
#include "win32/handles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;


// A handle the test holds open, closed on every way out.
UniqueFile HoldFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return UniqueFile(CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

class Win32FileSystemTest : public testing::Test {
 protected:
  TempDir temp;
  std::unique_ptr<FileSystem> files = MakePlatformFileSystem();

  void SetAttributes(const std::string& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path << " error " << GetLastError();
  }
};

TEST_F(Win32FileSystemTest, RealFailuresCarryWindowsCodesAndTheirTexts) {
  WriteBytes(temp / "tune.mid", Bytes(24, 7));
  WriteBytes(temp / "locked.pdb", Bytes(10, 1));
  WriteBytes(temp / "readonly.pdb", Bytes(10, 2));
  SetAttributes(temp / "readonly.pdb", FILE_ATTRIBUTE_READONLY);
  MakeDirectory(temp / "folder");
  UniqueFile locker = HoldFile(temp / "locked.pdb", GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(locker.get(), INVALID_HANDLE_VALUE);

  const FailureCase cases[] = {
      {"missing file", [&] { files->OpenRead(temp / "missing.pdb"); }, ERROR_FILE_NOT_FOUND, "File not found"},
      {"missing directory", [&] { files->OpenRead(temp / "missing\\System_MIDI_Sounds.pdb"); },
       ERROR_PATH_NOT_FOUND, "Invalid filename"},
      {"directory opened as a file", [&] { files->OpenRead(temp / "folder"); }, ERROR_ACCESS_DENIED,
       "File access denied"},
      {"short read",
       [&] {
         Bytes buffer(25);
         files->OpenRead(temp / "tune.mid")->Read(buffer.data(), buffer.size());
       },
       kReadBeyondEndOfFile, "Read beyond end of file"},
      {"file held without sharing", [&] { files->OpenRead(temp / "locked.pdb"); }, ERROR_SHARING_VIOLATION,
       "I/O error 32"},
      {"creating in a missing directory", [&] { files->Create(temp / "missing\\tune.mid", Durability::Closed); },
       ERROR_PATH_NOT_FOUND, "Invalid filename"},
      {"creating over a directory", [&] { files->Create(temp / "folder", Durability::Closed); }, ERROR_ACCESS_DENIED,
       "File access denied"},
      {"replacing a file held without sharing", [&] { files->Create(temp / "locked.pdb", Durability::Flushed); },
       ERROR_SHARING_VIOLATION, "I/O error 32"},
      {"replacing a read-only file", [&] { files->Create(temp / "readonly.pdb", Durability::Flushed); },
       ERROR_ACCESS_DENIED, "File access denied"},
  };
  ExpectFailures(cases);
  EXPECT_EQ(ReadBytes(temp / "readonly.pdb"), Bytes(10, 2));
  EXPECT_EQ(EntryNames(temp.path()), (std::vector<std::string>{"folder", "locked.pdb", "readonly.pdb", "tune.mid"}));
}

TEST_F(Win32FileSystemTest, AReadOnlyFileOpensForReading) {
  WriteBytes(temp / "backup.pdb", {'d', 'a', 't', 'a'});
  SetAttributes(temp / "backup.pdb", FILE_ATTRIBUTE_READONLY);
  auto in = files->OpenRead(temp / "backup.pdb");
  Bytes bytes(4);
  in->Read(bytes.data(), bytes.size());
  in->Close();
  EXPECT_EQ(bytes, (Bytes{'d', 'a', 't', 'a'}));
}

TEST_F(Win32FileSystemTest, OpensAFileThatAnotherProgramIsWriting) {
  UniqueFile writer = HoldFile(temp / "live.pdb", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
  ASSERT_NE(writer.get(), INVALID_HANDLE_VALUE);
  DWORD put = 0;
  ASSERT_TRUE(WriteFile(writer.get(), "live", 4, &put, nullptr));

  auto in = files->OpenRead(temp / "live.pdb");
  EXPECT_EQ(in->Size(), 4u);
  Bytes bytes(4);
  in->Read(bytes.data(), bytes.size());
  EXPECT_EQ(bytes, (Bytes{'l', 'i', 'v', 'e'}));
}

TEST_F(Win32FileSystemTest, FilesOfEveryAttributeExistAndDirectoriesToo) {
  WriteBytes(temp / "hidden.mid", {1});
  WriteBytes(temp / "system.mid", {1});
  WriteBytes(temp / "readonly.mid", {1});
  MakeDirectory(temp / "hiddendir");
  SetAttributes(temp / "hidden.mid", FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(temp / "system.mid", FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(temp / "readonly.mid", FILE_ATTRIBUTE_READONLY);
  SetAttributes(temp / "hiddendir", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  for (const char* name : {"hidden.mid", "system.mid", "readonly.mid"}) {
    EXPECT_TRUE(files->FileExists(temp / name)) << name;
    EXPECT_FALSE(files->DirectoryExists(temp / name)) << name;
  }
  EXPECT_TRUE(files->DirectoryExists(temp / "hiddendir"));
  EXPECT_FALSE(files->FileExists(temp / "hiddendir"));
  EXPECT_TRUE(files->DirectoryExists("C:\\"));
  EXPECT_TRUE(files->DirectoryExists("C:"));
  EXPECT_FALSE(files->FileExists("C:\\"));
}

// What FindFirstFileA/FindNextFileA give, name by name, for comparison.
std::vector<std::string> RawListing(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  UniqueFind find(FindFirstFileA(pattern.c_str(), &found));
  if (!find) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(find.get(), &found));
  return names;
}

TEST_F(Win32FileSystemTest, ListsEveryKindOfEntryInTheListingsOwnOrder) {
  // Created out of name order, so that a sorted result would stand out where the listing is not.
  for (const char* name : {"zeta.mid", "alpha.mid", "Mid.MID", "hidden.mid", "system.mid", "readonly.mid"}) {
    WriteBytes(temp / name, Bytes(std::string(name).size(), 9));
  }
  MakeDirectory(temp / "folder.mid");
  SetAttributes(temp / "hidden.mid", FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(temp / "system.mid", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(temp / "readonly.mid", FILE_ATTRIBUTE_READONLY);
  WriteBytes(temp / "other.txt", {1});

  std::vector<DirectoryEntry> entries = files->FindFiles(temp / "*.mid");
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : entries) {
    names.push_back(entry.name);
    EXPECT_EQ(entry.is_directory, entry.name == "folder.mid") << entry.name;
    EXPECT_EQ(entry.size, entry.is_directory ? 0u : entry.name.size()) << entry.name;
  }
  EXPECT_EQ(names, RawListing(temp / "*.mid"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Mid.MID", "alpha.mid", "folder.mid", "hidden.mid", "readonly.mid",
                                             "system.mid", "zeta.mid"}));
}

TEST_F(Win32FileSystemTest, AStarListingKeepsTheDotEntriesAsWindowsGivesThem) {
  WriteBytes(temp / "a.mid", {1});
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : files->FindFiles(temp / "*")) {
    names.push_back(entry.name);
    EXPECT_EQ(entry.is_directory, entry.name != "a.mid") << entry.name;
  }
  EXPECT_EQ(names, RawListing(temp / "*"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.mid"}));
}

TEST_F(Win32FileSystemTest, SizesAbove4GiBComeFromBothHalves) {
  constexpr std::uint64_t kSize = 0x100000005ull;
  {
    UniqueFile big = HoldFile(temp / "big.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(big.get(), INVALID_HANDLE_VALUE);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(kSize - 5);
    ASSERT_TRUE(SetFilePointerEx(big.get(), end, nullptr, FILE_BEGIN));
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(big.get(), "tail!", 5, &put, nullptr)) << GetLastError();  // the rest stays sparse
  }
  std::vector<DirectoryEntry> entries = files->FindFiles(temp / "big.bin");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, kSize);

  auto in = files->OpenRead(temp / "big.bin");
  EXPECT_EQ(in->Size(), kSize);
  in->Seek(kSize - 5);
  Bytes tail(5);
  in->Read(tail.data(), tail.size());
  EXPECT_EQ(tail, (Bytes{'t', 'a', 'i', 'l', '!'}));
}

// ---- directory creation ---------------------------------------------------------------------

std::string CreationErrorOf(FileSystem& files, const std::string& path) {
  try {
    ForceDirectories(files, path);
  } catch (const AppError& error) {
    return error.what();
  }
  return "";
}

TEST_F(Win32FileSystemTest, ForceDirectoriesCreatesAbsolutePathsWithTheirMissingParents) {
  EXPECT_TRUE(ForceDirectories(*files, temp / "Palm\\User\\Backup"));
  EXPECT_TRUE(files->DirectoryExists(temp / "Palm"));
  EXPECT_TRUE(files->DirectoryExists(temp / "Palm\\User\\Backup"));

  // A path rooted on the current drive, without the drive letter; the drive is the temp's.
  ASSERT_EQ(temp.path().substr(1, 2), ":\\");
  CurrentDirectory inside(temp.path());
  std::string rooted = temp.path().substr(2) + "\\rooted\\deeper\\";
  EXPECT_TRUE(ForceDirectories(*files, rooted));
  EXPECT_TRUE(files->DirectoryExists(temp / "rooted\\deeper"));

  EXPECT_TRUE(ForceDirectories(*files, "C:\\"));
  EXPECT_TRUE(ForceDirectories(*files, "C:"));
}

TEST_F(Win32FileSystemTest, ForceDirectoriesRefusesAnEmptyPath) {
  EXPECT_EQ(CreationErrorOf(*files, ""), "Unable to create directory");
}

TEST_F(Win32FileSystemTest, ForceDirectoriesOnRelativePathsCreatesNothingBeneathAMissingFirstComponent) {
  CurrentDirectory inside(temp.path());
  EXPECT_EQ(CreationErrorOf(*files, "tunes\\out"), "Unable to create directory");
  EXPECT_EQ(CreationErrorOf(*files, "abc"), "Unable to create directory");
  EXPECT_FALSE(PathExists(temp / "tunes"));
  EXPECT_FALSE(PathExists(temp / "abc"));

  EXPECT_FALSE(ForceDirectories(*files, "ab\\out"));
  EXPECT_FALSE(ForceDirectories(*files, "a\\out"));
  EXPECT_FALSE(PathExists(temp / "ab"));
  EXPECT_FALSE(PathExists(temp / "a"));

  MakeDirectory(temp / "tunes");
  EXPECT_TRUE(ForceDirectories(*files, "tunes\\out\\more"));
  EXPECT_TRUE(files->DirectoryExists(temp / "tunes\\out\\more"));
}

TEST_F(Win32FileSystemTest, ForceDirectoriesGivesFalseWhenAFileBlocksThePath) {
  WriteBytes(temp / "blocker", {1});
  EXPECT_FALSE(ForceDirectories(*files, temp / "blocker\\below"));
}

// Ctrl-C reaches a whole console: this process joins carillo-cli.exe's and ignores it (Wine sends no Ctrl-Break).
TEST_F(Win32FileSystemTest, CtrlCInTheMiddleOfACompileLeavesTheOldDatabaseAndNoTemporaryFile) {
  const std::string many = temp / "many", old = temp / "old.pdb";
  MakeDirectory(many);  // 128 MB to write: far longer than it takes to see the temporary file appear
  WriteBytes(many + "\\t.mid", OneNoteTune(0, 60, 63900));
  for (int i = 1; i < 2000; ++i) {
    CreateHardLinkA((many + "\\t" + std::to_string(i) + ".mid").c_str(), (many + "\\t.mid").c_str(), nullptr);
  }
  WriteBytes(old, Bytes(5000, 7));
  HANDLE created = FindFirstChangeNotificationA(temp.path().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  std::string command = "\"" CARILLO_CLI_EXE "\" compile \"" + many + "\" \"" + old + "\" --yes --name N";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &child));
  EXPECT_EQ(WaitForSingleObject(created, 30000), WAIT_OBJECT_0) << "no temporary file appeared";
  FreeConsole();
  EXPECT_TRUE(AttachConsole(child.dwProcessId) && SetConsoleCtrlHandler(nullptr, TRUE) &&
              GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
  DWORD status = 1;
  GetExitCodeProcess(child.hProcess, &status);
  EXPECT_TRUE(status == STATUS_CONTROL_C_EXIT || status == 0) << std::hex << status;  // Wine 8's handler exits 0
  FindCloseChangeNotification(created);
  EXPECT_EQ(ReadBytes(old), Bytes(5000, 7));
  EXPECT_EQ(EntryNames(temp.path()), (std::vector<std::string>{"many", "old.pdb"}));
}

}  // namespace
