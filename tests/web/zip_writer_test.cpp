#include "web/zip_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/temp_dir.h"

namespace {

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(ZipWriter, Crc32MatchesTheCheckValues) {
  EXPECT_EQ(zip::Crc32(Text("")), 0u);
  EXPECT_EQ(zip::Crc32(Text("123456789")), 0xCBF43926u);
  EXPECT_EQ(zip::Crc32(Text("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
}

// Python's zipfile reads the archive, checks every CRC and says what it holds.
TEST(ZipWriter, PythonReadsEveryFileBackWithItsNameAndDate) {
  const Bytes tune = Text("MThd tune"), other = Text("MThd a tune of more than eight bytes");
  std::tm moment{};
  moment.tm_year = 2024 - 1900, moment.tm_mon = 1, moment.tm_mday = 29, moment.tm_hour = 13, moment.tm_min = 45;
  moment.tm_sec = 59;
  const zip::ZipLayout layout = zip::LayOutStoredZip(
      {{"b.mid", tune}, {"Caf\xC3\xA9 \xE2\x82\xAC.mid", other}, {"empty.mid", {}}}, zip::DosMomentOf(moment));
  ASSERT_EQ(layout.problem, "");
  Bytes archive;
  for (std::span<const std::uint8_t> piece : layout.pieces) Append(archive, piece);
  TempDir dir;
  WriteBytes(dir / "t.zip", archive);
  const std::string command =
      "PYTHONIOENCODING=utf-8 python3 -c 'import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nprint(z.testzip())\n"
      "for i in z.infolist(): print(i.filename, i.compress_type, i.flag_bits, i.date_time, z.read(i), sep=\"|\")' " +
      NativePath(dir / "t.zip");
  FILE* python = popen(command.c_str(), "r");
  ASSERT_NE(python, nullptr);
  std::string said;
  for (int c = std::fgetc(python); c != EOF; c = std::fgetc(python)) said += static_cast<char>(c);
  EXPECT_EQ(pclose(python), 0);
  EXPECT_EQ(said,
            "None\n"
            "b.mid|0|0|(2024, 2, 29, 13, 45, 58)|b'MThd tune'\n"
            "Caf\xC3\xA9 \xE2\x82\xAC.mid|0|2048|(2024, 2, 29, 13, 45, 58)|b'MThd a tune of more than eight bytes'\n"
            "empty.mid|0|0|(2024, 2, 29, 13, 45, 58)|b''\n");
}

TEST(ZipWriter, RefusesWhatOnlyZip64CouldHoldAndDatesOutsideItsYears) {
  const std::vector<zip::StoredFile> too_many(65536, zip::StoredFile{"a.mid", {}});
  const std::vector<zip::StoredFile> long_name{{std::string(65536, 'a'), {}}};
  for (const auto& [files, problem] : {std::pair{too_many, "more than 65,535 files"},
                                       std::pair{long_name, "a name longer than 65,535 bytes: aaaa"}}) {
    const zip::ZipLayout layout = zip::LayOutStoredZip(files, {});
    EXPECT_TRUE(layout.problem.starts_with(problem)) << layout.problem;
    EXPECT_TRUE(layout.pieces.empty());
  }
  std::tm early{}, late{};
  early.tm_year = 1970 - 1900, late.tm_year = 2200 - 1900;
  EXPECT_EQ(zip::DosMomentOf(early).date, (1 << 5) | 1);
  EXPECT_EQ(zip::DosMomentOf(late).date, (127 << 9) | (12 << 5) | 31);
}

}  // namespace
