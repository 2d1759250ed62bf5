// Reading a database into its parts and laying out an edited copy, on bytes in memory.
#include "format/database_edit.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "format/byte_cursor.h"
#include "format/byte_order.h"

namespace palm {

namespace {

std::string RecordProblem(std::size_t number, std::string_view problem) {
  return "record " + std::to_string(number) + ": " + std::string(problem);
}

// The name compile would store: up to its NUL, at most 31 bytes.
std::string_view StoredName(const NewTune& tune) {
  std::string_view name = tune.name;
  return name.substr(0, std::min({name.find('\0'), name.size(), kMaxNameLength}));
}

std::size_t NewHeadSize(const NewTune& tune) { return kRecordHeadSize + StoredName(tune).size() + 1; }

}  // namespace

EditableDatabase ReadForEditing(std::span<const std::uint8_t> image) {
  EditableDatabase database;
  auto refuse = [&database](std::string problem) {
    database.status = EditStatus::Refused;
    database.problem = std::move(problem);
    database.records.clear();
    return std::move(database);
  };
  const DatabaseReader reader(image);
  if (!reader.HasHeader()) return refuse("the file is too short for a database header");
  database.header = image.first(kHeaderSize);
  database.type = reader.Type();
  if (database.type != kMidiSoundType) {
    database.status = EditStatus::NotMidiSoundDatabase;
    database.problem = "not a MIDI sound database (type \"" + database.type + "\")";
    return database;
  }
  if (image.size() > kLargestDatabase) return refuse("the file is larger than a database can be");
  if (reader.IsResourceDatabase()) return refuse("it is a resource database, which holds no records");
  if (ByteCursor(image, kNextRecordListOffset).Big32() != 0) return refuse("its record list goes on in a further list");
  if (!reader.RecordListFits()) return refuse("the record list runs past the end of the file");

  const std::uint16_t count = reader.RecordCount();
  const std::uint64_t list_end = kHeaderSize + kRecordEntrySize * count;
  std::vector<std::uint64_t> offsets(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    offsets[i] = reader.RecordOffset(i);
    if (offsets[i] < list_end) return refuse(RecordProblem(i + 1, "it begins inside the record list"));
    if (i > 0 && offsets[i] <= offsets[i - 1]) {
      return refuse(RecordProblem(i + 1, "it does not begin after record " + std::to_string(i)));
    }
    if (offsets[i] >= image.size()) return refuse(RecordProblem(i + 1, "it begins past the end of the file"));
  }

  // Each info block runs to whatever begins next: the other block or the first record.
  const std::uint64_t records_start = count > 0 ? offsets[0] : image.size();
  const std::uint32_t app_info = ByteCursor(image, kAppInfoOffset).Big32();
  const std::uint32_t sort_info = ByteCursor(image, kSortInfoOffset).Big32();
  for (auto [offset, what] : {std::pair{app_info, "application"}, std::pair{sort_info, "sort"}}) {
    if (offset != 0 && (offset < list_end || offset >= records_start)) {
      return refuse(std::string("the ") + what + " info block does not lie between the record list and the records");
    }
  }
  if (app_info != 0 && app_info == sort_info) return refuse("the application and sort info blocks overlap");
  auto block = [&](std::uint32_t offset, std::uint32_t other) {
    if (offset == 0) return std::span<const std::uint8_t>();
    const std::uint64_t end = other > offset ? other : records_start;
    return image.subspan(offset, static_cast<std::size_t>(end - offset));
  };
  database.app_info = block(app_info, sort_info);
  database.sort_info = block(sort_info, app_info);

  std::uint64_t first_part = records_start;
  for (std::uint32_t offset : {app_info, sort_info}) {
    if (offset != 0) first_part = std::min<std::uint64_t>(first_part, offset);
  }
  database.list_padded =
      first_part >= list_end + kListPadSize && ByteCursor(image, static_cast<std::size_t>(list_end)).Big16() == 0;

  for (std::uint16_t i = 0; i < count; ++i) {
    RecordContents contents = reader.ReadRecord(reader.Extent(i));
    if (contents.status == RecordStatus::Damaged || contents.status == RecordStatus::Unreadable) {
      return refuse(RecordProblem(i + 1, contents.problem));
    }
    // The attributes byte and the 24-bit unique ID behind it, as one big-endian word.
    const std::uint32_t entry = ByteCursor(image, kHeaderSize + kRecordEntrySize * i + kRecordAttributesOffset).Big32();
    EditableRecord record;
    record.number = std::size_t{i} + 1;
    record.status = contents.status;
    record.name = std::move(contents.name);
    record.attributes = static_cast<std::uint8_t>(entry >> 24);
    record.unique_id = entry & kLargestUniqueId;
    const std::uint64_t end = i + 1 < count ? offsets[i + 1] : image.size();
    record.bytes = image.subspan(static_cast<std::size_t>(offsets[i]), static_cast<std::size_t>(end - offsets[i]));
    database.records.push_back(std::move(record));
  }
  database.status = EditStatus::Editable;
  return database;
}

std::vector<std::uint8_t> EditedImage::Joined() const {
  std::vector<std::uint8_t> joined;
  joined.reserve(static_cast<std::size_t>(size_));
  for (std::span<const std::uint8_t> piece : pieces_) joined.insert(joined.end(), piece.begin(), piece.end());
  return joined;
}

EditedImage LayOutEdit(const EditableDatabase& database, const EditPlan& plan, std::uint32_t palm_date,
                       std::uint64_t largest_image) {
  if (database.status != EditStatus::Editable) throw std::invalid_argument("LayOutEdit: the database is not editable");
  if (plan.existing.size() != database.records.size()) {
    throw std::invalid_argument("LayOutEdit: the plan does not give one change per record");
  }
  EditedImage edited;
  auto refuse = [&edited](EditOutcome outcome, std::string problem) {
    edited.outcome_ = outcome;
    edited.problem_ = std::move(problem);
    return std::move(edited);
  };

  // Every size first, in 64 bits, so that nothing is built for a result that cannot be.
  std::uint64_t count = plan.appended.size();
  std::uint64_t records_size = 0;
  std::size_t new_heads_size = 0;
  std::uint32_t largest_id = 0;
  auto add_new = [&](const NewTune& tune) {
    new_heads_size += NewHeadSize(tune);
    records_size += NewHeadSize(tune) + tune.tune.size();
  };
  for (std::size_t i = 0; i < plan.existing.size(); ++i) {
    const RecordChange& change = plan.existing[i];
    largest_id = std::max(largest_id, database.records[i].unique_id);
    if (change.kind == RecordChange::Kind::Remove) continue;
    ++count;
    if (change.kind == RecordChange::Kind::Replace) {
      add_new(change.replacement);
    } else {
      records_size += database.records[i].bytes.size();
    }
  }
  for (const NewTune& tune : plan.appended) add_new(tune);
  if (count > kMaxRecords) {
    return refuse(EditOutcome::TooManyRecords, "it would hold more than " + std::to_string(kMaxRecords) + " records");
  }
  const std::uint64_t pad = database.list_padded ? kListPadSize : 0;
  const std::uint64_t list_end = kHeaderSize + kRecordEntrySize * count;
  const std::uint64_t head_size = list_end + pad + database.app_info.size() + database.sort_info.size();
  edited.size_ = head_size + records_size;
  largest_image = std::min(largest_image, kLargestDatabase);
  if (edited.size_ > largest_image) {
    return refuse(EditOutcome::TooMuchData, "it would be larger than " + std::to_string(largest_image) + " bytes");
  }
  // New IDs start at the header's seed, or above the largest ID present if that lies higher, so
  // that neither a record here nor one the handheld makes from the seed later shares an ID.
  // A seed past the 24 bits of an ID says nothing about them; it is kept, never lowered.
  const std::uint32_t seed = LoadBig32(database.header.subspan<kUniqueIdSeedOffset, 4>());
  const std::uint64_t first_new_id =
      std::max<std::uint64_t>(seed <= kLargestUniqueId ? seed : 0, std::uint64_t{largest_id} + 1);
  if (!plan.appended.empty() && first_new_id + plan.appended.size() - 1 > kLargestUniqueId) {
    return refuse(EditOutcome::UniqueIdsExhausted, "no unique record IDs are left above the seed and the largest one present");
  }

  std::vector<std::uint8_t>& head = edited.head_;
  head.resize(static_cast<std::size_t>(head_size));
  std::copy(database.header.begin(), database.header.end(), head.begin());
  // The date as BuildHeader stores it: turned back from its in-memory form, then big-endian.
  StoreBig32(At<4>(head, kModificationDateOffset), SwapLong(palm_date));
  const std::uint32_t modification = LoadBig32(database.header.subspan<kModificationNumberOffset, 4>());
  StoreBig32(At<4>(head, kModificationNumberOffset), modification + 1);
  StoreBig16(At<2>(head, kRecordCountOffset), static_cast<std::uint16_t>(count));
  if (!plan.appended.empty()) {
    StoreBig32(At<4>(head, kUniqueIdSeedOffset),
               std::max(seed, static_cast<std::uint32_t>(first_new_id + plan.appended.size())));
  }
  std::size_t at = static_cast<std::size_t>(list_end + pad);  // the pad's two bytes are zero already
  for (auto [block, field] :
       {std::pair{database.app_info, kAppInfoOffset}, std::pair{database.sort_info, kSortInfoOffset}}) {
    StoreBig32(At<4>(head, field), block.empty() ? 0 : static_cast<std::uint32_t>(at));
    std::copy(block.begin(), block.end(), head.begin() + static_cast<std::ptrdiff_t>(at));
    at += block.size();
  }
  edited.pieces_.push_back(head);

  // Laid out in place so the pieces can point into it.
  edited.record_heads_.resize(new_heads_size);
  std::size_t heads_used = 0;
  std::uint64_t record_offset = head_size;
  std::size_t entry = kHeaderSize;
  auto add_entry = [&](std::uint8_t attributes, std::uint32_t unique_id, std::uint64_t record_size) {
    StoreBig32(At<4>(head, entry), static_cast<std::uint32_t>(record_offset));
    StoreBig32(At<4>(head, entry + kRecordAttributesOffset), (std::uint32_t{attributes} << 24) | unique_id);
    entry += kRecordEntrySize;
    record_offset += record_size;
  };
  auto add_tune = [&](const NewTune& tune, std::uint8_t attributes, std::uint32_t unique_id) {
    const std::string_view name = StoredName(tune);
    std::uint8_t* record_head = edited.record_heads_.data() + heads_used;
    const auto built = BuildRecordHead(name.size());
    std::copy(built.begin(), built.end(), record_head);
    std::memcpy(record_head + kRecordHeadSize, name.data(), name.size());
    record_head[kRecordHeadSize + name.size()] = 0;
    heads_used += NewHeadSize(tune);
    edited.pieces_.emplace_back(record_head, NewHeadSize(tune));
    if (!tune.tune.empty()) edited.pieces_.push_back(tune.tune);
    add_entry(attributes, unique_id, NewHeadSize(tune) + tune.tune.size());
  };
  bool last_from_image = false;  // neighbours in the image go out as one piece
  for (std::size_t i = 0; i < plan.existing.size(); ++i) {
    const EditableRecord& record = database.records[i];
    const RecordChange& change = plan.existing[i];
    // Dirty, so that the next sync takes the new tune to the handheld.
    if (change.kind == RecordChange::Kind::Replace) {
      add_tune(change.replacement, record.attributes | kDirtyRecord, record.unique_id);
    }
    if (change.kind != RecordChange::Kind::Keep) {
      last_from_image = false;
      continue;
    }
    add_entry(record.attributes, record.unique_id, record.bytes.size());
    std::span<const std::uint8_t>& last = edited.pieces_.back();
    if (last_from_image && last.data() + last.size() == record.bytes.data()) {
      last = std::span(last.data(), last.size() + record.bytes.size());
    } else {
      edited.pieces_.push_back(record.bytes);
    }
    last_from_image = true;
  }
  auto unique_id = static_cast<std::uint32_t>(first_new_id);
  for (const NewTune& tune : plan.appended) add_tune(tune, kDirtyRecord, unique_id++);
  return edited;
}

}  // namespace palm
