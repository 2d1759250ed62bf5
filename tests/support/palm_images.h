// Palm MIDI database images for fixtures, laid out by hand from the published layout: a 78-byte
// header, 8-byte record entries, then the records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/bytes.h"

struct HeaderFields {
  std::string name = "Ring tones";    // at most 31 bytes reach the header
  std::uint16_t attributes = 0x0008;  // backup
  Bytes date = Bytes(4, 0);           // creation and modification date, as stored
};

struct TuneRecord {
  std::string name;
  Bytes tune;
};

// "PMrc" (or another signature), data offset name + 7, reserved 0, the name and its NUL, the tune.
Bytes MidiRecord(std::string_view name, const Bytes& tune, const char (&signature)[5] = "PMrc");

Bytes DatabaseHeader(std::uint16_t record_count, const HeaderFields& fields = {});

// The header, one entry (dirty, unique ID 0) per record at the offsets the records take one behind
// the other, then the records.
Bytes Database(const std::vector<Bytes>& records, const HeaderFields& fields = {});
// The same of MIDI records built from names and tunes.
Bytes TuneDatabase(const std::vector<TuneRecord>& records, const HeaderFields& fields = {});

// The header and entries with the given offsets, then `body` right behind the list.
Bytes DatabaseWithOffsets(const std::vector<std::uint32_t>& offsets, const Bytes& body,
                          const HeaderFields& fields = {});

// What compile never writes, as edited databases hold it: each entry's attributes and unique ID,
// the two zero bytes after the list, application and sort info blocks (empty: none), laid out in
// that order between the list and the records.
struct StoredRecord {
  Bytes bytes;
  std::uint8_t attributes = 0x40;
  std::uint32_t unique_id = 0;
};
Bytes DatabaseWithInfo(const std::vector<StoredRecord>& records, bool padded, const Bytes& app_info,
                       const Bytes& sort_info, const HeaderFields& fields = {});
