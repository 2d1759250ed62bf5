// Editing an existing Palm MIDI database: reading it into its parts, then laying out a copy with
// records kept, replaced, removed and added, everything else kept byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/palm_database.h"

namespace palm {

inline constexpr std::size_t kListPadSize = 2;     // the zero bytes some writers put after the list
inline constexpr std::uint32_t kLargestUniqueId = 0xFFFFFF;

enum class EditStatus {
  Editable,
  NotMidiSoundDatabase,  // a database of another type than "smfr": `type` says which
  Refused,               // `problem` says why
};

struct EditableRecord {
  std::size_t number = 0;  // from 1, as the listing numbers records
  RecordStatus status = RecordStatus::NotMidiRecord;  // never Damaged nor Unreadable here
  std::string name;        // the name bytes as the reader gives them ("" for a record of no name)
  std::uint8_t attributes = 0;
  std::uint32_t unique_id = 0;
  std::span<const std::uint8_t> bytes;  // the whole record, inside the image
};

// The parts of an image, as spans of it: the image must outlive this.
struct EditableDatabase {
  EditStatus status = EditStatus::Refused;
  std::string problem;  // in plain words, "" when editable
  std::string type;     // the header's four type bytes; "" when the file has no header
  std::span<const std::uint8_t> header;
  bool list_padded = false;  // two zero bytes followed the record list
  std::span<const std::uint8_t> app_info;   // empty: none
  std::span<const std::uint8_t> sort_info;  // empty: none
  std::vector<EditableRecord> records;
};

// Refuses, with nothing taken from it, a database this layer could not copy faithfully: one whose
// header, record list or records the reader finds damaged, whose list is out of order or overlaps,
// whose info blocks lie outside the space between the list and the first record or overlap, that
// has a further record list, that holds resources, or whose type is not "smfr".
EditableDatabase ReadForEditing(std::span<const std::uint8_t> image);

// A tune as compile stores it: the record head, the name and its NUL, the tune. The name is stored
// up to its first NUL and at most 31 bytes of it, as compile cuts names.
struct NewTune {
  std::string name;
  std::span<const std::uint8_t> tune;
};

struct RecordChange {
  enum class Kind { Keep, Replace, Remove };
  Kind kind = Kind::Keep;
  NewTune replacement;  // Replace only: the record keeps its place, attributes and unique ID
};

struct EditPlan {
  std::vector<RecordChange> existing;  // one per record of the database, in its order
  std::vector<NewTune> appended;       // behind the existing records, in this order
};

enum class EditOutcome {
  Done,
  TooManyRecords,      // more than kMaxRecords
  TooMuchData,         // larger than the largest image allowed
  UniqueIdsExhausted,  // a new record's unique ID would pass kLargestUniqueId
};

// The edited image as the pieces to write one behind the other: the head (header, record list,
// the two zero bytes if the original had them, application info, sort info), then the records.
// The pieces point into the original image, the plan's tunes and this object, which must all
// outlive them; so it moves but does not copy.
class EditedImage {
 public:
  EditedImage() = default;
  EditedImage(EditedImage&&) = default;
  EditedImage& operator=(EditedImage&&) = default;
  EditedImage(const EditedImage&) = delete;
  EditedImage& operator=(const EditedImage&) = delete;

  EditOutcome Outcome() const { return outcome_; }
  const std::string& Problem() const { return problem_; }  // in plain words, "" when done
  std::uint64_t Size() const { return size_; }
  const std::vector<std::span<const std::uint8_t>>& Pieces() const { return pieces_; }
  std::vector<std::uint8_t> Joined() const;

 private:
  friend EditedImage LayOutEdit(const EditableDatabase&, const EditPlan&, std::uint32_t, std::uint64_t);
  EditOutcome outcome_ = EditOutcome::Done;
  std::string problem_;
  std::uint64_t size_ = 0;
  std::vector<std::span<const std::uint8_t>> pieces_;
  std::vector<std::uint8_t> head_;
  std::vector<std::uint8_t> record_heads_;  // each new record's head, name and NUL
};

// Lays out the edited database, or refuses with nothing laid out. `palm_date` becomes the
// modification date as BuildHeader stores its date (DateTimeToPalmDate's result); the modification
// number goes up by one, wrapping. New records are dirty and get unique IDs counting up from the
// header's unique ID seed, or from one past the largest ID of the original records (removed ones
// included, so that no ID comes back to mean another record) where that lies higher; the seed then
// ends one past the last of them. A replaced record keeps its ID and attributes, and turns dirty. Raises std::invalid_argument for a database that is not editable or a plan of another
// number of records.
EditedImage LayOutEdit(const EditableDatabase& database, const EditPlan& plan, std::uint32_t palm_date,
                       std::uint64_t largest_image);

}  // namespace palm
