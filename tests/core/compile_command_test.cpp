// The Compile command on real files: its checks in order, the directory questions, the collection's
// questions and filter, record names, and the database it hands to the writer.
#include "commands/compile_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "commands/database_writer.h"
#include "commands/extract_command.h"
#include "format/palm_database.h"
#include "seams/app_error.h"
#include "support/compile_fixtures.h"
#include "support/fake_file_system.h"
#include "support/midi_files.h"
#include "support/raised_error.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace {

const ShownBox kNoMidiFiles = InputErrorBox(3, "No MIDI files found!");
const ShownBox kNoCorrectMidiFiles = InputErrorBox(3, "No correct MIDI files found!");
const std::string kCreateQuestion = "Directory does not exist!\r\nWould you like to create it now?";
const std::string kOverwriteQuestion = "File already exists!\r\nOverwrite?";

ShownBox SuccessBox(int count) {
  return InformationBox(std::to_string(count) + " MIDI files successfully compiled.", "Success");
}
ShownBox WrongFormatBox(const std::string& name, const std::string& answer) {
  return OkCancelBox("Wrong MIDI format:\r" + name, "MIDI Error", answer);
}
ShownBox TooLargeBox(const std::string& name, const std::string& kilobytes, const std::string& answer) {
  return OkCancelBox("MIDI file too large for Palm OS:\r" + name + " (" + kilobytes + "KB)", "Compatibility Error",
                     answer);
}

// The record names of a written database, in record order.
std::vector<std::string> RecordNamesIn(const std::vector<std::uint8_t>& image) {
  palm::DatabaseReader reader(image);
  std::vector<std::string> names;
  for (std::uint16_t i = 0; i < reader.RecordCount(); ++i) names.push_back(reader.ReadRecord(reader.Extent(i)).name);
  return names;
}

class CompileCommandTest : public ::testing::Test {
 protected:
  CompileCommandTest() : source(dir / "tunes"), destination(dir / "out.pdb") { MakeDirectory(source); }

  CompileInputs Inputs() const { return {{source}, destination, "Ringtones", {.smf0_only = smf0_only}}; }

  // The click's shape: the checks, then the work when they pass. Gives the checks' answer.
  bool Run(CompileInputs inputs) {
    CompileCommand command(prompts, *files, clock, std::move(inputs));
    if (!command.CheckCompileInputs()) return false;
    command.CompileDatabase();
    return true;
  }
  bool Run() { return Run(Inputs()); }

  void AddMidi(const std::string& name, const std::vector<std::uint8_t>& bytes) { WriteBytes(source + "\\" + name, bytes); }

  TempDir dir;
  std::string source;
  std::string destination;
  bool smf0_only = true;
  ScriptedPrompts prompts;
  std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
  FixedClock clock;
};

// ---- The checks, in their order ----

struct CheckCase {
  const char* label;
  std::string source;  // "<src>" for the existing source directory, "<file>" for a file
  std::string destination;
  std::string name;
  ShownBox expected;
};

TEST_F(CompileCommandTest, EachCheckStopsAtItsFieldInOrder) {
  WriteBytes(dir / "plain.txt", {1, 2, 3});
  const std::vector<CheckCase> cases = {
      {"all empty", "", "", "", InputErrorBox(3, "No directory selected!")},
      {"source empty", "", "x.pdb", "N", InputErrorBox(3, "No directory selected!")},
      {"destination empty", "<src>", "", "", InputErrorBox(4, "No database selected!")},
      {"name empty", "<src>", "<dest>", "", InputErrorBox(5, "No database name given!")},
      {"source missing", "<missing>", "<dest>", "N", InputErrorBox(3, "Directory does not exist!")},
      {"source blank, not empty", " ", "<dest>", "N", InputErrorBox(3, "Directory does not exist!")},
      {"source is a file", "<file>", "<dest>", "N", InputErrorBox(3, "Directory does not exist!")},
      {"destination is a directory", "<src>", "<srcdir>", "N", InputErrorBox(4, "File or directory already exists!")},
  };
  auto resolve = [&](const std::string& text) {
    if (text == "<src>" || text == "<srcdir>") return source;
    if (text == "<dest>") return destination;
    if (text == "<missing>") return dir / "nowhere";
    if (text == "<file>") return dir / "plain.txt";
    return text;
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptedPrompts own;
    CompileCommand command(own, *files, clock, {{resolve(c.source)}, resolve(c.destination), c.name, true});
    EXPECT_FALSE(command.CheckCompileInputs());
    EXPECT_EQ(own.Shown(), std::vector<ShownBox>{c.expected});
  }
  EXPECT_FALSE(PathExists(destination));
}

