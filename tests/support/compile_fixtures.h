// What the compile and writer tests share: a fixed clock, and the database the writer makes at
// its moment.
#pragma once

#include <string>
#include <vector>

#include "format/palm_date.h"
#include "seams/clock.h"
#include "support/midi_files.h"
#include "support/palm_images.h"

// 2004-01-01 00:00:00.000 local time, the Palm date 3155760000 (bytes BC 19 13 80).
class FixedClock : public Clock {
 public:
  DateTime Now() override { return EncodeDateTime(2004, 1, 1); }
};
inline const Bytes kFixedPalmDate = {0xBC, 0x19, 0x13, 0x80};

// The database as a handheld reads it, with the fixed clock's date in both date fields.
inline Bytes ExpectedDatabase(const std::string& database_name, const std::vector<TuneRecord>& records) {
  return TuneDatabase(records, {database_name, 0x0008, kFixedPalmDate});
}
