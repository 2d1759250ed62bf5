// Extract! driven through scripted prompts on real files, with databases built byte by byte
// (support/palm_images.h).
#include "commands/extract_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "seams/app_error.h"
#include "support/midi_files.h"
#include "support/palm_images.h"
#include "support/raised_error.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const char kCreateQuestion[] = "Directory does not exist!\r\nWould you like to create it now?";

// Where the first record of a database of `count` records begins: behind the header and the list.
std::uint32_t FirstRecordOffset(std::size_t count) { return static_cast<std::uint32_t>(78 + 8 * count); }

// ---- The fixture: a temporary directory, the platform's files and a scripted user ----

std::string Success(int count) { return std::to_string(count) + " MIDI files successfully extracted."; }

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = temp_ / "out";
    MakeDirectory(out_);
  }

  std::string WriteDatabase(const Bytes& bytes, const std::string& name = "tunes.pdb") {
    std::string path = temp_ / name;
    WriteBytes(path, bytes);
    return path;
  }

  // One click of "Extract!": the checks, then the extraction if they pass.
  std::vector<ShownBox> Extract(const std::string& source, const std::string& destination,
                                std::vector<std::string> answers = {}) {
    ScriptedPrompts prompts;
    prompts.Script(std::move(answers));
    ExtractCommand command(prompts, *files_, {source, destination});
    if (command.CheckExtractInputs()) command.ExtractDatabase();
    EXPECT_TRUE(prompts.ScriptUsedUp()) << "questions were scripted that never came";
    return prompts.Shown();
  }

  // The names in a directory, sorted, as the file layer spells them (ANSI on Windows).
  std::vector<std::string> Listing(const std::string& directory) {
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : files_->FindFiles(directory + "\\*")) {
      if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // A file read through the file layer, for names that only it spells right.
  Bytes ReadThroughFiles(const std::string& path) {
    std::unique_ptr<InputFile> file = files_->OpenRead(path);
    Bytes bytes(static_cast<std::size_t>(file->Size()));
    file->Read(bytes.data(), bytes.size());
    file->Close();
    return bytes;
  }

  TempDir temp_;
  std::string out_;
  std::unique_ptr<FileSystem> files_ = MakePlatformFileSystem();
};

// ---- The input checks, in their order ----