TEST_F(CompileCommandTest, AllInputsGoodPassesWithoutABox) {
  CompileCommand command(prompts, *files, clock, Inputs());
  EXPECT_TRUE(command.CheckCompileInputs());
  EXPECT_TRUE(prompts.Shown().empty());
}

TEST_F(CompileCommandTest, MissingDestinationDirectoryCancelledCreatesNothing) {
  destination = dir / "new\\out.pdb";
  prompts.Script({"Cancel"});
  CompileCommand command(prompts, *files, clock, Inputs());
  EXPECT_FALSE(command.CheckCompileInputs());
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{MarkedQuestionBox(4, kCreateQuestion, "Cancel")});
  EXPECT_FALSE(PathExists(dir / "new"));
}

TEST_F(CompileCommandTest, MissingDestinationDirectoryTwoLevelsDeepIsCreatedAndStaysWhenNothingIsFound) {
  destination = dir / "one\\two\\out.pdb";
  prompts.Script({"OK"});
  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{MarkedQuestionBox(4, kCreateQuestion, "OK"), kNoMidiFiles}));
  EXPECT_TRUE(files->DirectoryExists(dir / "one\\two"));
  EXPECT_FALSE(PathExists(destination));
}

TEST_F(CompileCommandTest, DestinationWithoutDirectoryPartCannotBeCreated) {
  destination = "out.pdb";
  prompts.Script({"OK"});
  CompileCommand command(prompts, *files, clock, Inputs());
  RaisedError raised = RaisedBy([&] { command.CheckCompileInputs(); });
  EXPECT_EQ(raised.text, "Unable to create directory");
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{MarkedQuestionBox(4, kCreateQuestion, "OK")});
}

TEST_F(CompileCommandTest, ExistingDestinationAsksBeforeAnythingIsTouched) {
  const std::vector<std::uint8_t> old = {9, 9, 9};
  for (const char* answer : {"Cancel", "OK"}) {
    SCOPED_TRACE(answer);
    WriteBytes(destination, old);
    ScriptedPrompts own;
    own.Script({answer});
    CompileCommand command(own, *files, clock, Inputs());
    EXPECT_EQ(command.CheckCompileInputs(), std::string(answer) == "OK");
    EXPECT_EQ(own.Shown(), std::vector<ShownBox>{MarkedQuestionBox(4, kOverwriteQuestion, answer)});
    EXPECT_EQ(ReadBytes(destination), old);
  }
}

TEST_F(CompileCommandTest, ReplacedDestinationHoldsExactlyTheNewDatabase) {
  WriteBytes(destination, std::vector<std::uint8_t>(5000, 0xEE));
  auto tune = MidiBytes(40);
  AddMidi("a.mid", tune);
  prompts.Script({"OK"});
  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{MarkedQuestionBox(4, kOverwriteQuestion, "OK"), SuccessBox(1)}));
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"a", tune}}));
}

// ---- Collection ----

TEST_F(CompileCommandTest, EmptyDirectoryOrNoMatchFindsNoMidiFiles) {
  EXPECT_TRUE(Run());
  WriteBytes(source + "\\notes.txt", MidiBytes(40));
  WriteBytes(source + "\\tune.mi", MidiBytes(40));  // not ".midi": Windows lets "*.mid" match that too
  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{kNoMidiFiles, kNoMidiFiles}));
  EXPECT_FALSE(PathExists(destination));
}

