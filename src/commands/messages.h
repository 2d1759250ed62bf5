// Every text the commands show, in one table: the window, the command line, the page and the tests read
// them from here. Byte for byte as the user sees them, CR LF and lone CR included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "format/palm_database.h"

// What a message or question is about, for a face that names it apart from the text.
struct Subject {
  std::string path;         // as the user gave it, or a file within a directory they gave; "" for none
  std::size_t record = 0;   // a record's number (from 1) in the database at `path`; 0 for none
  std::string record_name;  // that record's name, Windows-1252

  bool operator==(const Subject&) const = default;
};

// The kind of a message: what a face may treat apart, such as the flag that answers a question or
// what a skipped file means for the exit status.
enum class Topic {
  Refusal,          // the run cannot go on with these inputs
  CreateDirectory,  // question: OK creates the missing directory
  ReplaceFile,      // question: OK or Yes replaces an existing database or file
  SkipFile,         // question: OK passes over an unusable file
  OverwriteTune,    // question: Yes overwrites one tune of the run, No keeps it
  ReplaceTune,      // question: Yes replaces the database's record of that name, No keeps it
  NotConverted,     // warning: records the run could not convert
  NothingWritten,   // extract wrote no tune
  Summary,          // what a finished run did
  EditSummary,      // what an add or remove did: its counts are the whole story
  Help,             // the window's own help and About boxes
  // Notes, which only a face that names every skipped file shows:
  Skipped,            // a file passed over by an answer or a flag
  SkippedFormat,      // a file passed over for not being format 0
  SkippedUnusable,    // a file that could not be read, or whose name cannot be a record's
  NameClash,          // two files make the same record name
  NameCut,            // a file's name is longer than a record's: the record takes its first 31 characters
  NameTaken,          // a record's file name is an earlier record's: the tune goes under another name
  KeptOutput,         // an existing output kept by an answer No: the run did what was asked
  Shaped,             // a tune shaped to ring, with its size before and after
  DirectoryNotMade,   // a directory the user agreed to create could not be; a face may end the run
};

struct Message {
  Topic topic = Topic::Refusal;
  std::string text;  // the window's text, byte for byte
  std::string line;  // the text as one line, without a name the window sets on a line of its own
  Subject subject;
};

// A message whose one-line form is its text with line breaks as spaces.
Message MakeMessage(Topic topic, std::string_view text, Subject subject = {});
// A file or directory, as the user gave it or as found in a directory they gave.
Subject PathSubject(const std::string& path);
// A record of the database at `path`, numbered from 0 as the list is.
Subject RecordSubject(const std::string& path, std::size_t index, const std::string& record_name);

// Caption of every box that marks a field.
inline constexpr char kUnableToContinue[] = "Unable to continue";

// "Extract!"
inline constexpr char kNoDatabaseSelected[] = "No database selected!";
inline constexpr char kNoDirectorySelected[] = "No directory selected!";
inline constexpr char kFileDoesNotExist[] = "File does not exist!";
inline constexpr char kCreateDirectoryQuestion[] = "Directory does not exist!\r\nWould you like to create it now?";
inline constexpr char kFileIsEmpty[] = "File is empty!";
inline constexpr char kWrongFileFormat[] = "Wrong file format!";
inline constexpr char kNotARecordDatabase[] = "This is not a record database!";
inline constexpr char kDatabaseIsEmpty[] = "The database is empty!";
inline constexpr char kWrongMidiFormat[] = "Wrong MIDI format:\r";  // a lone CR before the name
inline constexpr char kMidiError[] = "MIDI Error";
inline constexpr char kAlreadyExistsOverwrite[] = "\r\nalready exists. Overwrite?";
inline constexpr char kOverwriteProblem[] = "Overwrite Problem";
inline constexpr char kNoMidiFilesInDatabase[] = "No MIDI files found in the database!";
inline constexpr char kSuccessfullyExtracted[] = " MIDI files successfully extracted.";
inline constexpr char kSuccess[] = "Success";
// Once after a run that met records lying past the end of the file, caption kMidiError.
inline constexpr char kDamagedOrTruncated[] = " could not be read.\r\nThe database is damaged or truncated.";

