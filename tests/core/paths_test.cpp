// Path splitting, and directory creation with its missing parents, on a recording file system and
// on the real one.
#include "seams/paths.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "seams/app_error.h"
#include "seams/file_system.h"
#include "support/fake_file_system.h"
#include "support/raised_error.h"
#include "support/temp_dir.h"

namespace {

TEST(ExtractFilePath, SplitsAfterTheLastBackslashOrColon) {
  struct Case {
    std::string path, directory, name;
  };
  const Case cases[] = {
      {"C:\\Palm\\Backup\\System_MIDI_Sounds.pdb", "C:\\Palm\\Backup\\", "System_MIDI_Sounds.pdb"},
      {"tunes.pdb", "", "tunes.pdb"},
      {"", "", ""},
      {"C:tunes.pdb", "C:", "tunes.pdb"},
      {"C:", "C:", ""},
      {"C:\\", "C:\\", ""},
      {"\\tunes.pdb", "\\", "tunes.pdb"},
      {"C:\\dir\\", "C:\\dir\\", ""},
      {"\\\\server\\share\\a.mid", "\\\\server\\share\\", "a.mid"},
      {"a\\b:c", "a\\b:", "c"},
      {"a:b\\c", "a:b\\", "c"},
      {"C:/dir/file.pdb", "C:", "/dir/file.pdb"},  // "/" is not a separator here
      {"dir\\name with spaces.mid", "dir\\", "name with spaces.mid"},
      {"d\xE9r\\\xE9.mid", "d\xE9r\\", "\xE9.mid"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.directory) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFilePath(c.path) + ExtractFileName(c.path), c.path) << c.path;
  }
}

TEST(PathParts, SeparatorsTrimmingAndJoining) {
  struct Case {
    std::string path, trimmed, joined;  // joined: JoinPath(path, "a.mid")
  };
  const Case cases[] = {
      {"C:\\tunes", "C:\\tunes", "C:\\tunes\\a.mid"},
      {"C:\\tunes\\", "C:\\tunes", "C:\\tunes\\\\a.mid"},  // joined as written: the separator doubles
      {"C:\\tunes/", "C:\\tunes", "C:\\tunes/\\a.mid"},
      {"C:\\tunes\\\\", "C:\\tunes\\", "C:\\tunes\\\\\\a.mid"},  // one separator only
      {"C:\\", "C:", "C:\\\\a.mid"},
      {"\\", "", "\\\\a.mid"},
      {"", "", "\\a.mid"},
      {"tunes:", "tunes:", "tunes:\\a.mid"},  // a colon is no separator
  };
  for (const Case& c : cases) {
    std::string trimmed = c.path;
    DropTrailingSeparator(trimmed);
    EXPECT_EQ(trimmed, c.trimmed) << c.path;
    EXPECT_EQ(JoinPath(c.path, "a.mid"), c.joined) << c.path;
  }
}

// Directories held in memory as a set of Windows paths; every creation is logged in order.
FakeFileSystem Directories(std::set<std::string> existing) {
  FakeFileSystem files;
  files.directories = std::move(existing);
  return files;
}