TEST_F(CompileCommandTest, SizeLimitsAtTheirEdges) {
  auto smallest = MidiBytes(25);
  auto largest = MidiBytes(65000, 0, 2);
  AddMidi("a24.mid", MidiBytes(24));
  AddMidi("b25.mid", smallest);
  AddMidi("c65000.mid", largest);
  AddMidi("d65001.mid", MidiBytes(65001));
  AddMidi("e70000.mid", MidiBytes(70000));
  prompts.Script({"OK", "OK", "OK"});
  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{WrongFormatBox("a24.mid", "OK"), TooLargeBox("d65001.mid", "63", "OK"),
                                                    TooLargeBox("e70000.mid", "68", "OK"), SuccessBox(2)}));
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"b25", smallest}, {"c65000", largest}}));
}

TEST_F(CompileCommandTest, WrongTagAndSubdirectoryGetTheWrongFormatQuestion) {
  auto riff = MidiBytes(100);
  std::copy_n("RIFF", 4, riff.begin());
  AddMidi("a.mid", riff);
  MakeDirectory(source + "\\b.mid");
  auto good = MidiBytes(60);
  AddMidi("c.mid", good);
  prompts.Script({"OK", "OK"});
  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(),
            (std::vector<ShownBox>{WrongFormatBox("a.mid", "OK"), WrongFormatBox("b.mid", "OK"), SuccessBox(1)}));
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"c", good}}));
}

struct CancelCase {
  const char* label;
  std::vector<std::uint8_t> bad;
  ShownBox question;
};

TEST_F(CompileCommandTest, CancelInAnyQuestionWritesNothingEvenAfterAcceptedFiles) {
  const std::vector<CancelCase> cases = {
      {"too small", MidiBytes(24), WrongFormatBox("b.mid", "Cancel")},
      {"not MThd", std::vector<std::uint8_t>(30, 'x'), WrongFormatBox("b.mid", "Cancel")},
      {"too large", MidiBytes(66000), TooLargeBox("b.mid", "64", "Cancel")},
  };
  AddMidi("a.mid", MidiBytes(50));
  AddMidi("c.mid", MidiBytes(50));
  for (const CancelCase& c : cases) {
    SCOPED_TRACE(c.label);
    AddMidi("b.mid", c.bad);
    ScriptedPrompts own;
    own.Script({"Cancel"});
    CompileCommand command(own, *files, clock, Inputs());
    ASSERT_TRUE(command.CheckCompileInputs());
    command.CompileDatabase();
    EXPECT_EQ(own.Shown(), std::vector<ShownBox>{c.question});
    EXPECT_FALSE(PathExists(destination));
  }
}

TEST_F(CompileCommandTest, Smf0OnlySkipsOtherFormatsSilently) {
  auto format0 = MidiBytes(40, 0, 1);
  auto format1 = MidiBytes(41, 1, 2);
  auto format256 = MidiBytes(42, 0x0100, 3);
  AddMidi("a.mid", format0);
  AddMidi("b.mid", format1);
  AddMidi("c.mid", format256);

  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{SuccessBox(1)});
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"a", format0}}));

  smf0_only = false;
  ScriptedPrompts own;
  own.Script({"OK"});
  CompileCommand command(own, *files, clock, Inputs());
  ASSERT_TRUE(command.CheckCompileInputs());
  command.CompileDatabase();
  EXPECT_EQ(own.Shown(), (std::vector<ShownBox>{MarkedQuestionBox(4, kOverwriteQuestion, "OK"), SuccessBox(3)}));
  EXPECT_EQ(ReadBytes(destination), ExpectedDatabase("Ringtones", {{"a", format0}, {"b", format1}, {"c", format256}}));
}