TEST_F(ExtractTest, InputChecksStopAtTheFirstFailureInTheirOrder) {
  std::string database = WriteDatabase(Database({MidiRecord("a", LabelledTune("a"))}));
  MakeDirectory(temp_ / "folder.pdb");
  struct Case {
    std::string source;
    std::string destination;
    ShownBox expected;
  };
  const std::vector<Case> cases = {
      {"", "", InputErrorBox(1, "No database selected!")},
      {"", out_, InputErrorBox(1, "No database selected!")},
      {database, "", InputErrorBox(2, "No directory selected!")},
      // The source is looked at before the destination, even when both are missing.
      {temp_ / "missing.pdb", temp_ / "missing", InputErrorBox(1, "File does not exist!")},
      {temp_ / "folder.pdb", out_, InputErrorBox(1, "File does not exist!")},
      // Blanks are a text, not an empty field; nothing is trimmed.
      {"   ", out_, InputErrorBox(1, "File does not exist!")},
      {" " + database, out_, InputErrorBox(1, "File does not exist!")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("source \"" + c.source + "\", destination \"" + c.destination + "\"");
    EXPECT_EQ(Extract(c.source, c.destination), std::vector<ShownBox>{c.expected});
  }
  EXPECT_TRUE(Listing(out_).empty());
  EXPECT_FALSE(PathExists(temp_ / "missing"));
}

TEST_F(ExtractTest, MissingDestinationAnsweredCancelCreatesNothingAndOpensNothing) {
  // The database would be refused if it were opened; Cancel must end the run before that.
  std::string database = WriteDatabase({});
  std::string destination = temp_ / "new\\deeper";
  EXPECT_EQ(Extract(database, destination, {"Cancel"}),
            std::vector<ShownBox>{MarkedQuestionBox(2, kCreateQuestion, "Cancel")});
  EXPECT_FALSE(PathExists(temp_ / "new"));
}

TEST_F(ExtractTest, MissingAbsoluteDestinationAnsweredOkIsCreatedWithItsParents) {
  Bytes tune = LabelledTune("one");
  std::string database = WriteDatabase(Database({MidiRecord("one", tune)}));
  for (std::string trailing : {"", "\\", "/"}) {
    std::string top = "new" + std::to_string(trailing.size()) + (trailing == "/" ? "s" : "");
    std::string destination = temp_ / (top + "\\a\\b" + trailing);
    SCOPED_TRACE(destination);
    EXPECT_EQ(Extract(database, destination, {"OK"}),
              (std::vector<ShownBox>{MarkedQuestionBox(2, kCreateQuestion, "OK"), InformationBox(Success(1), "Success")}));
    EXPECT_EQ(ReadBytes(temp_ / (top + "\\a\\b\\one.mid")), tune);
  }
}

TEST_F(ExtractTest, DestinationWithForwardSlashesIsCreatedWithItsParents) {
  Bytes tune = LabelledTune("fwd");
  std::string database = WriteDatabase(Database({MidiRecord("fwd", tune)}));
  std::string destination = temp_.path() + "/x/y/z";
  EXPECT_EQ(Extract(database, destination, {"OK"}),
            (std::vector<ShownBox>{MarkedQuestionBox(2, kCreateQuestion, "OK"), InformationBox(Success(1), "Success")}));
  EXPECT_EQ(ReadBytes(temp_ / "x\\y\\z\\fwd.mid"), tune);
}

TEST_F(ExtractTest, CreatedDestinationStaysWhenTheDatabaseIsThenRefused) {
  std::string database = WriteDatabase({});
  std::string destination = temp_ / "made\\here";
  EXPECT_EQ(Extract(database, destination, {"OK"}),
            (std::vector<ShownBox>{MarkedQuestionBox(2, kCreateQuestion, "OK"), InputErrorBox(1, "File is empty!")}));
  EXPECT_TRUE(fs::is_directory(NativePath(destination)));
}

// A relative destination lies under the current directory, where its files are written too.
TEST_F(ExtractTest, MissingRelativeDestinationIsCreatedUnderTheCurrentDirectory) {
  struct RestoreDirectory {
    fs::path saved = fs::current_path();
    ~RestoreDirectory() { fs::current_path(saved); }
  } restore;
  fs::current_path(NativePath(temp_.path()));
  Bytes tune = LabelledTune("rel");
  std::string database = WriteDatabase(Database({MidiRecord("rel", tune)}));
  const std::vector<std::string> destinations = {
      "c", "longer\\sub", "ab/cd", "..\\" + fs::path(NativePath(temp_.path())).filename().string() + "\\up"};
  for (const std::string& destination : destinations) {
    SCOPED_TRACE(destination);
    EXPECT_EQ(Extract(database, destination, {"OK"}),
              (std::vector<ShownBox>{MarkedQuestionBox(2, kCreateQuestion, "OK"), InformationBox(Success(1), "Success")}));
  }
  EXPECT_EQ(ReadBytes(temp_ / "c\\rel.mid"), tune);
  EXPECT_EQ(ReadBytes(temp_ / "longer\\sub\\rel.mid"), tune);
  EXPECT_EQ(ReadBytes(temp_ / "ab\\cd\\rel.mid"), tune);
  EXPECT_EQ(ReadBytes(temp_ / "up\\rel.mid"), tune);
}

// ---- Databases refused as a whole ----

TEST_F(ExtractTest, DatabasesRefusedAsAWholeShowOneWarningAndWriteNothing) {
  Bytes one_record = Database({MidiRecord("a", LabelledTune("a"))});
  Bytes resource = one_record;
  resource[33] |= 0x01;
  Bytes resource_and_empty = DatabaseHeader(0, {.attributes = 0x0001});
  Bytes list_too_long = DatabaseHeader(3);
  list_too_long.resize(78 + 8 * 3 - 1, 0);
  Bytes count_beyond_file = one_record;
  PutBig16(count_beyond_file, 76, 0xFFFF);
  struct Case {
    std::string what;
    Bytes bytes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"0 bytes", {}, "File is empty!"},
      {"1 byte", Bytes(1, 0), "Wrong file format!"},
      {"77 bytes", Bytes(one_record.begin(), one_record.begin() + 77), "Wrong file format!"},
      {"78 bytes, no records", DatabaseHeader(0), "The database is empty!"},
      {"resource flag", resource, "This is not a record database!"},
      {"resource flag comes before the count", resource_and_empty, "This is not a record database!"},
      {"record list past the end", list_too_long, "Wrong file format!"},
      {"count past the end", count_beyond_file, "Wrong file format!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string database = WriteDatabase(c.bytes);
    EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InputErrorBox(1, c.text)});
    EXPECT_TRUE(Listing(out_).empty());
    // The source was closed on the way out: it can be removed at once.
    EXPECT_TRUE(fs::remove(NativePath(database)));
  }
}

TEST_F(ExtractTest, OnlyTheResourceBitOfTheAttributesMatters) {
  for (std::uint16_t attributes : {0x0000, 0x0008, 0x0100, 0xFFFE}) {
    SCOPED_TRACE(attributes);
    Bytes tune = LabelledTune("attr" + std::to_string(attributes));
    std::string dir = temp_ / ("a" + std::to_string(attributes));
    MakeDirectory(dir);
    std::string database = WriteDatabase(Database({MidiRecord("t", tune)}, {.attributes = attributes}));
    EXPECT_EQ(Extract(database, dir), std::vector<ShownBox>{InformationBox(Success(1), "Success")});
    EXPECT_EQ(ReadBytes(dir + "\\t.mid"), tune);
  }
}

