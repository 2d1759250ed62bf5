// `carillo` run as a process on real files: exit statuses, texts, questions and names.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "process.h"
#include "support/midi_files.h"
#include "support/palm_images.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr char kOpenMsx[] = "/usr/share/games/openttd/baseset/openmsx";

// A Palm date as the local date and time it counts, worked out by the C library.
std::string PalmDateIso8601Expected(std::uint32_t seconds) {
  const std::time_t unix_seconds = static_cast<std::time_t>(seconds) - 2082844800;
  std::tm civil{};
  gmtime_r(&unix_seconds, &civil);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &civil);
  return text;
}

// A file whose name may hold a "\\", which the fixtures' own writer takes for a separator.
void WriteNamed(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

class CommandLine : public ::testing::Test {
 protected:
  fs::path Dir(const std::string& name) {
    fs::path dir = root_ / name;
    fs::create_directories(dir);
    return dir;
  }
  // A database of the given tunes, made by the program itself.
  fs::path Compiled(const std::vector<std::pair<std::string, Bytes>>& tunes) {
    fs::path in = Dir("tunes");
    for (const auto& [name, bytes] : tunes) WriteBytes(in / name, bytes);
    fs::path database = root_ / "tunes.pdb";
    ProcessResult made = RunProgram({"compile", in, database, "--all-formats", "--quiet"});
    EXPECT_EQ(made.status, 0) << made.err;
    return database;
  }
  ProcessResult Run(const std::vector<std::string>& arguments) { return RunProgram(arguments, root_); }

  TempDir temp_;
  fs::path root_ = fs::path(temp_.path());
};

TEST_F(CommandLine, RefusalsGiveTheirTextAndStatus) {
  Dir("empty_dir");
  Dir("empty_dir.pdb");
  Dir("tunes_dir");
  WriteBytes(root_ / "tunes_dir" / "song.mid", OneNoteTune(1));
  WriteBytes(root_ / "empty.pdb", {});
  WriteBytes(root_ / "short.pdb", Bytes(77, 0));
  const Bytes one = TuneDatabase({{"Bird", OneNoteTune(0)}});
  WriteBytes(root_ / "one.pdb", one);
  WriteBytes(Dir("bird_dir") / "Bird.mid", OneNoteTune(0, 70));
  Bytes text = Database({});
  std::copy_n("TEXt", 4, text.begin() + 60);
  WriteBytes(root_ / "text.pdb", text);
  WriteNamed(root_ / "back\\slash.mid", OneNoteTune(0));
  WriteBytes(root_ / "long.mid", OneNoteTune(0, 60, 90));
  WriteBytes(root_ / "big.mid", Bytes(65001, 0));
  fs::create_symlink("gone.mid", root_ / "dangling.mid");
  const std::string prose = "A text file that is long enough to be taken for a database header, but is none.\n";
  WriteBytes(root_ / "notes.txt", Bytes(prose.begin(), prose.end()));
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string err;
  } cases[] = {
      {{}, 2, "carillo: no command given\nTry 'carillo --help'.\n"},
      {{"burn", "x"}, 2, "carillo: unknown command 'burn'\nTry 'carillo --help'.\n"},
      {{"extract"}, 2, "carillo: missing operand: DATABASE [DIRECTORY]\nTry 'carillo extract --help'.\n"},
      {{"extract", "a", "b", "c"}, 2, "carillo: unexpected operand 'c'\nTry 'carillo extract --help'.\n"},
      {{"extract", "a", "--skip-bad"}, 2, "carillo: unknown flag '--skip-bad'\nTry 'carillo extract --help'.\n"},
      {{"compile", "a", "b.pdb", "-y", "--no-overwrite"}, 2,
       "carillo: --yes and --no-overwrite contradict each other\nTry 'carillo compile --help'.\n"},
      {{"compile", "a", "b.pdb", "--name", std::string(32, 'n')}, 2,
       "carillo: --name is longer than 31 characters\nTry 'carillo compile --help'.\n"},
      {{"compile", "a", "b.pdb", "--name", "\xE6\x97\xA5"}, 2,
       "carillo: --name holds characters Windows-1252 cannot\nTry 'carillo compile --help'.\n"},
      {{"compile", "a", "b.pdb", "--name"}, 2, "carillo: --name needs a NAME\nTry 'carillo compile --help'.\n"},
      {{"compile", "old.PDB", "tunes_dir"}, 2,
       "carillo: old.PDB: a database, not a MIDI file or directory\nTry 'carillo compile --help'.\n"},
      {{"compile", "tunes_dir", "db.pdb", "-n", "Ring Tones"}, 2,
       "carillo: db.pdb: a database, not a MIDI file or directory\nTry 'carillo compile --help'.\n"},
      {{"compile", "tunes_dir", "empty_dir"}, 2,
       "carillo: empty_dir: DATABASE must end in .pdb\nTry 'carillo compile --help'.\n"},
      {{"extract", "missing.pdb"}, 1, "carillo: missing.pdb: File does not exist!\n"},
      {{"extract", "empty.pdb"}, 1, "carillo: empty.pdb: File is empty!\n"},
      {{"extract", "short.pdb"}, 1, "carillo: short.pdb: not a Palm database (too short for a database header)\n"},
      {{"list", "short.pdb"}, 1, "carillo: short.pdb: not a Palm database (too short for a database header)\n"},
      {{"list", "long.mid"}, 1, "carillo: long.mid: not a Palm database (a MIDI file: compile or convert it)\n"},
      {{"list", "notes.txt"}, 1, "carillo: notes.txt: not a Palm database (no name)\n"},
      {{"extract", "long.mid", "made_dir", "-y"}, 1,
       "carillo: long.mid: not a Palm database (a MIDI file: compile or convert it)\n"},
      {{"extract", "one.pdb", "empty.pdb/sub", "-y"}, 3, "carillo: empty.pdb/sub: Unable to create directory\n"},
      {{"compile", "tunes_dir", "empty.pdb/db.pdb", "-y"}, 3, "carillo: empty.pdb/: Unable to create directory\n"},
      {{"compile", "nosuch.mid", "out.pdb"}, 1, "carillo: nosuch.mid: File does not exist!\n"},
      {{"compile", "big.mid", "out.pdb"}, 1,
       "carillo: big.mid: MIDI file too large for Palm OS (63KB): 65001 bytes, at most 65000\n"
       "carillo: cancelled: no terminal to answer on (--skip-bad answers this question)\n"},
      {{"compile", "back\\slash.mid", "out.pdb"}, 1, "carillo: back\\slash.mid: a name with \"\\\" cannot be a record's\n"},
      {{"compile", "dangling.mid", "out.pdb"}, 1, "carillo: dangling.mid: the file it links to does not exist\n"},
      {{"compile", "dangling.mid", "out.pdb", "--skip-bad"}, 1,
       "carillo: dangling.mid: skipped: the file it links to does not exist\ncarillo: No MIDI files found!\n"},
      {{"convert", "tunes_dir/song.mid", "Backup.PDB"}, 2,
       "carillo: Backup.PDB: a database, not a MIDI file\nTry 'carillo convert --help'.\n"},
      {{"remove", "one.pdb", "Bird", "--output", "text.pdb", "-n"}, 0, "carillo: text.pdb: already exists; kept\n"},
      {{"render", "long.mid", "o.wav", "--channel", "3"}, 2, "carillo: --channel needs --ring\nTry 'carillo render --help'.\n"},
      {{"render", "long.mid", "o.wav", "--volume=65"}, 2,
       "carillo: --volume takes a volume from 0 to 64\nTry 'carillo render --help'.\n"},
      {{"compile", "tunes_dir", "o.pdb", "--ring", "--to-smf0"}, 2,
       "carillo: --ring and --to-smf0 contradict each other\nTry 'carillo compile --help'.\n"},
      {{"render", "tunes_dir/song.mid", "o.wav"}, 1, "carillo: tunes_dir/song.mid: not rendered: plays nothing: format 1\n"},
      {{"render", "one.pdb", "#2", "o.wav"}, 1, "carillo: one.pdb: no record #2: the database holds 1 record\n"},
      {{"convert", "tunes_dir/song.mid", "o.mid", "--ring", "--channel", "9"}, 1,
       "carillo: tunes_dir/song.mid: channel 9 has no notes\n"},
      {{"extract", "tunes_dir/"}, 1, "carillo: tunes_dir/: a directory, not a database\n"},
      {{"compile", "missing_dir", "out.pdb"}, 1, "carillo: missing_dir: Directory does not exist!\n"},
      {{"compile", "tunes_dir", "out.pdb", "--name="}, 2, "carillo: --name needs a NAME\nTry 'carillo compile --help'.\n"},
      {{"compile", "empty_dir", "out.pdb"}, 1, "carillo: empty_dir: No MIDI files found!\n"},
      {{"compile", "tunes_dir", "out.pdb"}, 1,
       "carillo: tunes_dir/song.mid: skipped: format 1, not format 0\n"
       "carillo: tunes_dir: No correct MIDI files found!\n"
       "carillo: 1 file was skipped for not being format 0: --to-smf0 converts format-1 files, --all-formats "
       "takes every format\n"},
      {{"compile", "tunes_dir", "empty_dir.pdb"}, 1, "carillo: empty_dir.pdb: File or directory already exists!\n"},
      {{"add", "tunes_dir", "one.pdb"}, 2, "carillo: tunes_dir: DATABASE must end in .pdb\nTry 'carillo add --help'.\n"},
      {{"add", "one.pdb", "text.pdb"}, 2,
       "carillo: text.pdb: a database, not a MIDI file or directory\nTry 'carillo add --help'.\n"},
      {{"remove", "one.pdb", "Bird", "--output=x"}, 2, "carillo: x: FILE must end in .pdb\nTry 'carillo remove --help'.\n"},
      {{"remove", "one.pdb", "\xE6\x97\xA5"}, 2,
       "carillo: a NAME holds characters Windows-1252 cannot\nTry 'carillo remove --help'.\n"},
      {{"add", "missing.pdb", "bird_dir"}, 1, "carillo: missing.pdb: File does not exist!\n"},
      {{"add", "one.pdb", "missing_dir"}, 1, "carillo: missing_dir: Directory does not exist!\n"},
      {{"add", "short.pdb", "bird_dir"}, 1, "carillo: short.pdb: the file is too short for a database header\n"},
      {{"remove", "text.pdb", "Bird"}, 1, "carillo: text.pdb: not a MIDI sound database (type \"TEXt\")\n"},
      {{"remove", "empty_dir.pdb", "Bird"}, 1, "carillo: empty_dir.pdb: a directory, not a database\n"},
      {{"add", "one.pdb", "bird_dir"}, 1,
       "carillo: one.pdb #1 Bird: already in the database. Replace it?\n"
       "carillo: cancelled: no terminal to answer on (-y or -n answers this question)\n"},
      {{"remove", "one.pdb", "Owl", "#2", "#0"}, 1,
       "carillo: one.pdb: no record is named \"Owl\"\ncarillo: one.pdb: no record #2: the database holds 1 record\n"
       "carillo: one.pdb: no record #0: the database holds 1 record\n"},
      {{"remove", "one.pdb", "Bird", "#1"}, 1,
       "carillo: one.pdb: removing every record would leave it empty, and extract refuses an empty database\n"},
  };
  for (const Case& c : cases) {
    ProcessResult result = Run(c.arguments);
    EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(result.err, c.err) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(result.out, "") << ::testing::PrintToString(c.arguments);
  }
  EXPECT_FALSE(fs::exists(root_ / "out.pdb"));
  EXPECT_FALSE(fs::exists(root_ / "made_dir")) << "no directory made for a file that gives no tune";
  EXPECT_FALSE(fs::exists(root_ / "o.wav") || fs::exists(root_ / "o.mid")) << "nothing written for a refused tune";
  EXPECT_EQ(ReadBytes(root_ / "one.pdb"), one);
  EXPECT_EQ(ReadBytes(root_ / "text.pdb"), text);
}