TEST(ForceDirectories, CreatesTheMissingParentsFromTheTopDown) {
  struct Case {
    std::string path;
    std::vector<std::string> created;
  };
  const Case cases[] = {
      {"C:\\a\\b\\c", {"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}},
      {"C:\\a\\b\\c\\", {"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}},
      {"C:\\Palm\\new", {"C:\\Palm\\new"}},
      {"C:\\Palm", {}},
      {"C:\\Palm\\", {}},
      {"C:\\", {}},
      {"C:", {}},
      {"\\rooted\\x", {"\\rooted", "\\rooted\\x"}},
      {"\\a", {"\\a"}},
      {"\\a\\b", {"\\a", "\\a\\b"}},
      {"C:\\a\\b\\\\", {"C:\\a", "C:\\a\\b"}},
  };
  for (const Case& c : cases) {
    FakeFileSystem files = Directories({"C:\\", "C:\\Palm", "\\"});
    EXPECT_TRUE(ForceDirectories(files, c.path)) << c.path;
    EXPECT_EQ(files.Logged("mkdir"), c.created) << c.path;
  }
}

TEST(ForceDirectories, AnEmptyPathCannotBeCreated) {
  FakeFileSystem files = Directories({"C:\\"});
  RaisedError raised = RaisedBy([&] { ForceDirectories(files, ""); });
  EXPECT_EQ(raised.text, "Unable to create directory");
  EXPECT_TRUE(files.Logged("mkdir").empty());
}

TEST(ForceDirectories, ARelativePathWithAMissingFirstComponentOfThreeOrMoreCharactersFails) {
  for (std::string path : {"abc", "abc\\def", "tunes\\new\\deeper", "abc\\"}) {
    FakeFileSystem files = Directories({"C:\\"});
    RaisedError raised = RaisedBy([&] { ForceDirectories(files, path); });
    EXPECT_EQ(raised.text, "Unable to create directory") << path;
    EXPECT_TRUE(files.Logged("mkdir").empty()) << path;
  }
}

TEST(ForceDirectories, ARelativePathWithAMissingFirstComponentOfOneOrTwoCharactersCreatesNothing) {
  for (std::string path : {"ab\\def", "a\\def", "ab\\cd\\ef"}) {
    FakeFileSystem files = Directories({"C:\\"});
    EXPECT_FALSE(ForceDirectories(files, path)) << path;
    for (const std::string& attempt : files.Logged("mkdir")) EXPECT_FALSE(files.DirectoryExists(attempt)) << attempt;
  }
  // One or two characters alone are taken for a drive or a root: nothing to do, and no error.
  FakeFileSystem files = Directories({});
  EXPECT_TRUE(ForceDirectories(files, "ab"));
  EXPECT_TRUE(files.Logged("mkdir").empty());
}

TEST(ForceDirectories, AFailedCreationEndsTheWalkWithFalse) {
  FakeFileSystem files = Directories({"C:\\"});
  files.refused_directories.insert("C:\\a\\b");
  EXPECT_FALSE(ForceDirectories(files, "C:\\a\\b\\c"));
  EXPECT_EQ(files.Logged("mkdir"), (std::vector<std::string>{"C:\\a", "C:\\a\\b"}));
}

// ---- the platform's file system -------------------------------------------------------------

TEST(ForceDirectoriesOnDisk, CreatesEveryMissingParentOfAnAbsolutePath) {
  TempDir temp;
  auto files = MakePlatformFileSystem();
  EXPECT_TRUE(ForceDirectories(*files, temp / "one\\two\\three"));
  EXPECT_TRUE(files->DirectoryExists(temp / "one"));
  EXPECT_TRUE(files->DirectoryExists(temp / "one\\two"));
  EXPECT_TRUE(files->DirectoryExists(temp / "one\\two\\three"));
  // Again, with a trailing backslash: everything is there already.
  EXPECT_TRUE(ForceDirectories(*files, temp / "one\\two\\three\\"));
}

TEST(ForceDirectoriesOnDisk, TakesSlashesAndRepeatedTrailingSeparators) {
  TempDir temp;
  auto files = MakePlatformFileSystem();
  EXPECT_TRUE(ForceDirectories(*files, temp / "one/two/"));
  EXPECT_TRUE(files->DirectoryExists(temp / "one\\two"));
  EXPECT_TRUE(ForceDirectories(*files, temp / "three\\four\\\\"));
  EXPECT_TRUE(files->DirectoryExists(temp / "three\\four"));
}

TEST(ForceDirectoriesOnDisk, FailsThroughAFileInThePath) {
  TempDir temp;
  WriteBytes(temp / "file", {1});
  auto files = MakePlatformFileSystem();
  EXPECT_FALSE(ForceDirectories(*files, temp / "file\\sub"));
  EXPECT_TRUE(files->FileExists(temp / "file"));
}

TEST(ForceDirectoriesOnDisk, RelativePathsFollowTheEmptyParentRule) {
  TempDir temp;
  auto files = MakePlatformFileSystem();
  CurrentDirectory inside(temp.path());

  RaisedError raised = RaisedBy([&] { ForceDirectories(*files, "abc\\def"); });
  EXPECT_EQ(raised.text, "Unable to create directory");
  EXPECT_FALSE(PathExists(temp / "abc"));

  EXPECT_FALSE(ForceDirectories(*files, "ab\\def"));
  EXPECT_FALSE(PathExists(temp / "ab"));

  // With the first component present, the rest is created below the current directory.
  MakeDirectory(temp / "abc");
  EXPECT_TRUE(ForceDirectories(*files, "abc\\def\\ghi"));
  EXPECT_TRUE(files->DirectoryExists(temp / "abc\\def\\ghi"));
}

TEST(MatchesMask, MasksMatchAsWindowsListsThem) {
  const struct {
    const char* name;
    const char* mask;
    bool matches;
  } cases[] = {
      {"a.mid", "*.mid", true}, {"A.MID", "*.mid", true}, {"a.midi", "*.mid", false}, {"mid", "*.mid", false},
      {"x", "?", true},         {"xy", "?", false},       {"abc", "a*c", true},         {"ab", "a*c", false},
      {"", "*", true},          {"a.b.mid", "*.mid", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " " << c.mask;
}

}  // namespace
