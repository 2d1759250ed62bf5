// The platform's file layer on real files: existence, directories, listing, reads, writes, errors.
#include "seams/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "seams/app_error.h"
#include "support/raised_error.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}


class FileSystemTest : public testing::Test {
 protected:
  TempDir temp;
  std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
};

TEST_F(FileSystemTest, TellsFilesFromDirectories) {
  WriteBytes(temp / "tune.mid", {1, 2, 3});
  MakeDirectory(temp / "folder");
  EXPECT_TRUE(files->FileExists(temp / "tune.mid"));
  EXPECT_FALSE(files->DirectoryExists(temp / "tune.mid"));
  EXPECT_TRUE(files->DirectoryExists(temp / "folder"));
  EXPECT_TRUE(files->DirectoryExists(temp / "folder\\"));
  EXPECT_FALSE(files->FileExists(temp / "folder"));
  EXPECT_FALSE(files->FileExists(temp / "missing"));
  EXPECT_FALSE(files->DirectoryExists(temp / "missing"));
  EXPECT_FALSE(files->FileExists(temp / "missing\\tune.mid"));
  EXPECT_FALSE(files->FileExists(""));
  EXPECT_FALSE(files->DirectoryExists(""));
}

TEST_F(FileSystemTest, CreatesOneDirectoryWhoseParentExists) {
  EXPECT_TRUE(files->CreateDir(temp / "new"));
  EXPECT_TRUE(files->DirectoryExists(temp / "new"));
  EXPECT_FALSE(files->CreateDir(temp / "new")) << "it exists already";
  EXPECT_FALSE(files->CreateDir(temp / "missing\\child"));
  EXPECT_FALSE(PathExists(temp / "missing"));
}

std::vector<std::string> SortedNames(const std::vector<DirectoryEntry>& entries) {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FileSystemTest, ListsTheEntriesMatchingAPatternWithTheirSizesAndKinds) {
  WriteBytes(temp / "b.mid", Counting(10));
  WriteBytes(temp / "A.MID", Counting(3));
  WriteBytes(temp / "c.txt", Counting(5));
  WriteBytes(temp / "empty.mid", {});
  MakeDirectory(temp / "sub.mid");

  std::vector<DirectoryEntry> entries = files->FindFiles(temp / "*.mid");
  ASSERT_EQ(SortedNames(entries), (std::vector<std::string>{"A.MID", "b.mid", "empty.mid", "sub.mid"}));
  const std::map<std::string, std::uint64_t> sizes = {{"A.MID", 3}, {"b.mid", 10}, {"empty.mid", 0}, {"sub.mid", 0}};
  for (const DirectoryEntry& entry : entries) {
    EXPECT_EQ(entry.size, sizes.at(entry.name)) << entry.name;
    EXPECT_EQ(entry.is_directory, entry.name == "sub.mid") << entry.name;
  }
  EXPECT_EQ(SortedNames(files->FindFiles(temp / "?.mid")), (std::vector<std::string>{"A.MID", "b.mid"}));
  EXPECT_EQ(SortedNames(files->FindFiles(temp / "b.MID")), (std::vector<std::string>{"b.mid"}));
}

TEST_F(FileSystemTest, ListsNothingWhenNothingMatchesOrTheDirectoryIsMissing) {
  WriteBytes(temp / "c.txt", Counting(5));
  EXPECT_TRUE(files->FindFiles(temp / "*.mid").empty());
  EXPECT_TRUE(files->FindFiles(temp / "missing\\*.mid").empty());
}

