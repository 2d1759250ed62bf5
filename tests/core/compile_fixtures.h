// Fixtures shared by the compile and writer tests: MIDI files of a chosen size and format, a
// fixed clock, and a database built byte by byte the way a Palm handheld expects it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/palm_date.h"
#include "seams/clock.h"

// 2004-01-01 00:00:00.000 local time, the Palm date 3155760000 (bytes BC 19 13 80).
class FixedClock : public Clock {
 public:
  DateTime Now() override { return EncodeDateTime(2004, 1, 1); }
};
inline const std::vector<std::uint8_t> kFixedPalmDate = {0xBC, 0x19, 0x13, 0x80};

// A Standard MIDI File header ("MThd", length 6, the two format bytes, one track, 96 ticks) and
// then deterministic filler up to `size` bytes; `seed` varies the filler between files.
inline std::vector<std::uint8_t> MidiBytes(std::size_t size, std::uint8_t format_hi = 0, std::uint8_t format_lo = 0,
                                           unsigned seed = 1) {
  std::vector<std::uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, format_hi, format_lo, 0, 1, 0, 96};
  bytes.resize(size < bytes.size() ? bytes.size() : size);
  unsigned state = seed * 2654435761u + 12345u;
  for (std::size_t i = 14; i < bytes.size(); ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<std::uint8_t>(state >> 16);
  }
  bytes.resize(size);
  return bytes;
}

struct ExpectedRecord {
  std::string name;
  std::vector<std::uint8_t> tune;
};

inline void AppendBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 24));
  out.push_back(static_cast<std::uint8_t>(value >> 16));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

// The database as a handheld reads it, assembled field by field from the published layout.
inline std::vector<std::uint8_t> ExpectedDatabase(const std::string& database_name,
                                                  const std::vector<ExpectedRecord>& records) {
  std::vector<std::uint8_t> out(32, 0);
  for (std::size_t i = 0; i < database_name.size() && i < 31; ++i) out[i] = static_cast<std::uint8_t>(database_name[i]);
  out.insert(out.end(), {0x00, 0x08, 0x00, 0x00});  // attributes: backup; version 0
  out.insert(out.end(), kFixedPalmDate.begin(), kFixedPalmDate.end());  // created
  out.insert(out.end(), kFixedPalmDate.begin(), kFixedPalmDate.end());  // modified
  out.insert(out.end(), 16, 0);  // last backup, modification number, app info, sort info
  out.insert(out.end(), {'s', 'm', 'f', 'r', 'Q', 's', 'n', 'd'});
  out.insert(out.end(), 8, 0);  // unique ID seed, next record list
  out.push_back(static_cast<std::uint8_t>(records.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(records.size()));

  std::uint32_t offset = static_cast<std::uint32_t>(78 + 8 * records.size());
  for (const ExpectedRecord& record : records) {
    AppendBig32(out, offset);
    out.insert(out.end(), {0x40, 0, 0, 0});
    offset += static_cast<std::uint32_t>(6 + record.name.size() + 1 + record.tune.size());
  }
  for (const ExpectedRecord& record : records) {
    out.insert(out.end(), {'P', 'M', 'r', 'c', static_cast<std::uint8_t>(record.name.size() + 7), 0});
    out.insert(out.end(), record.name.begin(), record.name.end());
    out.push_back(0);
    out.insert(out.end(), record.tune.begin(), record.tune.end());
  }
  return out;
}
