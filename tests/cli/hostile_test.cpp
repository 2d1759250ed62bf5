// Mutations of a real database through `carillo extract` and `carillo list` as processes: no
// signal, no sanitizer report, no hang, nothing written outside the destination, and every
// refusal a message with a documented exit status. CARILLO_HOSTILE_RUNS sets the number of
// mutations (scripts/hostile.sh runs thousands), CARILLO_HOSTILE_SEED the first one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "process.h"
#include "support/bytes.h"
#include "support/midi_files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr char kOpenMsx[] = "/usr/share/games/openttd/baseset/openmsx";
constexpr int kTimeoutSeconds = 30;

unsigned long EnvNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// A real database: the smallest real tunes and a few of our own, compiled by the program.
Bytes RealDatabase(const fs::path& root) {
  const fs::path tunes = root / "tunes";
  fs::create_directories(tunes);
  std::vector<fs::path> real;
  if (fs::is_directory(kOpenMsx)) {
    for (const auto& entry : fs::directory_iterator(kOpenMsx)) {
      if (entry.path().extension() == ".mid") real.push_back(entry.path());
    }
    std::sort(real.begin(), real.end(), [](const fs::path& a, const fs::path& b) {
      return fs::file_size(a) < fs::file_size(b);
    });
    if (real.size() > 4) real.resize(4);
  }
  for (const fs::path& path : real) fs::copy_file(path, tunes / path.filename());
  for (std::uint8_t note : {60, 61, 62}) {
    WriteBytes(tunes / ("own " + std::to_string(note) + ".mid"), OneNoteTune(0, note));
  }
  ProcessResult made = RunProgram({"compile", tunes.string(), (root / "real.pdb").string(), "--all-formats", "--quiet"});
  EXPECT_EQ(made.status, 0) << made.err;
  return ReadBytes(root / "real.pdb");
}

// One to three damages of the kinds a download, a disk or a hand-made file gives.
Bytes Mutate(const Bytes& original, std::mt19937& random) {
  Bytes db = original;
  const std::size_t count = Big16At(db, 76);
  auto pick = [&random](std::size_t n) { return n == 0 ? std::size_t{0} : random() % n; };
  auto record_offset = [&](std::size_t i) { return std::size_t{Big32At(original, 78 + 8 * i)}; };
  const std::uint32_t interesting[] = {0, 1, 77, 78, static_cast<std::uint32_t>(db.size()) - 1,
                                       static_cast<std::uint32_t>(db.size()), static_cast<std::uint32_t>(db.size()) + 1,
                                       0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000};
  for (unsigned n = 1 + random() % 3; n > 0 && !db.empty(); --n) {
    switch (random() % 9) {
      case 0:  // a few bytes of the header, list and first record heads
        for (unsigned k = 1 + random() % 4; k > 0; --k) db[pick(std::min<std::size_t>(db.size(), 200))] ^= 1 << random() % 8;
        break;
      case 1:  // a record list entry aimed somewhere odd
        if (count > 0 && 78 + 8 * count <= db.size()) {
          std::size_t entry = 78 + 8 * pick(count);
          std::uint32_t value = random() % 2
                                    ? interesting[pick(std::size(interesting))]
                                    : Big32At(db, 78 + 8 * pick(count)) + static_cast<std::uint32_t>(pick(9)) - 4;
          PutBig32(db, entry, value);
        }
        break;
      case 2: {  // the record count
        const std::uint16_t counts[] = {0, 1, static_cast<std::uint16_t>(count - 1), static_cast<std::uint16_t>(count + 1),
                                        0xFFFF, static_cast<std::uint16_t>(random())};
        std::uint16_t value = counts[pick(std::size(counts))];
        if (db.size() >= 78) PutBig16(db, 76, value);
        break;
      }
      case 3:  // cut short
        db.resize(pick(db.size() + 1));
        break;
      case 4:  // a record's data offset byte
        if (count > 0 && 78 + 8 * count <= original.size()) {
          std::size_t at = record_offset(pick(count)) + 4;
          if (at < db.size()) db[at] = static_cast<std::uint8_t>(random());
        }
        break;
      case 5: {  // a record name made to leave the destination, name a device or run on
        static const std::string names[] = {"..", "../../escaped", "..\\..\\escaped", "/etc/passwd", "C:\\x",
                                            "NUL", "con.txt", std::string(300, 'n'), "a\x01\x7F\xFF",
                                            "\x1B]0;owned\x07\x1B[2J\x9B\x81"};
        if (count > 0 && 78 + 8 * count <= original.size()) {
          std::size_t at = record_offset(pick(count)) + 6;
          const std::string& name = names[pick(std::size(names))];
          for (std::size_t k = 0; k < name.size() && at + k < db.size(); ++k) db[at + k] = static_cast<std::uint8_t>(name[k]);
          if (random() % 2 && at + name.size() < db.size()) db[at + name.size()] = 0;
        }
        break;
      }
      case 6:  // the resource flag
        if (db.size() > 33) db[33] ^= 0x01;
        break;
      case 7:  // random bytes anywhere
        for (unsigned k = 1 + random() % 8; k > 0; --k) db[pick(db.size())] = static_cast<std::uint8_t>(random());
        break;
      default: {  // a stretch copied over another place
        std::size_t from = pick(db.size()), to = pick(db.size());
        std::size_t length = std::min({pick(64) + 1, db.size() - from, db.size() - to});
        std::copy_n(db.begin() + static_cast<std::ptrdiff_t>(from), length, db.begin() + static_cast<std::ptrdiff_t>(to));
        break;
      }
    }
  }
  return db;
}