TEST_F(CommandLine, HelpAndVersionGoToStandardOutput) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--help"}, {"extract", "--help"}, {"compile", "x", "--help"}, {"list", "--help"},
        {"add", "--help"}, {"remove", "--help"}}) {
    ProcessResult result = Run(arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("Exit status:\n  0"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
  }
  ProcessResult version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("carillo 2.0", 0), 0u) << version.out;

  const fs::path database = Compiled({{"a.mid", OneNoteTune(0)}});
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--help"}, {"--version"}, {"list", database.string(), "--json"}}) {
    ProcessResult full = RunProgram(arguments, root_.string(), 0, {.out_file = "/dev/full"});
    EXPECT_EQ(full.status, 3) << arguments[0];
    EXPECT_EQ(full.err, "carillo: standard output: could not be written whole\n") << arguments[0];
  }
}

// Files and folders its user may not read: a child of its own user binds even when the tests run
// as root.
TEST_F(CommandLine, UnreadableFilesAndFoldersAreNamed) {
  Dir("noread");
  WriteBytes(Dir("tunes") / "a.mid", OneNoteTune(0));
  WriteBytes(root_ / "locked.mid", OneNoteTune(0));
  fs::permissions(root_, fs::perms::all);
  fs::permissions(root_ / "tunes", fs::perms::all);
  fs::permissions(root_ / "noread", fs::perms::none);
  fs::permissions(root_ / "locked.mid", fs::perms::none);
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string out, err;
  } cases[] = {
      {{"compile", "noread", "o.pdb"}, 3, "", "carillo: noread: File access denied.\n"},
      {{"compile", "noread", "o.pdb", "--skip-bad"}, 1, "",
       "carillo: noread: skipped: File access denied\ncarillo: noread: No MIDI files found!\n"},
      {{"compile", "noread", "tunes", "locked.mid", "o.pdb", "--skip-bad"}, 4, "1 MIDI files successfully compiled, 2 skipped.\n",
       "carillo: noread: skipped: File access denied\ncarillo: locked.mid: skipped: File access denied\n"},
  };
  for (const Case& c : cases) {
    ProcessResult result = RunProgram(c.arguments, root_.string(), 0, {.as_nobody = true});
    EXPECT_EQ(result.status, c.status) << c.arguments[2];
    EXPECT_EQ(result.out, c.out) << c.arguments[2];
    EXPECT_EQ(result.err, c.err) << c.arguments[2];
  }
  fs::permissions(root_ / "noread", fs::perms::all);
}

