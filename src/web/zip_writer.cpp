// A zip of stored files laid out as pieces pointing into the files: no tune is copied on the way.
#include "web/zip_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace zip {

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::uint16_t kVersion = 20;  // 2.0, all that stored files need; made by MS-DOS (0)
constexpr std::uint16_t kUtf8NameFlag = 0x0800;
constexpr std::uint16_t kStored = 0;
// Without Zip64 a count fills 16 bits and an offset or size 32; 0xFFFFFFFF would say "see Zip64".
constexpr std::size_t kMostFiles = 0xFFFF;
constexpr std::size_t kLongestName = 0xFFFF;
constexpr std::uint64_t kLargestArchive = 0xFFFFFFFF;
constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;

constexpr std::size_t kCrcTableSize = 256;
constexpr std::size_t kCrcTables = 8;  // for eight bytes a step
using CrcTables = std::array<std::uint32_t, kCrcTables * kCrcTableSize>;

// Table k (from kCrcTableSize * k) advances a byte's CRC by k further zero bytes. Made at first use
// rather than stored in the module.
CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (std::uint32_t byte = 0; byte < kCrcTableSize; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (crc & 1 ? 0xEDB88320 : 0);
    tables[byte] = crc;
  }
  for (std::size_t i = kCrcTableSize; i < tables.size(); ++i) {
    const std::uint32_t previous = tables[i - kCrcTableSize];
    tables[i] = (previous >> 8) ^ tables[previous & 0xFF];
  }
  return tables;
}

struct LittleEndianField {
  std::uint32_t value;
  std::size_t size;  // 2 or 4 bytes
};

// Writes the fields, then `name`, at `at`, which it moves past them.
void Put(std::vector<std::uint8_t>& out, std::size_t& at, std::initializer_list<LittleEndianField> fields,
         std::string_view name = {}) {
  for (const LittleEndianField& field : fields) {
    for (std::size_t i = 0; i < field.size; ++i) out[at++] = static_cast<std::uint8_t>(field.value >> (8 * i));
  }
  std::copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
  at += name.size();
}

ZipLayout Refused(std::string problem) {
  ZipLayout zip;
  zip.problem = std::move(problem);
  return zip;
}

}  // namespace

DosMoment DosMomentOf(const std::tm& local) {
  const int year = local.tm_year + 1900;
  if (year < kFirstDosYear) return {0, (1 << 5) | 1};
  if (year > kLastDosYear) return {(23 << 11) | (59 << 5) | (58 / 2), ((kLastDosYear - kFirstDosYear) << 9) | (12 << 5) | 31};
  return {static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2)),
          static_cast<std::uint16_t>(((year - kFirstDosYear) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday)};
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  static const CrcTables tables = MakeCrcTables();
  const auto table = [](std::size_t k, std::uint32_t byte) { return tables[k * kCrcTableSize + (byte & 0xFF)]; };
  std::uint32_t crc = 0xFFFFFFFF;
  const std::uint8_t* at = bytes.data();
  std::size_t left = bytes.size();
  for (; left >= 8; at += 8, left -= 8) {
    const std::uint32_t low = crc ^ (at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t{at[3]} << 24));
    crc = table(7, low) ^ table(6, low >> 8) ^ table(5, low >> 16) ^ table(4, low >> 24) ^ table(3, at[4]) ^
          table(2, at[5]) ^ table(1, at[6]) ^ table(0, at[7]);
  }
  for (; left > 0; ++at, --left) crc = table(0, crc ^ *at) ^ (crc >> 8);
  return ~crc;
}

ZipLayout LayOutStoredZip(const std::vector<StoredFile>& files, DosMoment moment) {
  if (files.size() > kMostFiles) return Refused("more than 65,535 files");
  std::uint64_t local_headers = 0, central_directory = 0, archive = kEndSize;
  for (const StoredFile& file : files) {
    if (file.name.size() > kLongestName) return Refused("a name longer than 65,535 bytes: " + file.name.substr(0, 64));
    local_headers += kLocalHeaderSize + file.name.size();
    central_directory += kCentralHeaderSize + file.name.size();
    archive += kLocalHeaderSize + kCentralHeaderSize + 2 * file.name.size() + file.bytes.size();
  }
  if (archive > kLargestArchive) return Refused("the files come to 4 GiB or more");

  ZipLayout zip;
  zip.headers.resize(static_cast<std::size_t>(local_headers + central_directory + kEndSize));
  std::size_t local = 0, central = static_cast<std::size_t>(local_headers);
  std::uint32_t offset = 0;  // of the local header in the archive
  for (const StoredFile& file : files) {
    const bool ascii = std::all_of(file.name.begin(), file.name.end(), [](char c) { return (c & 0x80) == 0; });
    const std::uint32_t flags = ascii ? 0 : kUtf8NameFlag, crc = Crc32(file.bytes);
    const auto size = static_cast<std::uint32_t>(file.bytes.size()), name_size = static_cast<std::uint32_t>(file.name.size());
    const std::size_t header_start = local;
    // The fields from "version needed" to "extra field length" are the same in both headers; the
    // compressed size is the size, stored as it is.
    Put(zip.headers, local, {{kLocalHeaderSignature, 4}, {kVersion, 2}, {flags, 2}, {kStored, 2}, {moment.time, 2},
                             {moment.date, 2}, {crc, 4}, {size, 4}, {size, 4}, {name_size, 2}, {0, 2}}, file.name);
    zip.pieces.emplace_back(zip.headers.data() + header_start, local - header_start);
    if (!file.bytes.empty()) zip.pieces.push_back(file.bytes);
    // Then no comment, the first disk, no attributes, where the local header is.
    Put(zip.headers, central, {{kCentralHeaderSignature, 4}, {kVersion, 2}, {kVersion, 2}, {flags, 2}, {kStored, 2},
                               {moment.time, 2}, {moment.date, 2}, {crc, 4}, {size, 4}, {size, 4}, {name_size, 2},
                               {0, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 4}, {offset, 4}}, file.name);
    offset += static_cast<std::uint32_t>(kLocalHeaderSize) + name_size + size;
  }
  const auto count = static_cast<std::uint32_t>(files.size());
  // This disk and the directory's are the first; no comment.
  Put(zip.headers, central, {{kEndSignature, 4}, {0, 2}, {0, 2}, {count, 2}, {count, 2},
                             {static_cast<std::uint32_t>(central_directory), 4}, {offset, 4}, {0, 2}});
  zip.pieces.emplace_back(zip.headers.data() + local_headers, static_cast<std::size_t>(central_directory + kEndSize));
  return zip;
}

}  // namespace zip