TEST_F(FileSystemTest, ReadsWholeAndInPartsAndSeeks) {
  Bytes content = Counting(300);
  WriteBytes(temp / "data.bin", content);
  auto in = files->OpenRead(temp / "data.bin");
  EXPECT_EQ(in->Size(), 300u);

  Bytes head(25);
  in->Read(head.data(), head.size());
  EXPECT_EQ(head, Bytes(content.begin(), content.begin() + 25));
  Bytes next(75);
  in->Read(next.data(), next.size());
  EXPECT_EQ(next, Bytes(content.begin() + 25, content.begin() + 100));

  in->Seek(290);
  Bytes tail(10);
  in->Read(tail.data(), tail.size());
  EXPECT_EQ(tail, Bytes(content.begin() + 290, content.end()));
  in->Read(tail.data(), 0);  // nothing asked at the end is no failure

  in->Seek(0);
  Bytes whole(300);
  in->Read(whole.data(), whole.size());
  EXPECT_EQ(whole, content);
  in->Close();
}

TEST_F(FileSystemTest, ReadsBlocksOfEverySizeFromTheCurrentPosition) {
  // Around 2 MiB a platform layer may change how it allocates the block.
  constexpr std::size_t kMiB = 1 << 20;
  const Bytes content = Counting(5 * kMiB + 11);
  WriteBytes(temp / "image.pdb", content);
  struct Case {
    std::uint64_t seek;
    std::size_t count;
  };
  for (Case c : {Case{0, 0}, Case{0, 1}, Case{3, 2 * kMiB - 1}, Case{0, 2 * kMiB}, Case{7, 2 * kMiB + 1},
                 Case{0, 5 * kMiB + 11}, Case{11, 5 * kMiB}}) {
    SCOPED_TRACE(testing::Message() << c.count << " bytes from " << c.seek);
    auto in = files->OpenRead(temp / "image.pdb");
    in->Seek(c.seek);
    std::unique_ptr<FileBlock> block = in->ReadBlock(c.count);
    in->Close();
    ASSERT_EQ(block->Bytes().size(), c.count);
    EXPECT_TRUE(std::equal(block->Bytes().begin(), block->Bytes().end(), content.begin() + c.seek));
  }
}

TEST_F(FileSystemTest, ABlockShortOfWhatWasAskedIsReadBeyondEndOfFile) {
  constexpr std::size_t kMiB = 1 << 20;
  WriteBytes(temp / "shrunk.pdb", Counting(3 * kMiB));
  for (std::size_t count : {3 * kMiB + 1, 4 * kMiB}) {
    auto in = files->OpenRead(temp / "shrunk.pdb");
    RaisedError raised = RaisedBy([&] { in->ReadBlock(count); });
    EXPECT_EQ(raised.code, 100) << count;
    EXPECT_EQ(raised.text, "Read beyond end of file") << count;
  }
  auto closed = files->OpenRead(temp / "shrunk.pdb");
  closed->Close();
  EXPECT_EQ(RaisedBy([&] { closed->ReadBlock(3 * kMiB); }).code, kFileNotOpen);
}

TEST_F(FileSystemTest, AReadShortOfWhatWasAskedIsReadBeyondEndOfFile) {
  WriteBytes(temp / "short.mid", Counting(24));
  struct Case {
    const char* what;
    std::uint64_t seek;
    std::size_t count;
  };
  for (Case c : {Case{"25 of 24 bytes", 0, 25}, Case{"one byte at the end", 24, 1}, Case{"beyond the end", 1000, 1}}) {
    auto in = files->OpenRead(temp / "short.mid");
    in->Seek(c.seek);
    Bytes buffer(c.count);
    RaisedError raised = RaisedBy([&] { in->Read(buffer.data(), buffer.size()); });
    EXPECT_EQ(raised.code, 100) << c.what;
    EXPECT_EQ(raised.text, "Read beyond end of file") << c.what;
  }
}

TEST_F(FileSystemTest, FailuresCarryTheCodeAndTextOfTheTable) {
  WriteBytes(temp / "tune.mid", Counting(30));
  MakeDirectory(temp / "folder");
  const FailureCase cases[] = {
      {"opening a missing file", [&] { files->OpenRead(temp / "missing.pdb"); }, 2, "File not found"},
      {"opening in a missing directory", [&] { files->OpenRead(temp / "missing\\tune.pdb"); }, 3,
       "Invalid filename"},
      {"opening a directory as a file", [&] { files->OpenRead(temp / "folder"); }, 5, "File access denied"},
      {"creating in a missing directory", [&] { files->Create(temp / "missing\\out.mid", Durability::Closed); }, 3,
       "Invalid filename"},
      {"creating over a directory", [&] { files->Create(temp / "folder", Durability::Closed); }, 5,
       "File access denied"},
  };
  ExpectFailures(cases);
}