TEST_F(CommandLine, RealTunesRoundTripByteForByte) {
  if (!fs::is_directory(kOpenMsx)) GTEST_SKIP() << kOpenMsx << " is not installed";
  ProcessResult compiled = Run({"compile", kOpenMsx, "music.pdb", "--all-formats", "--name", "OpenMSX"});
  ASSERT_EQ(compiled.status, 0) << compiled.err;
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator(kOpenMsx)) count += entry.path().extension() == ".mid";
  EXPECT_EQ(compiled.out, std::to_string(count) + " MIDI files successfully compiled.\n");

  ProcessResult extracted = Run({"extract", "music.pdb", "out"});
  EXPECT_EQ(extracted.status, 1) << "a missing directory without a terminal is cancelled";
  EXPECT_FALSE(fs::exists(root_ / "out"));
  extracted = Run({"extract", "music.pdb", "out", "--yes"});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(extracted.out, std::to_string(count) + " MIDI files successfully extracted.\n");
  for (const auto& entry : fs::directory_iterator(kOpenMsx)) {
    if (entry.path().extension() != ".mid") continue;
    EXPECT_EQ(ReadBytes(root_ / "out" / entry.path().filename()), ReadBytes(entry.path())) << entry.path();
  }
}

TEST_F(CommandLine, QuestionsWithoutATerminalAreCancelledNamingTheFlag) {
  fs::path database = Compiled({{"a.mid", OneNoteTune(0)}, {"b.mid", OneNoteTune(0)}});
  fs::path out = Dir("out");
  WriteBytes(out / "a.mid", {1, 2, 3});

  ProcessResult asked = Run({"extract", database, out});
  EXPECT_EQ(asked.status, 1);
  EXPECT_EQ(asked.err, "carillo: " + (out / "a.mid").string() +
                           ": already exists. Overwrite?\n"
                           "carillo: cancelled: no terminal to answer on (-y or -n answers this question)\n");
  EXPECT_EQ(asked.out, "");
  EXPECT_FALSE(fs::exists(out / "b.mid")) << "nothing after a Cancel is looked at";

  ProcessResult kept = Run({"extract", database, out, "--no-overwrite"});
  EXPECT_EQ(kept.status, 0);
  EXPECT_EQ(kept.err, "carillo: " + (out / "a.mid").string() + ": skipped: already exists; kept\n");
  EXPECT_EQ(kept.out, "1 MIDI files successfully extracted, 1 skipped.\n");
  EXPECT_EQ(ReadBytes(out / "a.mid"), (Bytes{1, 2, 3}));

  ProcessResult all_kept = Run({"extract", database, out, "--no-overwrite"});
  EXPECT_EQ(all_kept.status, 0) << "keeping every file is what was asked";
  EXPECT_EQ(all_kept.err.substr(all_kept.err.rfind("carillo:")), "carillo: no tune extracted: 2 files already there, kept\n");

  ProcessResult replaced = Run({"extract", database, out, "-yq"});
  EXPECT_EQ(replaced.status, 0);
  EXPECT_EQ(replaced.out + replaced.err, "");
  EXPECT_EQ(ReadBytes(out / "a.mid"), OneNoteTune(0));

  ProcessResult database_kept = Run({"compile", (root_ / "tunes").string(), database, "--no-overwrite"});
  EXPECT_EQ(database_kept.status, 0) << "keeping the database is what was asked";
  EXPECT_EQ(database_kept.err, "carillo: " + database.string() + ": already exists; kept\n");
}