// ---- Records ----

TEST_F(ExtractTest, EveryMidiRecordBecomesAByteIdenticalFile) {
  Bytes first = LabelledTune("first", 100);
  Bytes second = LabelledTune("second", 3);
  Bytes third = LabelledTune("third", 1000);
  std::string database = WriteDatabase(Database({MidiRecord("Morning", first), MidiRecord("Alarm 2", second),
                                                 MidiRecord("Long name of thirty-one letters", third)}));
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox(Success(3), "Success")});
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"Alarm 2.mid", "Long name of thirty-one letters.mid", "Morning.mid"}));
  EXPECT_EQ(ReadBytes(out_ + "\\Morning.mid"), first);
  EXPECT_EQ(ReadBytes(out_ + "\\Alarm 2.mid"), second);
  EXPECT_EQ(ReadBytes(out_ + "\\Long name of thirty-one letters.mid"), third);
  EXPECT_TRUE(fs::remove(NativePath(database)));
}

TEST_F(ExtractTest, OneRecordRunsToTheEndOfTheFileTrailingBytesIncluded) {
  Bytes tune = LabelledTune("solo");
  Bytes db = Database({MidiRecord("solo", tune)});
  ASSERT_EQ(db[78 + 3], 86);  // the single record right behind its entry
  Bytes trailing = {0xDE, 0xAD, 0, 0xBE, 0xEF};
  Append(db, trailing);
  std::string database = WriteDatabase(db);
  // The summary has no singular form.
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox("1 MIDI files successfully extracted.", "Success")});
  Bytes expected = tune;
  Append(expected, trailing);
  EXPECT_EQ(ReadBytes(out_ + "\\solo.mid"), expected);
}

TEST_F(ExtractTest, DataOffsetIsTakenFromTheRecordNotFromTheNameLength) {
  // A data offset of 12 behind a 2-letter name: bytes between the name's NUL and the tune.
  Bytes tune = LabelledTune("gap");
  Bytes record = {'P', 'M', 'r', 'c', 12, 0, 'g', 'p', 0, 'x', 'y', 'z'};
  Append(record, tune);
  std::string database = WriteDatabase(Database({record}));
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox(Success(1), "Success")});
  EXPECT_EQ(ReadBytes(out_ + "\\gp.mid"), tune);
}

TEST_F(ExtractTest, RecordsWithoutTheMidiSignatureArePassedOverSilently) {
  Bytes other = {'D', 'A', 'T', 'A', 7, 0, 0};
  Append(other, LabelledTune("x"));
  Bytes lower = MidiRecord("lower", LabelledTune("lower"));
  lower[0] = 'p';
  std::string only_others = WriteDatabase(Database({other, lower}), "others.pdb");
  EXPECT_EQ(Extract(only_others, out_), std::vector<ShownBox>{InputErrorBox(1, "No MIDI files found in the database!")});
  EXPECT_TRUE(Listing(out_).empty());

  Bytes tune = LabelledTune("kept");
  std::string mixed = WriteDatabase(Database({other, MidiRecord("kept", tune), lower}), "mixed.pdb");
  EXPECT_EQ(Extract(mixed, out_), std::vector<ShownBox>{InformationBox(Success(1), "Success")});
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"kept.mid"});
}

TEST_F(ExtractTest, RecordWithoutMThdIsReportedByItsStoredNameAndTheRunGoesOn) {
  Bytes bad_tune = LabelledTune("bad");
  bad_tune[3] = 'D';  // "MThD"
  Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  Bytes good = LabelledTune("good");
  std::string database = WriteDatabase(Database({MidiRecord("a/b:c", bad_tune), MidiRecord("good", good),
                                                 MidiRecord("Wave", riff)}));
  // A lone CR after the colon, and the name as stored: the replacement is for file names only.
  EXPECT_EQ(Extract(database, out_), (std::vector<ShownBox>{WarningBox("Wrong MIDI format:\ra/b:c", "MIDI Error"),
                                                             WarningBox("Wrong MIDI format:\rWave", "MIDI Error"),
                                                             InformationBox(Success(1), "Success")}));
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"good.mid"});
}

TEST_F(ExtractTest, RunWithOnlyBrokenTunesEndsWithNoMidiFilesFound) {
  Bytes bad = LabelledTune("bad");
  bad[0] = 'X';
  std::string database = WriteDatabase(Database({MidiRecord("bad", bad)}));
  EXPECT_EQ(Extract(database, out_), (std::vector<ShownBox>{WarningBox("Wrong MIDI format:\rbad", "MIDI Error"),
                                                             InputErrorBox(1, "No MIDI files found in the database!")}));
}