TEST_F(CompileCommandTest, AllSkippedEndsWithNoCorrectMidiFiles) {
  AddMidi("a.mid", MidiBytes(40, 1));
  AddMidi("b.mid", MidiBytes(10));
  prompts.Script({"OK"});
  EXPECT_TRUE(Run());
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{WrongFormatBox("b.mid", "OK"), kNoCorrectMidiFiles}));
  EXPECT_FALSE(PathExists(destination));
}

// The window lists "*.mid" and drops the last four characters; the command line takes any file
// named and drops only a final ".mid" or ".midi" ("" for a file it skips).
TEST_F(CompileCommandTest, RecordNamesKeepWhatTheUserGaveAnd31Characters) {
  const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789.mid";
  struct Case { std::string file, window, thorough; } cases[] = {
      {"song.mid", "song", "song"}, {"SONG.MID", "SONG", "SONG"}, {".mid", "", ""}, {forty, forty.substr(0, 31), forty.substr(0, 31)},
      {"song.midi", "-", "song"}, {"noext", "-", "noext"}, {"Wake Up Call", "-", "Wake Up Call"}, {"ab", "-", "ab"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    for (const bool thorough : {false, true}) {
      const std::string expected = thorough ? c.thorough : c.window;
      if (expected == "-") continue;
      TempDir own_dir;
      ScriptedPrompts own;
      const Bytes tune = OneNoteTune(0);
      WriteBytes(own_dir / c.file, tune);
      CompileInputs inputs{{thorough ? own_dir / c.file : own_dir.path()}, own_dir / "out.pdb", "N", {.thorough = thorough}};
      CompileCommand command(own, *files, clock, inputs);
      ASSERT_TRUE(command.CheckCompileInputs());
      command.CompileDatabase();
      if (thorough && expected.empty()) {
        EXPECT_EQ(own.Notes().at(0).line, "skipped: its record name would be empty");
        continue;
      }
      EXPECT_EQ(own.Shown(), std::vector<ShownBox>{SuccessBox(1)});
      EXPECT_EQ(ReadBytes(own_dir / "out.pdb"), ExpectedDatabase("N", {{expected, tune}}));
    }
  }
}

// The command line's collection: a file given besides a directory, whole tunes checked, and a note
// for each file passed over and for record names that clash, which the window never shows.
TEST_F(CompileCommandTest, ThoroughCollectionNotesEverySkipAndClash) {
  const std::string stem(31, 'n');
  AddMidi(stem + "1.mid", OneNoteTune(0, 1));
  AddMidi(stem + "2.mid", OneNoteTune(0, 2));
  AddMidi("one.mid", OneNoteTune(1));
  Bytes cut = OneNoteTune(0);
  cut.resize(30);  // the track runs past the end: only a whole reading finds it
  AddMidi("cut.mid", cut);
  WriteBytes(dir / "given.mid", OneNoteTune(0, 3));
  CompileInputs inputs = Inputs();
  inputs.sources.push_back(dir / "given.mid");
  inputs.collection.thorough = true;
  prompts.Script({"OK"});
  ASSERT_TRUE(Run(inputs));
  ASSERT_EQ(prompts.Shown().size(), 2u);
  EXPECT_EQ(prompts.Shown()[0].text.rfind("Wrong MIDI format:\rcut.mid\r\n", 0), 0u) << prompts.Shown()[0];
  EXPECT_EQ(prompts.Shown()[1], SuccessBox(3));
  std::vector<std::pair<Topic, std::string>> notes;
  for (const Message& note : prompts.Notes()) notes.emplace_back(note.topic, note.subject.path);
  const std::vector<std::pair<Topic, std::string>> expected = {
      {Topic::Skipped, source + "\\cut.mid"},
      {Topic::NameCut, source + "\\" + stem + "1.mid"},
      {Topic::NameCut, source + "\\" + stem + "2.mid"},
      {Topic::SkippedFormat, source + "\\one.mid"},
      {Topic::NameClash, source + "\\" + stem + "2.mid"}};
  EXPECT_EQ(notes, expected);
  EXPECT_EQ(RecordNamesIn(ReadBytes(destination)), (std::vector<std::string>{stem, stem, "given"}));
}

TEST_F(CompileCommandTest, TrailingSeparatorGivesTheSameDatabase) {
  AddMidi("a.mid", MidiBytes(40, 0, 4));
  AddMidi("b.mid", MidiBytes(90, 0, 5));
  ASSERT_TRUE(Run());
  const auto plain = ReadBytes(destination);
  for (const char* separator : {"\\", "/"}) {
    SCOPED_TRACE(separator);
    CompileInputs inputs = Inputs();
    inputs.sources[0] += separator;
    prompts.Script({"OK"});
    ASSERT_TRUE(Run(inputs));
    EXPECT_EQ(ReadBytes(destination), plain);
  }
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{SuccessBox(2), MarkedQuestionBox(4, kOverwriteQuestion, "OK"),
                                                    SuccessBox(2), MarkedQuestionBox(4, kOverwriteQuestion, "OK"),
                                                    SuccessBox(2)}));
}