TEST_F(CommandLine, TerminalAnswersEachQuestion) {
  fs::path database =
      Compiled({{"a.mid", OneNoteTune(0, 60)}, {"b.mid", OneNoteTune(0, 61)}, {"c.mid", OneNoteTune(0, 62)}});
  fs::path out = Dir("out");
  for (const char* name : {"a.mid", "b.mid", "c.mid"}) WriteBytes(out / name, {9});

  // An unknown answer is asked again; then No, Yes, and Cancel at the last.
  ProcessResult result = RunProgramOnTerminal({"extract", database, out}, "maybe\nn\nyes\nc\n", root_);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ReadBytes(out / "a.mid"), Bytes{9});
  EXPECT_EQ(ReadBytes(out / "b.mid"), OneNoteTune(0, 61));
  EXPECT_EQ(ReadBytes(out / "c.mid"), Bytes{9});
  EXPECT_EQ(result.out, "") << "a Cancel ends the run without a summary";
  const std::string question = ": already exists. Overwrite?\n[y]es/[n]o/[c]ancel? ";
  EXPECT_EQ(result.err, "carillo: " + (out / "a.mid").string() + question + "[y]es/[n]o/[c]ancel? " + "carillo: " +
                            (out / "a.mid").string() + ": skipped: already exists; kept\ncarillo: " +
                            (out / "b.mid").string() + question + "carillo: " + (out / "c.mid").string() + question +
                            "carillo: cancelled\n");

  WriteBytes(root_ / "tunes" / "bad.mid", {'R', 'I', 'F', 'F'});
  ProcessResult compiled =
      RunProgramOnTerminal({"compile", "tunes", "new/db.pdb", "--all-formats"}, "o\nYes\nSKIP\n", root_);
  EXPECT_EQ(compiled.status, 0) << compiled.err;
  const std::string bad = "Wrong MIDI format: not a Standard MIDI File: it does not begin with \"MThd\" (at byte 0)";
  EXPECT_EQ(compiled.err,
            "carillo: new/: Directory does not exist! Would you like to create it now?\n[y]es/[n]o? [y]es/[n]o? "
            "carillo: tunes/bad.mid: " + bad + "\n[s]kip/[c]ancel? carillo: tunes/bad.mid: skipped: " + bad + "\n");
  EXPECT_EQ(compiled.out, "3 MIDI files successfully compiled, 1 skipped.\n");

  // No keeps the database, which is what was asked; the question shows on the terminal while
  // standard error goes to a file.
  const fs::path log = root_ / "err.log";
  ProcessResult kept = RunProgramOnTerminal({"compile", "tunes", "new/db.pdb", "--all-formats", "--skip-bad"}, "n\n",
                                            root_, {.err_file = log.string()});
  EXPECT_EQ(kept.status, 0);
  EXPECT_EQ(kept.terminal, "carillo: new/db.pdb: File already exists! Overwrite?\n[y]es/[n]o? ");
  const Bytes logged = ReadBytes(log);
  EXPECT_EQ(std::string(logged.begin(), logged.end()), "carillo: new/db.pdb: already exists; kept\n");
}

