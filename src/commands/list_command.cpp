#include "commands/list_command.h"

#include <cstdio>

#include "commands/database_image.h"
#include "commands/handheld_text.h"
#include "handheld/tune_facts.h"
#include "commands/printable.h"
#include "format/byte_order.h"
#include "format/palm_text.h"

namespace {

constexpr std::size_t kMidiHeaderLength = 14;  // "MThd", length, format, tracks, division

ListedPlay PlayOf(std::span<const std::uint8_t> tune) {
  const handheld::HandheldPlay play = handheld::PlayOnHandheld(tune, handheld::kMaxVolume);
  ListedPlay listed{play.outcome, play.Seconds(), play.offset, play.reason, PlayText(play), {}, 0};
  const handheld::TuneFacts facts = handheld::ReadTuneFacts(tune);
  if (!facts.problem) {
    listed.tune_seconds = facts.tune_seconds;
    listed.most_notes_at_once = facts.most_notes_at_once;
  }
  return listed;
}

// "plays 128.9 s (the tune lasts 103.3 s), up to 7 notes at once (the handheld sounds one)", each
// part where it tells something.
std::string PlayLine(const ListedPlay& play) {
  std::string line = play.text;
  const bool sounds = play.outcome == handheld::PlayOutcome::Plays || play.outcome == handheld::PlayOutcome::StopsEarly;
  if (!sounds) return line;
  if (play.tune_seconds && SecondsText(*play.tune_seconds) != SecondsText(play.seconds)) {
    line += " (the tune lasts " + SecondsText(*play.tune_seconds) + " s)";
  }
  if (play.most_notes_at_once > 1) {
    line += ", up to " + std::to_string(play.most_notes_at_once) + " notes at once (the handheld sounds one)";
  }
  return line;
}

ListedTune TuneOf(std::span<const std::uint8_t> tune) {
  ListedTune listed;
  listed.size = tune.size();
  listed.handheld = PlayOf(tune);
  if (tune.size() >= kMidiHeaderLength) {
    listed.format = LoadBig16(tune.subspan<8, 2>());
    listed.tracks = LoadBig16(tune.subspan<10, 2>());
    listed.division = LoadBig16(tune.subspan<12, 2>());
  }
  return listed;
}

std::string DivisionText(std::uint16_t division) {
  if (division & 0x8000) {
    const int frames = -static_cast<std::int8_t>(division >> 8);
    return std::to_string(frames) + " frames/s x " + std::to_string(division & 0xFF) + " ticks";
  }
  return std::to_string(division) + " ticks/quarter";
}

// Control characters, C1 ones (U+0080 to U+009F) included, are escaped: the text may be read on a
// terminal, which would obey them.
std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  auto escape = [&out](unsigned code) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
    out += escaped;
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      escape(byte);
    } else if (byte == 0xC2 && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80) {
      escape(static_cast<unsigned char>(utf8[++i]));
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const char* StatusWord(palm::RecordStatus status) {
  switch (status) {
    case palm::RecordStatus::Midi: return "midi";
    case palm::RecordStatus::NotMidiRecord: return "not_midi_record";
    case palm::RecordStatus::WrongMidiFormat: return "wrong_midi_format";
    case palm::RecordStatus::Damaged: return "damaged";
    case palm::RecordStatus::Unreadable: return "unreadable";
  }
  return "unreadable";
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long days, int& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long day_of_era = days - era * 146097;
  const long long year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const long long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const long long shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string PalmDateIso8601(std::uint32_t seconds) {
  constexpr long long kDays1904To1970 = 24107;
  const long long days = seconds / 86400 - kDays1904To1970;
  const unsigned time_of_day = seconds % 86400;
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02u", year, month, day, time_of_day / 3600,
                time_of_day / 60 % 60, time_of_day % 60);
  return text;
}

ListResult ListDatabase(Prompts& prompts, FileSystem& files, const std::string& path) {
  ListResult result;
  const char* refusal = files.DirectoryExists(path) ? "a directory, not a database"
                        : !files.FileExists(path)   ? kFileDoesNotExist
                                                    : nullptr;
  if (refusal) {
    Refuse(prompts, result.outcome, Field::Edit1, MakeMessage(Topic::Refusal, refusal, PathSubject(path)));
    return result;
  }
  const std::optional<DatabaseImage> image = ReadDatabaseImage(prompts, files, path, true);
  if (!image) {
    result.outcome.End(Ending::Refused);
    return result;
  }
  result.listing = MakeListing(palm::DatabaseReader(image->Bytes()));
  for (const ListedRecord& record : result.listing->records) {
    if (record.status == palm::RecordStatus::Damaged || record.status == palm::RecordStatus::Unreadable) {
      ++result.outcome.not_converted;
    }
  }
  // A damaged or unreadable record is a tune that cannot be had: the listing says which.
  if (result.outcome.not_converted > 0) {
    prompts.ShowWarning(MakeMessage(Topic::NotConverted, "holds a damaged or unreadable record", PathSubject(path)),
                        kMidiError);
  }
  return result;
}

DatabaseListing MakeListing(const palm::DatabaseReader& reader) {
  DatabaseListing listing;
  listing.name = reader.Name();
  listing.attributes = reader.Attributes();
  listing.version = reader.Version();
  listing.type = reader.Type();
  listing.creator = reader.Creator();
  listing.created = reader.CreationDate();
  listing.modified = reader.ModificationDate();
  listing.record_count = reader.RecordCount();
  for (std::uint16_t index = 0; index < listing.record_count; ++index) {
    palm::RecordContents contents = reader.ReadRecord(reader.Extent(index));
    ListedRecord record;
    record.number = std::size_t{index} + 1;
    record.status = contents.status;
    record.name = contents.name;
    record.problem = contents.problem;
    if (contents.status == palm::RecordStatus::Midi) record.tune = TuneOf(contents.tune);
    listing.records.push_back(std::move(record));
  }
  return listing;
}

std::string ListingText(const DatabaseListing& listing) {
  char attributes[16];
  std::snprintf(attributes, sizeof attributes, "0x%04X", listing.attributes);
  std::string text = "Name:       " + WithoutControls(listing.name) + "\n" +
                     "Attributes: " + attributes + "\n" +
                     "Version:    " + std::to_string(listing.version) + "\n" +
                     "Type:       " + WithoutControls(listing.type) + "\n" +
                     "Creator:    " + WithoutControls(listing.creator) + "\n" +
                     "Created:    " + PalmDateIso8601(listing.created) + "\n" +
                     "Modified:   " + PalmDateIso8601(listing.modified) + "\n" +
                     "Records:    " + std::to_string(listing.record_count) + "\n";
  for (const ListedRecord& record : listing.records) {
    char number[16];
    std::snprintf(number, sizeof number, "%5zu  ", record.number);
    text += number;
    if (record.status != palm::RecordStatus::Midi) {
      if (!record.name.empty()) text += WithoutControls(record.name) + ": ";
      text += record.problem + "\n";
      continue;
    }
    const ListedTune& tune = record.tune;
    text += WithoutControls(record.name) + ": " + std::to_string(tune.size) + " bytes";
    if (tune.format) {
      text += ", SMF " + std::to_string(*tune.format) + ", " + std::to_string(*tune.tracks) +
              (*tune.tracks == 1 ? " track, " : " tracks, ") + DivisionText(*tune.division);
    } else {
      text += ", header cut short";
    }
    text += ", " + PlayLine(tune.handheld);
    text += "\n";
  }
  return text;
}

namespace {
std::string PlayJson(const ListedPlay& play) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", play.seconds);
  std::string json = "{\"outcome\": \"" + std::string(handheld::OutcomeName(play.outcome)) + "\", \"seconds\": " + seconds;
  if (play.outcome != handheld::PlayOutcome::Plays) {
    json += ", \"byte\": " + std::to_string(play.byte) + ", \"reason\": " + JsonString(play.reason);
  }
  if (play.tune_seconds) {
    std::snprintf(seconds, sizeof seconds, "%.3f", *play.tune_seconds);
    json += ", \"tune_seconds\": " + std::string(seconds) +
            ", \"most_notes_at_once\": " + std::to_string(play.most_notes_at_once);
  }
  return json + "}";
}
}  // namespace

