#include "support/palm_images.h"

#include <algorithm>

namespace {
constexpr std::size_t kHeaderSize = 78;
constexpr std::size_t kEntrySize = 8;

void AppendEntry(Bytes& db, std::uint32_t offset) {
  AppendBig32(db, offset);
  db.insert(db.end(), {0x40, 0, 0, 0});
}
}  // namespace

Bytes MidiRecord(std::string_view name, const Bytes& tune, const char (&signature)[5]) {
  // Laid out in place: GCC 12 sees phantom overflows in a vector that grows here when optimising.
  Bytes record(6 + name.size() + 1 + tune.size(), 0);
  std::copy(signature, signature + 4, record.begin());
  record[4] = static_cast<std::uint8_t>(name.size() + 7);
  std::copy(name.begin(), name.end(), record.begin() + 6);
  std::copy(tune.begin(), tune.end(), record.begin() + static_cast<std::ptrdiff_t>(7 + name.size()));
  return record;
}

Bytes DatabaseHeader(std::uint16_t record_count, const HeaderFields& fields) {
  Bytes header;
  Append(header, std::string_view(fields.name).substr(0, 31));
  header.resize(32, 0);
  AppendBig16(header, fields.attributes);
  header.insert(header.end(), {0, 0});  // version
  Append(header, fields.date);          // created
  Append(header, fields.date);          // modified
  header.insert(header.end(), 16, 0);   // last backup, modification number, app info, sort info
  Append(header, "smfrQsnd");
  header.insert(header.end(), 8, 0);  // unique ID seed, next record list
  AppendBig16(header, record_count);
  return header;
}

Bytes Database(const std::vector<Bytes>& records, const HeaderFields& fields) {
  Bytes db = DatabaseHeader(static_cast<std::uint16_t>(records.size()), fields);
  auto offset = static_cast<std::uint32_t>(kHeaderSize + kEntrySize * records.size());
  for (const Bytes& record : records) {
    AppendEntry(db, offset);
    offset += static_cast<std::uint32_t>(record.size());
  }
  for (const Bytes& record : records) Append(db, record);
  return db;
}

Bytes TuneDatabase(const std::vector<TuneRecord>& records, const HeaderFields& fields) {
  std::vector<Bytes> built;
  for (const TuneRecord& record : records) built.push_back(MidiRecord(record.name, record.tune));
  return Database(built, fields);
}

Bytes DatabaseWithOffsets(const std::vector<std::uint32_t>& offsets, const Bytes& body, const HeaderFields& fields) {
  Bytes db = DatabaseHeader(static_cast<std::uint16_t>(offsets.size()), fields);
  for (std::uint32_t offset : offsets) AppendEntry(db, offset);
  Append(db, body);
  return db;
}

Bytes DatabaseWithInfo(const std::vector<StoredRecord>& records, bool padded, const Bytes& app_info,
                       const Bytes& sort_info, const HeaderFields& fields) {
  Bytes db = DatabaseHeader(static_cast<std::uint16_t>(records.size()), fields);
  const std::size_t list_end = kHeaderSize + kEntrySize * records.size();
  Bytes body(padded ? 2 : 0, 0);
  for (auto [block, field] : {std::pair{&app_info, std::size_t{52}}, std::pair{&sort_info, std::size_t{56}}}) {
    if (!block->empty()) PutBig32(db, field, static_cast<std::uint32_t>(list_end + body.size()));
    Append(body, *block);
  }
  for (const StoredRecord& record : records) {
    AppendBig32(db, static_cast<std::uint32_t>(list_end + body.size()));
    AppendBig32(db, static_cast<std::uint32_t>(record.attributes) << 24 | record.unique_id);
    Append(body, record.bytes);
  }
  Append(db, body);
  return db;
}