TEST_F(CommandLine, Windows1252NamesBothWays) {
  const std::string folder = "\xD0\x9C\xD0\xB5\xD0\xBB\xD0\xBE\xD0\xB4\xD0\xB8\xD0\xB8";  // Мелодии: any path works
  fs::path in = Dir(folder);
  WriteBytes(in / "Caf\xC3\xA9.mid", OneNoteTune(0, 1));             // é precomposed
  WriteBytes(in / "Nai\xCC\x88ve.mid", OneNoteTune(0, 2));           // ï decomposed, as macOS names it
  WriteBytes(in / "\xE2\x82\xAC uro.mid", OneNoteTune(0, 3));        // € is 0x80 in Windows-1252
  WriteBytes(in / "\xE6\x97\xA5.mid", OneNoteTune(0, 4));            // no Windows-1252 character
  WriteBytes(in / "NUL.mid", OneNoteTune(0, 5));
  WriteBytes(in / "Na\xC3\xAFve.mid", OneNoteTune(0, 6));  // the same name composed: listed after the other
  WriteBytes(in / "_x.mid", OneNoteTune(0, 7));
  WriteBytes(in / "b.mid", OneNoteTune(0, 8));
  WriteNamed(in / "back\\slash.mid", OneNoteTune(0, 9));
  WriteBytes(in / "tab\tname.mid", OneNoteTune(0, 10));
  fs::create_symlink("gone.mid", in / "link.mid");
  ProcessResult compiled = Run({"compile", folder, folder + "/names.pdb", "--quiet"});
  EXPECT_EQ(compiled.status, 4);
  EXPECT_EQ(compiled.err,
            "carillo: " + folder + "/back\\slash.mid: skipped: a name with \"\\\" cannot be a record's\n"
            "carillo: " + folder + "/link.mid: skipped: the file it links to does not exist\n"
            "carillo: " + folder + "/Na\xC3\xAFve.mid: skipped: in Windows-1252 this name is another file's\n"
            "carillo: " + folder + "/tab_name.mid: skipped: a control character cannot be in a record name\n"
            "carillo: " + folder + "/\xE6\x97\xA5.mid: skipped: Windows-1252 cannot hold this name\n");
  // NTFS's order: upper-cased UTF-16, so "b" before "C" and "_" (0x5F) after "N", "€" after them all.
  ProcessResult listed = Run({"list", folder + "/names.pdb"});
  std::string names;
  for (std::size_t at = listed.out.find("\n    "); at != std::string::npos; at = listed.out.find("\n    ", at + 1)) {
    names += listed.out.substr(at + 8, listed.out.find(':', at) - at - 8) + "|";
  }
  EXPECT_EQ(names, "b|Caf\xC3\xA9|Na\xC3\xAFve|NUL|_x|\xE2\x82\xAC uro|");

  ProcessResult extracted = Run({"extract", folder + "/names.pdb", folder + "/out", "--yes", "--quiet"});
  EXPECT_EQ(extracted.err, "") << "no two records share a file name";
  EXPECT_EQ(extracted.status, 0) << extracted.err;
  fs::path out = in / "out";
  EXPECT_EQ(ReadBytes(out / "Caf\xC3\xA9.mid"), OneNoteTune(0, 1));
  EXPECT_EQ(ReadBytes(out / "Na\xC3\xAFve.mid"), OneNoteTune(0, 2));
  EXPECT_EQ(ReadBytes(out / "\xE2\x82\xAC uro.mid"), OneNoteTune(0, 3));
  EXPECT_EQ(ReadBytes(out / "NUL_.mid"), OneNoteTune(0, 5)) << "device names get their _ on every platform";
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(out)) ++files;
  EXPECT_EQ(files, 6u);
}

