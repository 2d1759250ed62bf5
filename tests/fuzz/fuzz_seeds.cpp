// Writes the fuzz targets' seed corpora: the kinds of databases, users.dat images and settings
// the tests build, whole and broken the ways the tests break them.
//   fuzz_seeds OUTPUT_DIRECTORY  ->  OUTPUT_DIRECTORY/{database,users_file,settings}/NNN
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "format/palm_database.h"
#include "support/midi_files.h"
#include "support/palm_images.h"
#include "support/users_file_image.h"

namespace {

namespace fs = std::filesystem;

// The sample databases' header: named, dated (as the writer stores a date, unswapped), backup.
Bytes Database(const std::vector<TuneRecord>& records, const std::string& name = "Tunes") {
  return TuneDatabase(records, {name, 0x0008, HostBytes(0xB8A2C0DE)});
}

std::vector<Bytes> Databases() {
  const Bytes sample = Database(
      {{"Alarm", OneNoteTune(0, 60)}, {"", OneNoteTune(0, 62, 10)}, {std::string(31, 'L'), OneNoteTune(1, 64)}});
  const std::size_t first = palm::kHeaderSize + 3 * palm::kRecordEntrySize;
  std::vector<Bytes> out = {
      sample,
      Database({{"Morning", OneNoteTune(0, 60)}}, "System MIDI Sounds"),
      // Names that meet the file name rules: replaced characters, device names, coinciding names.
      Database({{"a/b", OneNoteTune(0, 60)}, {"a:b", OneNoteTune(0, 61)}, {"NUL", OneNoteTune(0, 62)},
                {"com1.txt", OneNoteTune(0, 63)}, {"say \"hi\"?<>|*\\", OneNoteTune(0, 64)}}),
  };
  // Records that are no MIDI records or broken ones.
  Bytes foreign = sample;
  std::copy_n("DATA", 4, foreign.begin() + static_cast<std::ptrdiff_t>(first));
  out.push_back(foreign);
  Bytes wrong_tag = sample;
  wrong_tag[first + 6 + 5 + 1 + 3] = 'D';  // "MThD"
  out.push_back(wrong_tag);
  Bytes far_data = sample;
  far_data[first + palm::kDataOffsetOffset] = 250;
  out.push_back(far_data);
  Bytes no_nul = Database({{"endless", OneNoteTune(0, 60)}});
  no_nul[palm::kHeaderSize + palm::kRecordEntrySize + 6 + 7] = 'x';
  out.push_back(no_nul);
  // Whole-database refusals.
  Bytes resource = sample;
  resource[palm::kAttributesOffset + 1] |= 0x01;
  out.push_back(resource);
  out.push_back(Database({}));
  Bytes count_past = sample;
  count_past[palm::kRecordCountOffset] = 0xFF;
  out.push_back(count_past);
  // Record lists that point backwards, past the end and into the negative.
  for (std::uint32_t second : {0x10000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, static_cast<std::uint32_t>(first)}) {
    Bytes hostile = sample;
    PutBig32(hostile, palm::kHeaderSize + palm::kRecordEntrySize, second);
    out.push_back(hostile);
  }
  // Cut short: inside the list, inside a record's head, name and tune.
  for (std::size_t size : {std::size_t{60}, first - 3, first + 3, first + 9, first + 20, sample.size() - 5}) {
    out.push_back(Bytes(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(size)));
  }
  // What edits keep: info blocks (in either order), the bytes after the list, attributes, unique IDs.
  Bytes kept = DatabaseWithInfo({{MidiRecord("Alarm", OneNoteTune(0, 60)), 0x60, 0x0A0B0C},
                                 {{'D', 'A', 'T', 'A', 9}, 0x85, 0xFFFFFF}},
                                true, {1, 2, 3}, {4, 5, 6, 7, 8});
  out.push_back(kept);
  const std::uint32_t app_info = Big32At(kept, 52);
  PutBig32(kept, 52, Big32At(kept, 56));
  PutBig32(kept, 56, app_info);
  out.push_back(kept);
  out.push_back(DatabaseWithInfo({}, false, {}, {9}));
  return out;
}

std::vector<Bytes> UsersFiles() {
  return {
      UsersFileImage({{"Ann", "AnnF"}}),
      UsersFileImage({{"Ann", "AnnF"}, {"Bob", "BobF"}, {"", ""}}),
      UsersFileImage({{"Ann", "AnnF", 0xCD, 0xAB, 0x01}}),
      UsersFileImage({{"Ann", "AnnF", 0x34, 0x12, 0x01, {{0x01, 0x01, 0x80, 0x01, 0x80}}}, {"", "B"}, {"Cy", ""}}),
      UsersFileImage({{"Ann", std::string("Ann\0Old", 7)}}),
      UsersFileImage({{"Ann", "AnnF"}, {"Bob", "BobF"}}, 3),
      UsersFileImage({{"Ann", "AnnF"}}, 0),
  };
}

// The settings target's inputs: an even first byte and an integer text, or an odd one and the
// stored values (a kind byte, a length byte and the bytes, for each setting in load order).
std::vector<Bytes> Settings() {
  std::vector<Bytes> out;
  for (const char* text : {"352", "0", "-1", "+17", "-0", "007", " 12", "    -12", "2147483647", "-2147483648",
                           "2147483648", "-2147483649", "99999999999999999999999", "$1F", "0x1f", "0X1F", "x1F",
                           " $10", "$FFFFFFFF", "$80000000", "$7FFFFFFF", "$00000000001F", "$100000000", "$", "0x",
                           "$1G", "-$1F", "+0x1F", "0x-1", "12abc", "", "   ", "-", "--1", "12 ", "1 2", "\t12",
                           "1.5", "1e3", "12\r\n"}) {
    Bytes input = {0};
    input.insert(input.end(), text, text + std::string(text).size());
    out.push_back(input);
  }
  auto stored = [](const std::vector<std::pair<std::uint8_t, std::string>>& values) {
    Bytes input = {1};
    for (const auto& [kind, text] : values) {
      input.push_back(kind);
      input.push_back(static_cast<std::uint8_t>(text.size()));
      input.insert(input.end(), text.begin(), text.end());
    }
    return input;
  };
  const std::uint8_t sz = 2, expand = 1, binary = 3, dword = 4, absent = 0;
  // Status, Top, Left, Height, Width, Tab, the five texts, SMF0 Only.
  out.push_back(stored({{sz, std::string("1\0", 2)}, {sz, "100"}, {sz, "200"}, {sz, "317"}, {sz, "739"}, {sz, "1"},
                        {sz, "C:\\Palm\\Ann\\Backup\\System_MIDI_Sounds.pdb"}, {expand, "D:\\Tunes"},
                        {sz, "C:\\"}, {sz, "C:\\My_MIDI_Database.pdb"}, {sz, "Ring tones"}, {sz, "0"}}));
  out.push_back(stored({{sz, "0"}, {dword, std::string("\x10\0\0\0", 4)}, {absent, ""}, {absent, ""}, {absent, ""}, {sz, "$7"},
                        {sz, ""}, {sz, std::string("cut\0here", 8)}}));
  out.push_back(stored({{sz, "3"}, {sz, "-5"}, {sz, "x10"}, {sz, " 12"}, {sz, "junk"}, {binary, "\x01"}}));
  out.push_back(stored({{sz, "2"}, {absent, ""}, {absent, ""}, {absent, ""}, {absent, ""}, {sz, "0"}, {sz, "a"},
                        {sz, "b"}, {sz, "c"}, {sz, "d"}, {sz, "e"}, {sz, "yes"}}));
  return out;
}

bool WriteAll(const fs::path& directory, const std::vector<Bytes>& inputs) {
  fs::create_directories(directory);
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%03zu", i);
    std::ofstream file(directory / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(inputs[i].data()), static_cast<std::streamsize>(inputs[i].size()));
    if (!file) return false;
  }
  return true;
}

// Standard MIDI Files of every format, with running status and meta events.
std::vector<Bytes> Tunes() {
  const std::vector<Bytes> tracks = {{0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xFF, 0x2F, 0},
                                     {0, 0x90, 60, 64, 0x60, 0x90, 60, 0, 0, 0xFF, 0x2F, 0}};
  const Bytes two_tracks = Smf(1, tracks);
  const Bytes independent = Smf(2, tracks);
  return {OneNoteTune(0, 60), OneNoteTune(1, 62, 3), two_tracks, independent};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_DIRECTORY\n");
    return 2;
  }
  const fs::path root = argv[1];
  if (!WriteAll(root / "database", Databases()) || !WriteAll(root / "users_file", UsersFiles()) ||
      !WriteAll(root / "settings", Settings()) || !WriteAll(root / "midi", Tunes())) {
    std::fprintf(stderr, "fuzz_seeds: cannot write under %s\n", argv[1]);
    return 1;
  }
  return 0;
}