TEST_F(CompileCommandTest, RecordsFollowTheListingOrder) {
  for (const char* name : {"delta.mid", "alpha.mid", "charlie.mid", "bravo.mid"}) AddMidi(name, MidiBytes(30));
  ASSERT_TRUE(Run());
  std::vector<std::string> listed;
  for (const DirectoryEntry& entry : files->FindFiles(source + "\\*.mid")) listed.push_back(entry.name.substr(0, entry.name.size() - 4));
  EXPECT_EQ(RecordNamesIn(ReadBytes(destination)), listed);
  EXPECT_EQ(listed, (std::vector<std::string>{"alpha", "bravo", "charlie", "delta"}));  // both platforms list these sorted
}

TEST_F(CompileCommandTest, UnreadableMidiFileEndsTheCommandWithItsErrorAndWritesNothing) {
  auto tune = MidiBytes(40);
  AddMidi("a.mid", tune);
  // Listed with its size, gone when the collection opens it.
  FakeFileSystem vanishing(*files);
  vanishing.listing_extras.push_back({"zz.mid", 40, false, "zz.mid"});
  CompileCommand command(prompts, vanishing, clock, Inputs());
  ASSERT_TRUE(command.CheckCompileInputs());
  RaisedError raised = RaisedBy([&] { command.CompileDatabase(); });
  EXPECT_EQ(raised.code, kFileNotFound);
  EXPECT_TRUE(prompts.Shown().empty());
  EXPECT_FALSE(PathExists(destination));
}

// ---- Round trip ----

TEST_F(CompileCommandTest, CompiledDirectoryExtractsToIdenticalFiles) {
  const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> tunes = {
      {"alarm.mid", MidiBytes(25, 0, 1)},
      {"bells format1.mid", MidiBytes(4000, 1, 2)},
      {"chime.mid", MidiBytes(65000, 0, 3)},
      {"ding-dong-ding-dong-ding-dong-x.mid", MidiBytes(777, 2, 4)},  // a 31-character stem
  };
  for (const auto& [name, bytes] : tunes) AddMidi(name, bytes);
  smf0_only = false;
  ASSERT_TRUE(Run());

  const std::string extracted = dir / "back";
  MakeDirectory(extracted);
  ExtractCommand extract(prompts, *files, {destination, extracted});
  ASSERT_TRUE(extract.CheckExtractInputs());
  extract.ExtractDatabase();
  EXPECT_EQ(prompts.Shown(), (std::vector<ShownBox>{SuccessBox(4), InformationBox("4 MIDI files successfully extracted.", "Success")}));
  for (const auto& [name, bytes] : tunes) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadBytes(extracted + "\\" + name), bytes);
  }
  EXPECT_EQ(files->FindFiles(extracted + "\\*.mid").size(), tunes.size());
}

// ---- The 16-bit record count, on a listing too large for a real directory in a unit test ----

