// Every text the commands show, in one table: the window, the command line and the tests read
// them from here. Byte for byte as the user sees them, CR LF and lone CR included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// Format-1 tunes converted to format 0 (the command line's convert, and compile --to-smf0).
inline constexpr char kTooLargeToConvert[] = "The MIDI file is too large to convert!";
inline constexpr char kChangedWhileWritten[] = "MIDI file changed while the database was written:\r";

// Directory creation, for either command.
inline constexpr char kUnableToCreateDirectory[] = "Unable to create directory";

// "Wrong MIDI format:\r" and the file or record name.
std::string WrongMidiFormatText(std::string_view name);
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