// A handheld's database may hold two records of one name: neither tune is lost, nor asked about.
TEST_F(CommandLine, RecordsOfOneFileNameEachGetAFileOfTheirOwn) {
  WriteBytes(root_ / "sys.pdb", TuneDatabase({{"Alarm", OneNoteTune(0, 1)}, {"alarm", OneNoteTune(0, 2)},
                                              {"Alarm (2)", OneNoteTune(0, 3)}, {"x\"y", OneNoteTune(0, 4)}}));
  ProcessResult result = Run({"extract", "sys.pdb", "out", "-y"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "4 MIDI files successfully extracted.\n");
  EXPECT_EQ(result.err, "carillo: sys.pdb #2 alarm: record #1 has the same file name; written as \"alarm (3).mid\"\n");
  const std::map<std::string, Bytes> expected = {{"Alarm.mid", OneNoteTune(0, 1)}, {"alarm (3).mid", OneNoteTune(0, 2)},
                                                 {"Alarm (2).mid", OneNoteTune(0, 3)}, {"x_y.mid", OneNoteTune(0, 4)}};
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::directory_iterator(root_ / "out")) files[entry.path().filename()] = ReadBytes(entry.path());
  EXPECT_EQ(files, expected);
}

TEST_F(CommandLine, ListShowsGoodForeignAndDamagedRecords) {
  fs::path database = Compiled({{"a.mid", OneNoteTune(0)}, {"b.mid", OneNoteTune(1)}, {"c.mid", OneNoteTune(0)},
                                {"d\xC3\xA9.mid", OneNoteTune(0)}, {"e.mid", OneNoteTune(2)}});
  Bytes image = ReadBytes(database);
  auto record_offset = [&image](std::size_t index) { return std::size_t{Big32At(image, 78 + 8 * index)}; };
  std::copy_n("DATA", 4, image.begin() + static_cast<std::ptrdiff_t>(record_offset(2)));  // c: foreign
  image[record_offset(3) + 4] = 200;  // d: its data offset leaves the record
  WriteBytes(database, image);
  const std::uint32_t created = Big32At(image, 36);
  const std::string date = PalmDateIso8601Expected(created);

  ProcessResult text = Run({"list", database.string()});
  EXPECT_EQ(text.status, 4) << "a damaged record is a tune that cannot be had";
  EXPECT_EQ(text.out, "Name:       My MIDI Database\nAttributes: 0x0008\nVersion:    0\nType:       smfr\n"
                      "Creator:    Qsnd\nCreated:    " + date + "\nModified:   " + date + "\nRecords:    5\n"
                      "    1  a: 34 bytes, SMF 0, 1 track, 96 ticks/quarter, plays 0.5 s\n"
                      "    2  b: 34 bytes, SMF 1, 1 track, 96 ticks/quarter, plays nothing: format 1\n"
                      "    3  not a MIDI record\n"
                      "    4  d\xC3\xA9: damaged: its data offset points past the record\n"
                      "    5  e: 34 bytes, SMF 2, 1 track, 96 ticks/quarter, plays nothing: format 2\n");

  ProcessResult json = Run({"list", database.string(), "--json"});
  EXPECT_EQ(json.status, 4) << json.err;
  const std::string stamp = "{\"iso8601\": \"" + date + "\", \"seconds\": " + std::to_string(created) + "}";
  EXPECT_EQ(json.out, "{\n  \"name\": \"My MIDI Database\",\n  \"attributes\": 8,\n  \"version\": 0,\n"
                      "  \"type\": \"smfr\",\n  \"creator\": \"Qsnd\",\n  \"created\": " + stamp +
                      ",\n  \"modified\": " + stamp + ",\n  \"record_count\": 5,\n  \"records\": [\n"
                      "    {\"number\": 1, \"status\": \"midi\", \"name\": \"a\", \"size\": 34, \"format\": 0, "
                      "\"tracks\": 1, \"division\": 96, \"plays_as_is\": true, \"handheld\": {\"outcome\": \"plays\", "
                      "\"seconds\": 0.49, \"tune_seconds\": 0.500, \"most_notes_at_once\": 1}},\n"
                      "    {\"number\": 2, \"status\": \"midi\", \"name\": \"b\", \"size\": 34, \"format\": 1, "
                      "\"tracks\": 1, \"division\": 96, \"plays_as_is\": false, \"handheld\": {\"outcome\": \"silent\", "
                      "\"seconds\": 0.00, \"byte\": 8, \"reason\": \"format 1\", \"tune_seconds\": 0.500, "
                      "\"most_notes_at_once\": 1}},\n"
                      "    {\"number\": 3, \"status\": \"not_midi_record\", \"problem\": \"not a MIDI record\"},\n"
                      "    {\"number\": 4, \"status\": \"damaged\", \"name\": \"d\xC3\xA9\", "
                      "\"problem\": \"damaged: its data offset points past the record\"},\n"
                      "    {\"number\": 5, \"status\": \"midi\", \"name\": \"e\", \"size\": 34, \"format\": 2, "
                      "\"tracks\": 1, \"division\": 96, \"plays_as_is\": false, \"handheld\": {\"outcome\": \"silent\", "
                      "\"seconds\": 0.00, \"byte\": 8, \"reason\": \"format 2\"}}\n  ]\n}\n");
}