// "Compile!"
inline constexpr char kNoDatabaseNameGiven[] = "No database name given!";
inline constexpr char kDirectoryDoesNotExist[] = "Directory does not exist!";
inline constexpr char kFileOrDirectoryExists[] = "File or directory already exists!";
inline constexpr char kReplaceDatabaseQuestion[] = "File already exists!\r\nOverwrite?";
inline constexpr char kNoMidiFilesFound[] = "No MIDI files found!";
inline constexpr char kNoCorrectMidiFiles[] = "No correct MIDI files found!";
inline constexpr char kTooLargeForPalm[] = "MIDI file too large for Palm OS:\r";
inline constexpr char kCompatibilityError[] = "Compatibility Error";
// The record count is a 16-bit field: more files are refused before the destination is touched.
inline constexpr char kTooManyMidiFiles[] = "Too many MIDI files!\r\nA database holds at most 65535.";
// Sizes and offsets are read as signed 32-bit numbers: a larger database could not be extracted.
inline constexpr char kTooMuchMidiData[] = "Too much MIDI data!\r\nA database holds at most 2147483647 bytes.";
inline constexpr char kSuccessfullyCompiled[] = " MIDI files successfully compiled.";

// Format-1 tunes converted to format 0 (convert, and a collection that converts).
inline constexpr char kTooLargeToConvert[] = "The MIDI file is too large to convert!";
inline constexpr char kChangedWhileWritten[] = "MIDI file changed while the database was written:\r";

// The word on an existing file kept by an answer No.
inline constexpr char kKeptExisting[] = "already exists; kept";

// Add and remove, which edit a database in place.
inline constexpr char kTuneExists[] = "Tune exists";
inline constexpr char kKeptInDatabase[] = "the database already holds a tune of this name; kept";
inline constexpr char kLargerThanADatabase[] = "the file is larger than a database can be";
inline constexpr char kWouldBeEmpty[] = "removing every record would leave it empty, and extract refuses an empty database";

// "Wrong MIDI format:\r" and the file or record name.
std::string WrongMidiFormatText(std::string_view name);
// The largest tune a record may hold, in bytes.
inline constexpr std::uint64_t kLargestMidiFile = palm::kLargestTune;

// "MIDI file too large for Palm OS:\r", the name and the size in whole KB, "name (64KB)".
std::string TooLargeText(std::string_view name, std::uint64_t size);
// The path and "\r\nalready exists. Overwrite?".
std::string OverwriteText(std::string_view path);
// "1 record could not be read.\r\nThe database is damaged or truncated.", "2 records ..."
std::string UnreadableRecordsText(std::size_t count);
// "3 MIDI files successfully extracted."
std::string ExtractedText(std::size_t count);
// "3 MIDI files successfully compiled."
std::string CompiledText(std::size_t count);
// "Wrong MIDI format:\r", the name, CR LF and why it cannot become format 0.
std::string UnconvertibleText(std::string_view name, std::string_view reason);
// "Converted to format 0: 1234 bytes." or, for a file that was format 0 already, "Already format 0:
// copied unchanged (1234 bytes)."
std::string ConvertedText(std::size_t size, bool unchanged);
// kChangedWhileWritten and the name.
std::string ChangedWhileWrittenText(std::string_view name);
// "2 tunes added, 1 replaced, 0 removed; the database holds 14 records.", "1 tune added, ..."
std::string EditedText(std::size_t added, std::size_t replaced, std::size_t removed, std::size_t total);
// `no record is named "Bird"`, with the name as it was given.
std::string NoRecordNamedText(std::string_view name);
// "no record #9: the database holds 8 records"
std::string NoRecordNumberText(std::string_view number, std::size_t count);

// The questions and warnings about one file or record, for its subject.
Message WrongMidiFormatMessage(Topic topic, std::string_view name, Subject subject);
Message TooLargeMessage(std::string_view name, std::uint64_t size, Subject subject);
Message UnconvertibleMessage(std::string_view name, std::string_view reason, Subject subject);
Message OverwriteMessage(Topic topic, const std::string& path);
// `A tune named "NAME" is already in the database.\r\nReplace it?`, about the record of that name.
Message ReplaceTuneMessage(std::string_view name, Subject record);
// "shaped: 23456 -> 1234 bytes", about the tune at `path`.
Message ShapedNote(const std::string& path, std::size_t before, std::size_t after);
// A note that the file at `path` was passed over, and why.
Message SkippedNote(Topic topic, const std::string& path, std::string_view reason);
