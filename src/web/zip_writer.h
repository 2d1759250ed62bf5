// A zip archive of stored (uncompressed) files laid out in memory: how the page hands out an extract.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

namespace zip {

// A moment as a zip's MS-DOS fields hold it: local time in two-second steps, years 1980 to 2107.
struct DosMoment {
  std::uint16_t time = 0;
  std::uint16_t date = 0;
};
// Years outside the fields' range become their first or last day.
DosMoment DosMomentOf(const std::tm& local);

// The CRC-32 of zip, gzip and PNG (reflected polynomial 0xEDB88320).
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

struct StoredFile {
  std::string name;  // UTF-8, "/" between folders
  std::span<const std::uint8_t> bytes;
};

// The archive as pieces to write one behind the other: spans of `headers` and of the files' bytes,
// which must outlive it. Moved, never copied, since its pieces point into its own headers.
struct ZipLayout {
  ZipLayout() = default;
  ZipLayout(ZipLayout&&) = default;
  ZipLayout& operator=(ZipLayout&&) = default;
  ZipLayout(const ZipLayout&) = delete;
  ZipLayout& operator=(const ZipLayout&) = delete;

  std::string problem;                // why no zip without Zip64 holds the files; "" when laid out
  std::vector<std::uint8_t> headers;  // the local headers, then the central directory and its end
  std::vector<std::span<const std::uint8_t>> pieces;
};

// Every file stored under its name in the given order, each marked UTF-8 when its name is not
// ASCII. Judges the counts and sizes before it lays out anything.
ZipLayout LayOutStoredZip(const std::vector<StoredFile>& files, DosMoment moment);

}  // namespace zip