TEST_F(ExtractTest, FileNamesReplaceTheEightForbiddenCharacters) {
  Bytes tune = LabelledTune("slashes");
  std::string database = WriteDatabase(Database({MidiRecord("a\\b/c:d*e?f<g>h|i j'k", tune)}));
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox(Success(1), "Success")});
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"a_b_c_d_e_f_g_h_i j'k.mid"});
  EXPECT_EQ(ReadBytes(out_ + "\\a_b_c_d_e_f_g_h_i j'k.mid"), tune);
}

TEST_F(ExtractTest, EmptyRecordNameGivesTheFileDotMid) {
  Bytes tune = LabelledTune("nameless");
  std::string database = WriteDatabase(Database({MidiRecord("", tune)}));
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox(Success(1), "Success")});
  EXPECT_EQ(ReadBytes(out_ + "\\.mid"), tune);
}

TEST(OutputFileNameTest, ReplacesCharactersAndKeepsDeviceNamesOffTheDevices) {
  struct Case {
    std::string record_name;
    std::string file_name;
  };
  const std::vector<Case> cases = {
      {"Morning", "Morning.mid"},
      {"", ".mid"},
      {"a\\b/c:d*e?f<g>h|i", "a_b_c_d_e_f_g_h_i.mid"},
      {"say \"hi\"\t!", "say \"hi\"\t!.mid"},  // everything else passes unchanged
      {"a.", "a..mid"},
      {"NUL", "NUL_.mid"},
      {"nul", "nul_.mid"},
      {"Con", "Con_.mid"},
      {"PRN", "PRN_.mid"},
      {"aux", "aux_.mid"},
      {"con.txt", "con_.txt.mid"},
      {"NUL.", "NUL_..mid"},
      {"NUL ", "NUL _.mid"},  // Windows ignores the blanks before the extension
      {"COM1", "COM1_.mid"},
      {"com9.old", "com9_.old.mid"},
      {"LPT1", "LPT1_.mid"},
      {"lpt9", "lpt9_.mid"},
      {"COM\xB9", "COM\xB9_.mid"},
      {"LPT\xB3", "LPT\xB3_.mid"},
      {"COM0", "COM0.mid"},
      {"COM10", "COM10.mid"},
      {"LPT", "LPT.mid"},
      {"NULL", "NULL.mid"},
      {"NU", "NU.mid"},
      {" NUL", " NUL.mid"},
      {"a.NUL", "a.NUL.mid"},
      {"CON:", "CON_.mid"},  // the colon is replaced first, which leaves no device name
      {"nul/x", "nul_x.mid"},
  };
  for (const Case& c : cases) EXPECT_EQ(OutputFileName(c.record_name), c.file_name) << c.record_name;
  // The command line's and the page's: every character Windows refuses.
  EXPECT_EQ(OutputFileName("say \"hi\"\t!\x01 nul", true), "say _hi__!_ nul.mid");
  EXPECT_EQ(OutputFileName("NUL\x7F", true), "NUL\x7F.mid");
}

// One file name per record, as NTFS tells names apart; a record keeps its own name before a later
// one's " (N)" takes it.
TEST(OutputFileNameTest, DistinctNamesGiveEachRecordAFile) {
  EXPECT_EQ(DistinctFileNames({"Alarm.mid", "", "ALARM.mid", "Alarm (2).mid", "alarm.mid", "\xE9t\xE9.mid", "\xC9T\xC9.mid",
                               "\xFF.mid", "\x9F.mid"}),
            (std::vector<std::string>{"Alarm.mid", "", "ALARM (3).mid", "Alarm (2).mid", "alarm (4).mid", "\xE9t\xE9.mid",
                                      "\xC9T\xC9 (2).mid", "\xFF.mid", "\x9F (2).mid"}));
}

TEST_F(ExtractTest, DeviceNamedRecordsReachTheDisk) {
  Bytes nul = LabelledTune("nul");
  Bytes com = LabelledTune("com");
  Bytes con = LabelledTune("con");
  std::string database = WriteDatabase(Database({MidiRecord("NUL", nul), MidiRecord("com1", com), MidiRecord("Con.txt", con)}));
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox(Success(3), "Success")});
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"Con_.txt.mid", "NUL_.mid", "com1_.mid"}));
  EXPECT_EQ(ReadBytes(out_ + "\\NUL_.mid"), nul);
  EXPECT_EQ(ReadBytes(out_ + "\\com1_.mid"), com);
  EXPECT_EQ(ReadBytes(out_ + "\\Con_.txt.mid"), con);
}

// ---- Destination separators ----

