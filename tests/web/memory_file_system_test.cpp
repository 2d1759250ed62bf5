#include "web/memory_file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "seams/app_error.h"

namespace {

TEST(MemoryFileSystem, AFileAppearsWholeWhenClosedAndAnUnclosedOneLeavesTheOldBytes) {
  MemoryFileSystem files(nullptr);
  files.AddFile("d\\t.mid", 2)[0] = 'A';
  {
    auto out = files.Create("d\\t.mid", Durability::Closed);
    out->Write("new", 3);
  }
  EXPECT_EQ(*files.Find("d\\t.mid"), (std::vector<std::uint8_t>{'A', 0}));
  auto out = files.Create("d\\u.mid", Durability::Flushed);
  out->Write("new", 3);
  EXPECT_FALSE(files.FileExists("d\\u.mid"));
  out->Close();
  EXPECT_EQ(*files.Find("d\\u.mid"), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
  EXPECT_THROW(files.Create("missing\\x.mid", Durability::Closed), InOutError);
}

TEST(MemoryFileSystem, ReadsStopAtTheEnd) {
  MemoryFileSystem files(nullptr);
  files.AddFile("t", 4)[3] = 7;
  auto in = files.OpenRead("t");
  in->Seek(3);
  EXPECT_EQ(in->ReadBlock(1)->Bytes()[0], 7);
  char byte = 0;
  try {
    in->Read(&byte, 1);
    FAIL() << "read past the end";
  } catch (const InOutError& error) {
    EXPECT_EQ(error.code(), kReadBeyondEndOfFile);
  }
}

TEST(MemoryFileSystem, NamesBecomeRecordTextOrAreReportedAndSkipped) {
  std::vector<std::pair<std::string, std::string>> reported;
  MemoryFileSystem files([&](const std::string& path, const char* reason) { reported.emplace_back(path, reason); });
  files.AddFile("in\\Caf\xC3\xA9.mid", 1);
  files.AddFile("in\\\xE6\x97\xA5.mid", 1);
  const std::vector<DirectoryEntry> entries = files.FindFiles("in\\*.mid");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].text, "Caf\xE9.mid");
  EXPECT_EQ(reported, (std::vector<std::pair<std::string, std::string>>{
                          {"in\\\xE6\x97\xA5.mid", "Windows-1252 cannot hold this name"}}));
  EXPECT_EQ(files.NameFromText("Caf\xE9\x81\x01"), "Caf\xC3\xA9__");
}

}  // namespace