TEST_F(CommandLine, ConversionToFormat0) {
  // Two tracks: a tempo track and a note track.
  const std::vector<Bytes> tracks = {{0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xFF, 0x2F, 0},
                                     {0, 0x90, 60, 64, 0x60, 0x90, 60, 0, 0, 0xFF, 0x2F, 0}};
  const Bytes format1 = Smf(1, tracks);
  const Bytes format2 = Smf(2, tracks);
  const Bytes merged = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 18,
                        0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0x90, 60, 64, 0x60, 60, 0, 0, 0xFF, 0x2F, 0};
  fs::path in = Dir("tunes");
  WriteBytes(in / "one.mid", format1);
  WriteBytes(in / "two.mid", format2);
  WriteBytes(in / "zero.mid", OneNoteTune(0));

  ProcessResult converted = Run({"convert", "tunes/one.mid", "one0.mid"});
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_EQ(converted.out, "Converted to format 0: 40 bytes.\n");
  EXPECT_EQ(ReadBytes(root_ / "one0.mid"), merged);
  ProcessResult copied = Run({"convert", "one0.mid", "one0.mid", "--no-overwrite"});
  EXPECT_EQ(copied.status, 0) << "an existing file kept on request";
  EXPECT_EQ(copied.out + copied.err, "carillo: one0.mid: already exists; kept\n");
  ProcessResult piped = RunProgram({"convert", "-", "-"}, root_.string(), 0, {.in_file = "tunes/one.mid"});
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, std::string(merged.begin(), merged.end()));
  EXPECT_EQ(piped.err, "Converted to format 0: 40 bytes.\n");
  // What the handheld sounds: a one-note tune at 440 Hz for 49 of its 10 ms ticks, and the same
  // tune shaped to ring, whose size is told.
  WriteBytes(root_ / "a440.mid", OneNoteTune(0, 69));
  ProcessResult rendered = Run({"render", "a440.mid", "-"});
  EXPECT_EQ(rendered.status, 0);
  EXPECT_EQ(rendered.err, "Rendered: plays 0.5 s.\n");
  ASSERT_EQ(rendered.out.size(), 44u + 2 * 10804) << "22050 samples a second, 220.5 a tick";
  EXPECT_EQ(rendered.out.substr(0, 4) + rendered.out.substr(8, 4), "RIFFWAVE");
  ProcessResult shaped = Run({"convert", "a440.mid", "ring.mid", "--ring", "--octave", "0"});
  EXPECT_EQ(shaped.status, 0) << shaped.err;
  EXPECT_EQ(shaped.out, "a440.mid: shaped: 34 -> " + std::to_string(fs::file_size(root_ / "ring.mid")) + " bytes\n");
  ProcessResult on_terminal = RunProgramOnTerminal({"convert", "-", "-"}, "", root_, {.out_on_terminal = true});
  EXPECT_EQ(on_terminal.status, 2);
  EXPECT_EQ(on_terminal.err, "carillo: standard output is a terminal: binary data not written\nTry 'carillo convert --help'.\n");
  ProcessResult typed = RunProgramOnTerminal({"convert", "-", "typed.mid"}, "\x04", root_);
  EXPECT_EQ(typed.status, 1);
  EXPECT_EQ(typed.err.rfind("carillo: reading a tune from standard input (end it with Ctrl-D)\ncarillo: -: not a Standard", 0), 0u)
      << typed.err;
  ProcessResult refused = Run({"convert", "tunes/two.mid", "two0.mid"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.rfind("carillo: tunes/two.mid: format 2 cannot become format 0", 0), 0u) << refused.err;
  EXPECT_NE(refused.err.find("(at byte 8)\n"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(root_ / "two0.mid"));

  ProcessResult asked = Run({"compile", "tunes", "all.pdb", "--to-smf0"});
  EXPECT_EQ(asked.status, 1) << "the format-2 file's question is cancelled without a terminal";
  EXPECT_EQ(asked.err.rfind("carillo: tunes/two.mid: Wrong MIDI format: format 2 cannot become format 0", 0), 0u)
      << asked.err;
  EXPECT_FALSE(fs::exists(root_ / "all.pdb"));

  ProcessResult compiled = Run({"compile", "tunes", "all.pdb", "--to-smf0", "--skip-bad"});
  EXPECT_EQ(compiled.status, 0) << compiled.err;
  EXPECT_EQ(compiled.out, "2 MIDI files successfully compiled, 1 skipped.\n");
  EXPECT_EQ(compiled.err.rfind("carillo: tunes/two.mid: skipped: Wrong MIDI format: format 2", 0), 0u) << compiled.err;
  ProcessResult extracted = Run({"extract", "all.pdb", "out", "--yes", "--quiet"});
  EXPECT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(ReadBytes(root_ / "out" / "one.mid"), merged);
  EXPECT_EQ(ReadBytes(root_ / "out" / "zero.mid"), OneNoteTune(0));
}

// A download cut short: the record it cuts is named, those behind it are counted, and the
// status tells that the run did not get everything.
TEST_F(CommandLine, TruncatedDatabaseTellsWhatWasLostAndEndsWithStatus4) {
  fs::path database = Compiled({{"a.mid", OneNoteTune(0, 60)}, {"b.mid", OneNoteTune(0, 61)},
                                {"c.mid", OneNoteTune(0, 62)}, {"d.mid", OneNoteTune(0, 63)}});
  const Bytes image = ReadBytes(database);
  const std::size_t first = 78 + 8 * 4;
  const std::size_t record = 6 + 2 + OneNoteTune(0).size();  // "PMrc", offset, reserved, one letter and NUL, tune
  ASSERT_EQ(image.size(), first + 4 * record);
  const std::string lost = "carillo: cut.pdb: 2 records could not be read. The database is damaged or truncated.\n";
  struct Case {
    std::size_t size;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {first + record + 10, 4, "1 MIDI files successfully extracted.\n", "carillo: cut.pdb #2 b: damaged: it runs past the end of the file\n" + lost},
      {first + 2, 1, "", "carillo: cut.pdb: 4 records could not be read. The database is damaged or truncated.\n"
                         "carillo: cut.pdb: No MIDI files found in the database!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    WriteBytes(root_ / "cut.pdb", Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(c.size)));
    fs::remove_all(root_ / "out");
    ProcessResult result = Run({"extract", "cut.pdb", "out", "--yes"});
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(fs::exists(root_ / "out" / "a.mid"), c.status == 4);
    if (c.status == 4) {
      EXPECT_EQ(ReadBytes(root_ / "out" / "a.mid"), OneNoteTune(0, 60));
    }
  }

  // The listing names each record's trouble.
  WriteBytes(root_ / "cut.pdb", Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(first + record + 10)));
  ProcessResult listed = Run({"list", "cut.pdb"});
  EXPECT_EQ(listed.status, 4) << listed.err;
  const std::string records = listed.out.substr(listed.out.find("    1  "));
  EXPECT_EQ(records, "    1  a: 34 bytes, SMF 0, 1 track, 96 ticks/quarter, plays 0.5 s\n"
                     "    2  b: damaged: it runs past the end of the file\n"
                     "    3  it lies past the end of the file\n"
                     "    4  it lies past the end of the file\n");
}

TEST_F(CommandLine, FailedWriteEndsInTheErrorReport) {
  fs::path database = Compiled({{"a.mid", OneNoteTune(0)}});
  fs::path out = Dir("out");
  fs::create_directory(out / "a.mid");  // the tune's file name is taken by a directory
  ProcessResult result = Run({"extract", database, out});
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.err, "carillo: " + (out / "a.mid").string() + ": File access denied.\n");
  EXPECT_EQ(result.out, "");
}

}  // namespace