TEST_F(FileSystemTest, CreateReplacesAnExistingFileWholeOnCloseAndAppendsEachWrite) {
  WriteBytes(temp / "out.pdb", Counting(500));
  auto out = files->Create(temp / "out.pdb", Durability::Flushed);
  out->Write("abc", 3);
  out->Write("", 0);
  out->Write("defg", 4);
  EXPECT_EQ(ReadBytes(temp / "out.pdb"), Counting(500)) << "replaced before it was closed";
  out->Close();
  EXPECT_EQ(ReadBytes(temp / "out.pdb"), (Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g'}));

  files->Create(temp / "empty.pdb", Durability::Closed)->Close();
  EXPECT_EQ(ReadBytes(temp / "empty.pdb"), Bytes{});
  // A name that appears while its new file is written is replaced whole all the same.
  auto late = files->Create(temp / "late.pdb", Durability::Flushed);
  late->Write("new", 3);
  WriteBytes(temp / "late.pdb", Counting(20));
  late->Close();
  EXPECT_EQ(ReadBytes(temp / "late.pdb"), (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(EntryNames(temp.path()), (std::vector<std::string>{"empty.pdb", "late.pdb", "out.pdb"}));
}

TEST_F(FileSystemTest, AFileLeftUnclosedOrFailingToTakeItsPlaceLeavesNoTrace) {
  WriteBytes(temp / "old.pdb", Counting(300));
  {
    auto out = files->Create(temp / "old.pdb", Durability::Flushed);
    out->Write("xyz", 3);
    files->Create(temp / "new.pdb", Durability::Closed)->Write("xyz", 3);
  }
  EXPECT_EQ(ReadBytes(temp / "old.pdb"), Counting(300));
  auto out = files->Create(temp / "became.pdb", Durability::Closed);
  MakeDirectory(temp / "became.pdb");  // which no file can replace
  EXPECT_EQ(RaisedBy([&] { out->Close(); }).code, kFileAccessDenied);
  EXPECT_EQ(EntryNames(temp.path()), (std::vector<std::string>{"became.pdb", "old.pdb"}));
}

#ifndef _WIN32
TEST_F(FileSystemTest, ALinkedFileIsReplacedBesideItsTargetAndKeepsItsPermissions) {
  namespace fs = std::filesystem;
  MakeDirectory(temp / "real");
  const std::string target = NativePath(temp / "real\\tones.pdb"), link = NativePath(temp / "link.pdb");
  const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  WriteBytes(target, Counting(10));
  fs::permissions(target, kept);
  fs::create_symlink("real/tones.pdb", link);
  files->Create(link, Durability::Flushed)->Close();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), Bytes{});
  EXPECT_EQ(fs::status(target).permissions(), kept);
  EXPECT_EQ(EntryNames(temp / "real"), std::vector<std::string>{"tones.pdb"});
}
#endif

TEST_F(FileSystemTest, AFileUsedAfterItsCloseIsNotOpen) {
  WriteBytes(temp / "data.bin", Counting(10));
  auto in = files->OpenRead(temp / "data.bin");
  in->Close();
  std::uint8_t byte = 0;
  EXPECT_EQ(RaisedBy([&] { in->Read(&byte, 1); }).code, kFileNotOpen);
  EXPECT_EQ(RaisedBy([&] { in->Close(); }).text, "I/O error 103");

  auto out = files->Create(temp / "out.bin", Durability::Closed);
  out->Close();
  EXPECT_EQ(RaisedBy([&] { out->Write(&byte, 1); }).code, kFileNotOpen);
  EXPECT_EQ(RaisedBy([&] { out->Close(); }).code, kFileNotOpen);
}

}  // namespace
