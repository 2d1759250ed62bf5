// Listing a database: what a Palm MIDI database holds, as text for people and as JSON for programs,
// for the command line and the page alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands/outcome.h"
#include "commands/prompts.h"
#include "format/palm_database.h"
#include "handheld/handheld_player.h"
#include "seams/file_system.h"

// What the handheld does with a tune, beside what the tune is.
struct ListedPlay {
  handheld::PlayOutcome outcome = handheld::PlayOutcome::Silent;
  double seconds = 0;
  std::size_t byte = 0;  // where it stopped, or what it refused
  std::string reason;    // "" when it plays
  std::string text;      // PlayText's words
  std::optional<double> tune_seconds;  // End of Track's time under the exact tempo map (format 0 or 1)
  unsigned most_notes_at_once = 0;
};

struct ListedTune {
  std::size_t size = 0;
  // From the tune's "MThd" chunk, when its 14 bytes are there.
  std::optional<std::uint16_t> format;
  std::optional<std::uint16_t> tracks;
  std::optional<std::uint16_t> division;
  ListedPlay handheld;
};

struct ListedRecord {
  std::size_t number = 0;  // from 1
  palm::RecordStatus status = palm::RecordStatus::Unreadable;
  std::string name;     // Palm text, as far as it could be read
  std::string problem;  // why it is no usable MIDI record; empty for a usable one
  ListedTune tune;      // Midi only
};

struct DatabaseListing {
  std::string name;  // Palm text, up to its NUL
  std::uint16_t attributes = 0;
  std::uint16_t version = 0;
  std::string type;
  std::string creator;
  std::uint32_t created = 0;   // Palm dates: seconds since 1904-01-01 00:00:00 local time
  std::uint32_t modified = 0;
  std::uint16_t record_count = 0;
  std::vector<ListedRecord> records;
};

struct ListResult {
  Outcome outcome;
  std::optional<DatabaseListing> listing;  // none after a refusal
};

// Reads the database at `path` and lists it. A directory, a missing file and a file that is no Palm
// database are refused with the reason; a damaged or unreadable record is told after the listing
// and counted as not converted. Raises InOutError when the file cannot be read.
ListResult ListDatabase(Prompts& prompts, FileSystem& files, const std::string& path);

// Needs an image whose header and record list the reader has accepted.
DatabaseListing MakeListing(const palm::DatabaseReader& reader);

// "2026-12-08T10:35:09": a Palm date as the local date and time it counts.
std::string PalmDateIso8601(std::uint32_t seconds);

// For people, in system text: the header, then one line per record.
std::string ListingText(const DatabaseListing& listing);
// One JSON document, names in UTF-8 (see the README for its fields).
std::string ListingJson(const DatabaseListing& listing);