std::string ListingJson(const DatabaseListing& listing) {
  auto date = [](std::uint32_t seconds) {
    return "{\"iso8601\": " + JsonString(PalmDateIso8601(seconds)) + ", \"seconds\": " + std::to_string(seconds) + "}";
  };
  std::string json = "{\n";
  json += "  \"name\": " + JsonString(palm::PalmTextToUtf8(listing.name)) + ",\n";
  json += "  \"attributes\": " + std::to_string(listing.attributes) + ",\n";
  json += "  \"version\": " + std::to_string(listing.version) + ",\n";
  json += "  \"type\": " + JsonString(palm::PalmTextToUtf8(listing.type)) + ",\n";
  json += "  \"creator\": " + JsonString(palm::PalmTextToUtf8(listing.creator)) + ",\n";
  json += "  \"created\": " + date(listing.created) + ",\n";
  json += "  \"modified\": " + date(listing.modified) + ",\n";
  json += "  \"record_count\": " + std::to_string(listing.record_count) + ",\n";
  json += "  \"records\": [";
  for (std::size_t i = 0; i < listing.records.size(); ++i) {
    const ListedRecord& record = listing.records[i];
    json += i == 0 ? "\n" : ",\n";
    json += "    {\"number\": " + std::to_string(record.number) + ", \"status\": \"" + StatusWord(record.status) + "\"";
    if (record.status != palm::RecordStatus::NotMidiRecord && record.status != palm::RecordStatus::Unreadable) {
      json += ", \"name\": " + JsonString(palm::PalmTextToUtf8(record.name));
    }
    if (record.status == palm::RecordStatus::Midi) {
      const ListedTune& tune = record.tune;
      json += ", \"size\": " + std::to_string(tune.size);
      if (tune.format) {
        json += ", \"format\": " + std::to_string(*tune.format) + ", \"tracks\": " + std::to_string(*tune.tracks) +
                ", \"division\": " + std::to_string(*tune.division) +
                ", \"plays_as_is\": " + (*tune.format == 0 ? "true" : "false");
      }
      json += ", \"handheld\": " + PlayJson(tune.handheld);
    } else {
      json += ", \"problem\": " + JsonString(palm::PalmTextToUtf8(record.problem));
    }
    json += "}";
  }
  json += listing.records.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return json;
}