bool SanitizerSpoke(const std::string& err) {
  return err.find("Sanitizer") != std::string::npos || err.find("runtime error:") != std::string::npos;
}

// Nothing a terminal would obey: C0 controls but the line break, DEL, C1 controls in UTF-8.
bool SafeForATerminal(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte < 0x20 && byte != '\n') || byte == 0x7F) return false;
    if (byte == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) return false;
  }
  return true;
}

// The first line of every message is the program's; later lines continue it.
bool MessagesAreTheProgramsOwn(const std::string& err) { return err.empty() || err.rfind("carillo: ", 0) == 0; }

std::size_t CountedInSummary(const std::string& out) {
  return out.empty() ? 0 : std::strtoul(out.c_str(), nullptr, 10);
}

TEST(HostileDatabases, MutationsThroughExtractAndListNeverCrashHangOrEscape) {
  TempDir temp;
  const fs::path root = temp.path();
  const Bytes original = RealDatabase(root);
  ASSERT_GT(original.size(), 200u);
  const unsigned long runs = EnvNumber("CARILLO_HOSTILE_RUNS", 40);
  const unsigned long first = EnvNumber("CARILLO_HOSTILE_SEED", 1);
  const std::set<int> extract_statuses = {0, 1, 3, 4};
  const std::set<int> list_statuses = {0, 1, 3, 4};
  std::map<int, int> seen;  // extract statuses, for the record below
  for (unsigned long round = first; round < first + runs; ++round) {
    std::mt19937 random(static_cast<std::uint32_t>(round));
    const Bytes db = Mutate(original, random);
    SCOPED_TRACE("mutation " + std::to_string(round) + " (CARILLO_HOSTILE_SEED=" + std::to_string(round) +
                 " CARILLO_HOSTILE_RUNS=1 repeats it)");
    const fs::path run = root / "run";
    fs::remove_all(run);
    fs::create_directories(run);
    WriteBytes(run / "db.pdb", db);
    // Half the runs create the destination and overwrite; the others keep what is there.
    const bool keep = round % 2 == 0;
    if (keep) fs::create_directory(run / "out");

    ProcessResult extract =
        RunProgram({"extract", "db.pdb", "out", keep ? "--no-overwrite" : "--yes"}, run.string(), kTimeoutSeconds);
    ASSERT_FALSE(extract.timed_out) << "extract hangs";
    ASSERT_EQ(extract.signal, 0) << extract.err;
    ASSERT_FALSE(SanitizerSpoke(extract.err)) << extract.err;
    ASSERT_EQ(extract_statuses.count(extract.status), 1u) << extract.status << "\n" << extract.err;
    ++seen[extract.status];
    ASSERT_TRUE(MessagesAreTheProgramsOwn(extract.err)) << extract.err;
    ASSERT_TRUE(SafeForATerminal(extract.err + extract.out)) << extract.err << extract.out;
    if (extract.status == 1 || extract.status == 3 || extract.status == 4) {
      ASSERT_FALSE(extract.err.empty());
    }
    if (!extract.out.empty()) {
      const std::string counted = std::to_string(CountedInSummary(extract.out)) + " MIDI files successfully extracted";
      ASSERT_EQ(extract.out.rfind(counted, 0), 0u) << extract.out;
    }

    // Only the database and the destination, and in the destination only tunes of the database.
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(run)) {
      ASSERT_TRUE(entry.path().filename() == "db.pdb" || entry.path().filename() == "out") << entry.path();
    }
    if (fs::exists(run / "out")) {
      for (const auto& entry : fs::directory_iterator(run / "out")) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(entry.is_regular_file()) << name;
        ASSERT_GE(name.size(), 4u);
        ASSERT_EQ(name.substr(name.size() - 4), ".mid");
        const Bytes tune = ReadBytes(entry.path());
        ASSERT_GE(tune.size(), 4u) << name;
        ASSERT_EQ(std::string(tune.begin(), tune.begin() + 4), "MThd") << name;
        ASSERT_NE(std::search(db.begin(), db.end(), tune.begin(), tune.end()), db.end()) << name;
        ++files;
      }
    }
    for (const auto& entry : fs::directory_iterator(root)) {
      const std::string name = entry.path().filename().string();
      ASSERT_TRUE(name == "run" || name == "tunes" || name == "real.pdb") << "written outside: " << name;
    }
    if (extract.status != 3) {
      // Kept files are not counted; overwritten ones are counted again.
      ASSERT_EQ(keep ? files == CountedInSummary(extract.out) : files <= CountedInSummary(extract.out), true)
          << files << " files for: " << extract.out;
    }

    const bool json = round % 3 == 0;
    ProcessResult list = json ? RunProgram({"list", "db.pdb", "--json"}, run.string(), kTimeoutSeconds)
                              : RunProgram({"list", "db.pdb"}, run.string(), kTimeoutSeconds);
    ASSERT_FALSE(list.timed_out) << "list hangs";
    ASSERT_EQ(list.signal, 0) << list.err;
    ASSERT_FALSE(SanitizerSpoke(list.err)) << list.err;
    ASSERT_EQ(list_statuses.count(list.status), 1u) << list.status << "\n" << list.err;
    ASSERT_TRUE(MessagesAreTheProgramsOwn(list.err)) << list.err;
    ASSERT_TRUE(SafeForATerminal(list.err + list.out)) << list.err << list.out;
    if (list.status != 0) {
      ASSERT_FALSE(list.err.empty());
    }
    if (list.status == 1 || list.status == 3) {
      ASSERT_EQ(list.out, "");
    } else if (json) {
      ASSERT_EQ(list.out.rfind("{\n", 0), 0u) << list.out;
      ASSERT_EQ(list.out.substr(list.out.size() - 2), "}\n") << list.out;
    } else {
      // A line for every record, numbered in order.
      std::size_t at = list.out.find("\nRecords:   ");
      ASSERT_NE(at, std::string::npos) << list.out;
      const std::size_t records = std::strtoul(list.out.c_str() + at + 12, nullptr, 10);
      for (std::size_t number = 1; number <= records; ++number) {
        char line_start[16];
        std::snprintf(line_start, sizeof line_start, "\n%5zu  ", number);
        at = list.out.find(line_start, at + 1);
        ASSERT_NE(at, std::string::npos) << "no line for record " << number;
      }
      ASSERT_EQ(list.out.back(), '\n');
    }
  }
  std::string summary;
  for (const auto& [status, times] : seen) summary += " status " + std::to_string(status) + ": " + std::to_string(times);
  std::printf("%lu mutations through extract and list;%s\n", runs, summary.c_str());
}

}  // namespace