// Compiles a directory of `count` 25-byte format-0 MIDI files into "D\\out.pdb", all in memory;
// gives the files afterwards.
FakeFileSystem CompileMany(std::size_t count, ScriptedPrompts& prompts) {
  FakeFileSystem files;
  files.directories = {"S", "D\\"};
  const Bytes tune = MidiBytes(25);
  for (std::size_t i = 0; i < count; ++i) files.files["S\\t" + std::to_string(i) + ".mid"] = tune;
  FixedClock clock;
  CompileCommand command(prompts, files, clock, {{"S"}, "D\\out.pdb", "N", true});
  EXPECT_TRUE(command.CheckCompileInputs());
  command.CompileDatabase();
  return files;
}

TEST(CompileRecordCount, At65535FilesTheDatabaseIsWrittenWithCountFFFF) {
  ScriptedPrompts prompts;
  FakeFileSystem many = CompileMany(65535, prompts);
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{SuccessBox(65535)});
  EXPECT_EQ(many.durability.at("D\\out.pdb"), Durability::Flushed) << "on the disk before it replaces one";
  const Bytes& written = many.files.at("D\\out.pdb");
  ASSERT_GE(written.size(), 78u);
  EXPECT_EQ(written[76], 0xFF);
  EXPECT_EQ(written[77], 0xFF);
  // Names t0..t65534: 10 of 1 digit, 90 of 2, 900 of 3, 9000 of 4, 55535 of 5, each plus "t".
  const std::uint64_t name_bytes = 10 * 2 + 90 * 3 + 900 * 4 + 9000 * 5 + 55535 * 6;
  EXPECT_EQ(written.size(), 78 + 8 * 65535 + 65535 * (6 + 1 + 25) + name_bytes);
}

TEST(CompileRecordCount, MoreThan65535FilesAreRefusedBeforeTheDestinationIsTouched) {
  ScriptedPrompts prompts;
  FakeFileSystem many = CompileMany(65536, prompts);
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{InputErrorBox(3, "Too many MIDI files!\r\nA database holds at most 65535.")});
  EXPECT_TRUE(many.Logged("create").empty());
}

// ---- A database larger than extract reads (its sizes are signed 32-bit) is refused at Edit3 ----

TEST(CompileDatabaseSize, TwoGibibytesLessOneAreWrittenAndOneByteMoreIsRefusedBeforeTheDestination) {
  // Files t0.mid ... t33099.mid of about 64 KB: beside its tune each record takes 8 (entry) +
  // 6 (head) + its name and NUL, the name "t" and the index's digits.
  constexpr std::size_t kCount = 33100;
  constexpr std::uint64_t kLargest = 0x7FFFFFFF;
  std::uint64_t beside_tunes = 78;
  for (std::size_t i = 0; i < kCount; ++i) beside_tunes += 8 + 6 + 1 + std::to_string(i).size() + 1;
  const std::uint64_t tune_bytes = kLargest - beside_tunes;
  std::vector<std::uint64_t> sizes(kCount, tune_bytes / kCount);
  for (std::size_t i = 0; i < tune_bytes % kCount; ++i) ++sizes[i];
  ASSERT_LE(sizes.front(), 65000u);

  struct Case {
    std::uint64_t extra;
    ShownBox expected;
    std::uint64_t written;
  };
  const Case cases[] = {
      {0, SuccessBox(33100), kLargest},
      {1, InputErrorBox(3, "Too much MIDI data!\r\nA database holds at most 2147483647 bytes."), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extra);
    std::vector<std::uint64_t> these = sizes;
    these.back() += c.extra;
    SizedFiles many(these);
    ScriptedPrompts prompts;
    FixedClock clock;
    CompileCommand command(prompts, many, clock, {{"S"}, "D\\out.pdb", "N", true});
    ASSERT_TRUE(command.CheckCompileInputs());
    command.CompileDatabase();
    EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{c.expected});
    EXPECT_EQ(many.written, c.written);
    EXPECT_EQ(many.created.size(), c.written == 0 ? 0u : 1u);
  }
}

}  // namespace
