// libFuzzer entry for the database reader: any bytes give defined statuses and never a read
// outside the image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "format/palm_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  palm::DatabaseReader reader(std::span<const std::uint8_t>(data, size));
  if (!reader.HasHeader() || !reader.RecordListFits()) return 0;
  (void)reader.IsResourceDatabase();
  unsigned sum = 0;
  for (std::uint16_t i = 0; i < reader.RecordCount(); ++i) {
    palm::RecordContents record = reader.ReadRecord(reader.Extent(i));
    if (record.status != palm::RecordStatus::Midi && !record.tune.empty()) std::abort();
    for (std::uint8_t byte : record.tune) sum += byte;  // every byte of a tune lies inside the image
    for (char c : record.name) sum += static_cast<unsigned char>(c);
  }
  return static_cast<int>(sum & 0);
}
