// libFuzzer entry for editing a database: any bytes are refused with a reason, or read into parts
// that an unchanged copy, and then a copy with the first record replaced and one added, keep.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "format/database_edit.h"

namespace {
void Require(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const palm::EditableDatabase database = palm::ReadForEditing(std::span<const std::uint8_t>(data, size));
  Require((database.status == palm::EditStatus::Editable) == database.problem.empty());
  if (database.status != palm::EditStatus::Editable) return 0;
  static const std::uint8_t kTune[] = {'M', 'T', 'h', 'd'};
  palm::EditPlan plan{std::vector<palm::RecordChange>(database.records.size()), {}};
  std::uint32_t largest_id = 0;
  for (const palm::EditableRecord& record : database.records) largest_id = std::max(largest_id, record.unique_id);
  // A new record takes the header's seed, or the ID above the largest where that lies higher.
  const std::uint32_t seed = (std::uint32_t{data[68]} << 24) | (data[69] << 16) | (data[70] << 8) | data[71];
  const std::uint32_t new_id = std::max(seed <= palm::kLargestUniqueId ? seed : 0, largest_id + 1);
  for (std::size_t edits = 0; edits < 2; ++edits) {
    const palm::EditedImage edited = palm::LayOutEdit(database, plan, 0, 0x7FFFFFFF);
    Require(edited.Outcome() == palm::EditOutcome::Done || edits == 1);  // only an added record passes a limit
    if (edited.Outcome() != palm::EditOutcome::Done) return 0;
    const std::vector<std::uint8_t> bytes = edited.Joined();
    Require(bytes.size() == edited.Size());
    const palm::EditableDatabase read = palm::ReadForEditing(bytes);
    Require(read.status == palm::EditStatus::Editable && read.list_padded == database.list_padded);
    Require(std::ranges::equal(read.app_info, database.app_info));
    Require(std::ranges::equal(read.sort_info, database.sort_info));
    Require(read.records.size() == database.records.size() + edits);
    for (std::size_t i = 0; i < database.records.size(); ++i) {
      const palm::EditableRecord &was = database.records[i], &is = read.records[i];
      Require(is.unique_id == was.unique_id);
      Require(is.attributes == (i < edits ? was.attributes | palm::kDirtyRecord : was.attributes));
      Require(i < edits ? is.name == "Replaced" : is.name == was.name && std::ranges::equal(is.bytes, was.bytes));
    }
    if (edits == 1) {
      const palm::EditableRecord& added = read.records.back();
      Require(added.name == "Added" && added.status == palm::RecordStatus::Midi);
      Require(added.attributes == palm::kDirtyRecord && added.unique_id == new_id);
      const std::uint32_t seed_after = (std::uint32_t{bytes[68]} << 24) | (bytes[69] << 16) | (bytes[70] << 8) | bytes[71];
      Require(seed_after == std::max(seed, new_id + 1));
    }
    if (!plan.existing.empty()) plan.existing[0] = {palm::RecordChange::Kind::Replace, {"Replaced", kTune}};
    plan.appended.push_back({"Added", kTune});
  }
  return 0;
}