TEST_F(ExtractTest, TrailingSeparatorGivesTheSameOutputPaths) {
  Bytes tune = LabelledTune("sep");
  std::string database = WriteDatabase(Database({MidiRecord("sep", tune)}));
  WriteBytes(out_ + "\\sep.mid", {1});
  for (std::string destination : {out_, out_ + "\\", out_ + "/"}) {
    SCOPED_TRACE(destination);
    EXPECT_EQ(Extract(database, destination, {"No"}),
              (std::vector<ShownBox>{YesNoCancelBox(out_ + "\\sep.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "No"),
                                     InputErrorBox(1, "No MIDI files found in the database!")}));
  }
}

TEST_F(ExtractTest, EachRecordTakesAtMostOneFurtherSeparatorOffTheRunsDestination) {
  std::string database = WriteDatabase(Database({MidiRecord("a", LabelledTune("a")), MidiRecord("b", LabelledTune("b")),
                                                 MidiRecord("c", LabelledTune("c"))}));
  for (std::string name : {"a.mid", "b.mid", "c.mid"}) WriteBytes(out_ + "\\" + name, {1});
  EXPECT_EQ(Extract(database, out_ + "\\/\\", {"No", "No", "No"}),
            (std::vector<ShownBox>{
                YesNoCancelBox(out_ + "\\/\\a.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "No"),
                YesNoCancelBox(out_ + "\\\\b.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "No"),
                YesNoCancelBox(out_ + "\\c.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "No"),
                InputErrorBox(1, "No MIDI files found in the database!")}));
}

// ---- Overwrite questions ----

TEST_F(ExtractTest, CoincidingFileNamesAskBeforeOverwriting) {
  Bytes first = LabelledTune("first");
  Bytes second = LabelledTune("second");
  // "a/b" and "a:b" differ only in replaced characters.
  std::string database = WriteDatabase(Database({MidiRecord("a/b", first), MidiRecord("a:b", second)}));
  const std::string question = out_ + "\\a_b.mid\r\nalready exists. Overwrite?";

  EXPECT_EQ(Extract(database, out_, {"Yes"}),
            (std::vector<ShownBox>{YesNoCancelBox(question, "Overwrite Problem", "Yes"), InformationBox(Success(2), "Success")}));
  EXPECT_EQ(ReadBytes(out_ + "\\a_b.mid"), second);

  fs::remove(NativePath(out_ + "\\a_b.mid"));
  EXPECT_EQ(Extract(database, out_, {"No"}),
            (std::vector<ShownBox>{YesNoCancelBox(question, "Overwrite Problem", "No"), InformationBox(Success(1), "Success")}));
  EXPECT_EQ(ReadBytes(out_ + "\\a_b.mid"), first);

  fs::remove(NativePath(out_ + "\\a_b.mid"));
  EXPECT_EQ(Extract(database, out_, {"Cancel"}),
            std::vector<ShownBox>{YesNoCancelBox(question, "Overwrite Problem", "Cancel")});
  EXPECT_EQ(ReadBytes(out_ + "\\a_b.mid"), first);
}

TEST_F(ExtractTest, CancelAtTheThirdQuestionStopsSilentlyAndKeepsWhatWasWritten) {
  std::vector<Bytes> tunes;
  std::vector<Bytes> records;
  for (char name : std::string("vwxyz")) {
    tunes.push_back(LabelledTune(std::string(1, name)));
    records.push_back(MidiRecord(std::string(1, name), tunes.back()));
  }
  std::string database = WriteDatabase(Database(records));
  for (std::string name : {"v", "w", "x", "y"}) WriteBytes(out_ + "\\" + name + ".mid", {'o', 'l', 'd'});
  auto question = [&](const std::string& name, const std::string& answer) {
    return YesNoCancelBox(out_ + "\\" + name + ".mid\r\nalready exists. Overwrite?", "Overwrite Problem", answer);
  };
  EXPECT_EQ(Extract(database, out_, {"Yes", "No", "Cancel"}),
            (std::vector<ShownBox>{question("v", "Yes"), question("w", "No"), question("x", "Cancel")}));
  EXPECT_EQ(ReadBytes(out_ + "\\v.mid"), tunes[0]);
  EXPECT_EQ(ReadBytes(out_ + "\\w.mid"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(ReadBytes(out_ + "\\x.mid"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(ReadBytes(out_ + "\\y.mid"), (Bytes{'o', 'l', 'd'}));
  EXPECT_FALSE(PathExists(out_ + "\\z.mid"));
  EXPECT_TRUE(fs::remove(NativePath(database)));
}

TEST_F(ExtractTest, EveryQuestionAnsweredNoEndsWithNoMidiFilesFound) {
  std::string database =
      WriteDatabase(Database({MidiRecord("p", LabelledTune("p")), MidiRecord("q", LabelledTune("q"))}));
  WriteBytes(out_ + "\\p.mid", {1});
  WriteBytes(out_ + "\\q.mid", {2});
  EXPECT_EQ(Extract(database, out_, {"No", "No"}),
            (std::vector<ShownBox>{
                YesNoCancelBox(out_ + "\\p.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "No"),
                YesNoCancelBox(out_ + "\\q.mid\r\nalready exists. Overwrite?", "Overwrite Problem", "No"),
                InputErrorBox(1, "No MIDI files found in the database!")}));
  EXPECT_EQ(ReadBytes(out_ + "\\p.mid"), Bytes{1});
}

// ---- Files ----

TEST_F(ExtractTest, ReadOnlySourceIsExtracted) {
  Bytes tune = LabelledTune("ro");
  std::string database = WriteDatabase(Database({MidiRecord("ro", tune)}));
  fs::permissions(NativePath(database), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(Extract(database, out_), std::vector<ShownBox>{InformationBox(Success(1), "Success")});
  EXPECT_EQ(ReadBytes(out_ + "\\ro.mid"), tune);
}

TEST_F(ExtractTest, OutputPathNamingADirectoryFailsWithAnErrorAndKeepsEarlierFiles) {
  Bytes tune = LabelledTune("before");
  std::string database = WriteDatabase(Database({MidiRecord("before", tune), MidiRecord("taken", LabelledTune("taken")),
                                                 MidiRecord("after", LabelledTune("after"))}));
  MakeDirectory(out_ + "\\taken.mid");
  ScriptedPrompts prompts;
  ExtractCommand command(prompts, *files_, {database, out_});
  ASSERT_TRUE(command.CheckExtractInputs());
  RaisedError raised = RaisedBy([&] { command.ExtractDatabase(); });
  EXPECT_EQ(raised.code, kFileAccessDenied);
  EXPECT_EQ(raised.text, "File access denied");
  EXPECT_TRUE(prompts.Shown().empty());  // no question and no summary
  EXPECT_EQ(ReadBytes(out_ + "\\before.mid"), tune);
  EXPECT_FALSE(PathExists(out_ + "\\after.mid"));
  EXPECT_TRUE(fs::remove(NativePath(database)));  // closed on the way out
}

TEST_F(ExtractTest, DestinationThatCannotBeCreatedFailsAtTheFirstOutputFile) {
  std::string database = WriteDatabase(Database({MidiRecord("x", LabelledTune("x"))}));
  WriteBytes(temp_ / "plain", {0});
  std::string destination = temp_ / "plain\\sub\\dir";  // a file stands where a parent should be
  ScriptedPrompts prompts;
  prompts.Script({"OK"});
  ExtractCommand command(prompts, *files_, {database, destination});
  ASSERT_TRUE(command.CheckExtractInputs());
  EXPECT_THROW(command.ExtractDatabase(), InOutError);
  EXPECT_EQ(prompts.Shown(), std::vector<ShownBox>{MarkedQuestionBox(2, kCreateQuestion, "OK")});
}

TEST_F(ExtractTest, SourceOpenErrorReachesTheCaller) {
  ScriptedPrompts prompts;
  ExtractCommand command(prompts, *files_, {temp_ / "gone.pdb", out_});
  EXPECT_THROW(command.ExtractDatabase(), InOutError);
  EXPECT_TRUE(prompts.Shown().empty());
}

// ---- Databases that break the layout ----

std::string LostText(int count) {
  return std::to_string(count) + (count == 1 ? " record" : " records") +
         " could not be read.\r\nThe database is damaged or truncated.";
}

TEST_F(ExtractTest, RecordsOutsideTheFileAreCountedAndBrokenMidiRecordsReported) {
  Bytes good = LabelledTune("good");
  Bytes good_record = MidiRecord("good", good);
  const std::uint32_t start = FirstRecordOffset(2);
  const std::uint32_t end_of_good = start + static_cast<std::uint32_t>(good_record.size());
  struct Case {
    std::string what;
    Bytes db;
    std::vector<ShownBox> expected;
    bool good_written;
  };
  auto summary = InformationBox(Success(1), "Success");
  auto none = InputErrorBox(1, "No MIDI files found in the database!");
  auto lost = WarningBox(LostText(1), "MIDI Error");
  auto good_cut = WarningBox("Wrong MIDI format:\rgood", "MIDI Error");

  Bytes no_nul = {'P', 'M', 'r', 'c', 9, 0, 'e', 'n', 'd', 'l', 'e', 's', 's'};  // last record, no NUL
  Bytes far_data = {'P', 'M', 'r', 'c', 200, 0, 'F', 'a', 'r', 0, 'M', 'T', 'h', 'd'};
  Bytes short_tag = {'P', 'M', 'r', 'c', 9, 0, 'S', 'h', 0, 'M', 'T', 'h', 'd'};  // record ends before "d"
  Bytes bare = {'P', 'M', 'r', 'c', 7};
  Bytes with_far_and_good = far_data;
  Append(with_far_and_good, good_record);
  const std::vector<Case> cases = {
      {"first record ends past the file", DatabaseWithOffsets({start, 0x7FFFFFF0}, good_record),
       {good_cut, lost, none}, false},
      {"first record starts past the file", DatabaseWithOffsets({0x10000, start}, good_record), {lost, summary}, true},
      {"first record starts at the end", DatabaseWithOffsets({end_of_good, start}, good_record), {lost, summary}, true},
      {"first record starts three bytes before the end",
       DatabaseWithOffsets({end_of_good - 3, start}, good_record), {lost, summary}, true},
      {"offsets descend, signature inside", DatabaseWithOffsets({start, start - 8}, good_record),
       {good_cut, none}, false},
      {"offset negative as a signed number", DatabaseWithOffsets({start, 0xFFFFFFF0}, good_record),
       {good_cut, lost, none}, false},
      {"both past the end", DatabaseWithOffsets({0x10000, 0x20000}, good_record),
       {WarningBox(LostText(2), "MIDI Error"), none}, false},
      // An empty record inside the file is no MIDI record: nothing is lost.
      {"equal offsets", DatabaseWithOffsets({start, start}, good_record), {summary}, true},
      // The second entry points at the file's last byte: too little for a signature.
      {"record of three bytes", DatabaseWithOffsets({start, start + 3}, Bytes{'P', 'M', 'r', 0}), {lost, none}, false},
      {"name without NUL", DatabaseWithOffsets({start, start}, no_nul),
       {WarningBox("Wrong MIDI format:\rendless", "MIDI Error"), none}, false},
      {"data offset past the record", DatabaseWithOffsets({start, start + 14}, with_far_and_good),
       {WarningBox("Wrong MIDI format:\rFar", "MIDI Error"), summary}, true},
      {"MThd cut off by the record's end", DatabaseWithOffsets({start, start + 12}, short_tag),
       {WarningBox("Wrong MIDI format:\rSh", "MIDI Error"), lost, none}, false},
      {"signature and no name", DatabaseWithOffsets({start, start}, bare),
       {WarningBox("Wrong MIDI format:\r", "MIDI Error"), none}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string dir = temp_ / ("case" + std::to_string(&c - cases.data()));
    MakeDirectory(dir);
    EXPECT_EQ(Extract(WriteDatabase(c.db), dir), c.expected);
    EXPECT_EQ(Listing(dir), c.good_written ? std::vector<std::string>{"good.mid"} : std::vector<std::string>{});
    if (c.good_written) {
      EXPECT_EQ(ReadBytes(dir + "\\good.mid"), good);
    }
  }
}

// The count of unreadable records comes once, after every record's own report and before the
// box that closes the run; a Cancel closes the run without either.
TEST_F(ExtractTest, UnreadableRecordsAreToldOnceBeforeTheClosingBoxAndNotAfterACancel) {
  Bytes a = MidiRecord("a", LabelledTune("a"));
  Bytes b = MidiRecord("b", LabelledTune("b"));
  const std::uint32_t start = FirstRecordOffset(5);
  const std::uint32_t after_a = start + static_cast<std::uint32_t>(a.size());
  Bytes body = a;
  Append(body, b);
  // Entries: a, b running on to the next entry's offset past the end, three past the end.
  std::string database = WriteDatabase(DatabaseWithOffsets({start, after_a, 0x00FFFFFF, 0x7FFFFFFF, 0x01000000}, body));
  const ShownBox told = WarningBox(LostText(3), "MIDI Error");
  const ShownBox b_cut = WarningBox("Wrong MIDI format:\rb", "MIDI Error");
  auto question = [this](const std::string& answer) {
    return YesNoCancelBox(out_ + "\\a.mid\r\nalready exists. Overwrite?", "Overwrite Problem", answer);
  };

  EXPECT_EQ(Extract(database, out_), (std::vector<ShownBox>{b_cut, told, InformationBox(Success(1), "Success")}));
  EXPECT_EQ(Extract(database, out_, {"No"}), (std::vector<ShownBox>{question("No"), b_cut, told,
                                                                   InputErrorBox(1, "No MIDI files found in the database!")}));
  EXPECT_EQ(Extract(database, out_, {"Cancel"}), std::vector<ShownBox>{question("Cancel")});
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"a.mid"});
}

// What a database cut short at `length` bytes must give: records wholly inside are written, the
// last record loses its end, a record that leaves the file is reported by its name as far as
// the file holds it, and records whose signature is cut off are counted in one warning; a last
// record cut at its very start is an empty record, which is no tune and no loss.
std::vector<ShownBox> ExpectedForTruncation(std::size_t length, const std::vector<Bytes>& records,
                                            const std::vector<std::string>& names, std::set<std::string>& written) {
  if (length == 0) return {InputErrorBox(1, "File is empty!")};
  if (length < 78 + 8 * records.size()) return {InputErrorBox(1, "Wrong file format!")};
  std::vector<ShownBox> boxes;
  int lost = 0;
  std::size_t offset = 78 + 8 * records.size();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const bool last = i + 1 == records.size();
    if (last && offset == length) break;
    if (offset + 4 > length) {
      ++lost;
    } else {
      std::size_t available = length - offset;
      std::size_t name_end = 6 + names[i].size();  // index of the NUL
      std::size_t data = name_end + 1;
      const bool cut = !last && offset + records[i].size() > length;
      if (available <= 6) {
        boxes.push_back(WarningBox("Wrong MIDI format:\r", "MIDI Error"));
      } else if (available <= name_end) {
        boxes.push_back(WarningBox("Wrong MIDI format:\r" + names[i].substr(0, available - 6), "MIDI Error"));
      } else if (cut || available < data + 4) {
        boxes.push_back(WarningBox("Wrong MIDI format:\r" + names[i], "MIDI Error"));
      } else {
        written.insert(names[i]);
      }
    }
    offset += records[i].size();
  }
  if (lost > 0) boxes.push_back(WarningBox(LostText(lost), "MIDI Error"));
  if (written.empty()) boxes.push_back(InputErrorBox(1, "No MIDI files found in the database!"));
  else boxes.push_back(InformationBox(Success(static_cast<int>(written.size())), "Success"));
  return boxes;
}

TEST_F(ExtractTest, DatabaseCutShortAtEveryLengthNeverReadsOutside) {
  std::vector<std::string> names = {"one", "two", "three"};
  std::vector<Bytes> tunes = {LabelledTune("1", 5), LabelledTune("2", 2), LabelledTune("3", 9)};
  std::vector<Bytes> records;
  for (std::size_t i = 0; i < names.size(); ++i) records.push_back(MidiRecord(names[i], tunes[i]));
  const Bytes full = Database(records);
  for (std::size_t length = 0; length <= full.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    std::string dir = temp_ / ("cut" + std::to_string(length));
    MakeDirectory(dir);
    std::set<std::string> written;
    std::vector<ShownBox> expected = ExpectedForTruncation(length, records, names, written);
    ASSERT_EQ(Extract(WriteDatabase(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length))), dir),
              expected);
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!written.count(names[i])) continue;
      Bytes file = ReadBytes(dir + "\\" + names[i] + ".mid");
      // Whole, or for the last record cut where the file was cut.
      Bytes want = tunes[i];
      if (i + 1 == names.size()) want.resize(length - (full.size() - tunes[i].size()));
      EXPECT_EQ(file, want) << names[i];
    }
  }
}

TEST_F(ExtractTest, RandomlyDamagedDatabasesGiveOnlySaneOutcomes) {
  std::vector<Bytes> records = {MidiRecord("alpha", LabelledTune("a", 20)), MidiRecord("beta", LabelledTune("b", 7)),
                                MidiRecord("gamma", LabelledTune("c", 30))};
  const Bytes original = Database(records);
  const std::set<std::string> input_errors = {"Wrong file format!", "This is not a record database!",
                                              "The database is empty!", "No MIDI files found in the database!"};
  std::mt19937 random(20240229);
  for (int round = 0; round < 300; ++round) {
    Bytes db = original;
    int flips = 1 + static_cast<int>(random() % 6);
    for (int f = 0; f < flips; ++f) {
      std::size_t at = random() % db.size();
      // Favour the header, the list and the record heads, where a flip changes the most.
      if (round % 2 == 0) at = random() % std::min<std::size_t>(db.size(), 140);
      db[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    }
    if (round % 5 == 0) db.resize(random() % db.size());
    SCOPED_TRACE("round " + std::to_string(round));
    std::string dir = temp_ / ("flip" + std::to_string(round));
    MakeDirectory(dir);
    std::string database = WriteDatabase(db);

    ScriptedPrompts prompts;
    prompts.Script(std::vector<std::string>(8, "Yes"));
    ExtractCommand command(prompts, *files_, {database, dir});
    bool failed = false;
    try {
      if (command.CheckExtractInputs()) command.ExtractDatabase();
    } catch (const InOutError&) {
      failed = true;  // a damaged name can make a file name the system refuses
    }
    const std::vector<ShownBox>& shown = prompts.Shown();
    for (const ShownBox& box : shown) {
      bool sane = (box.kind == BoxKind::InputError && input_errors.count(box.text) == 1) ||
                  (box.kind == BoxKind::Warning && box.caption == "MIDI Error" &&
                   (box.text.rfind("Wrong MIDI format:\r", 0) == 0 ||
                    box.text.find(" could not be read.\r\nThe database is damaged or truncated.") != std::string::npos)) ||
                  (box.kind == BoxKind::Information && box.caption == "Success") ||
                  box.kind == BoxKind::YesNoCancel;
      EXPECT_TRUE(sane) << box;
    }
    // Every file written is a run of the image's bytes beginning with "MThd".
    for (const std::string& name : Listing(dir)) {
      Bytes file = ReadThroughFiles(dir + "\\" + name);
      ASSERT_GE(file.size(), 4u) << name;
      EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "MThd");
      EXPECT_NE(std::search(db.begin(), db.end(), file.begin(), file.end()), db.end()) << name;
    }
    if (!failed && !shown.empty() && shown.back().kind == BoxKind::Information) {
      EXPECT_EQ(shown.back().text, Success(static_cast<int>(command.Result().tunes)));
    }
    EXPECT_TRUE(fs::remove(NativePath(database)));
  }
}

}  // namespace
