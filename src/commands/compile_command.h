// "Compile!": the MIDI files of a directory become one Palm MIDI database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commands/database_writer.h"
#include "commands/prompts.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct CompileInputs {
  // Edit3 as typed: one directory. The command line gives files and directories, in its order.
  std::vector<std::string> sources;
  std::string destination_path;  // Edit4, as typed
  std::string database_name;     // Edit5, as typed
  bool smf0_only = true;         // CheckBox1
  // The command line's --to-smf0: format-1 files are stored converted to format 0, and the size
  // limit applies to the converted tune. The window never sets it.
  bool to_smf0 = false;
  // The command line's collection, stricter than the window's 25 bytes: files among the sources,
  // each tune's whole structure checked, record names that clash noted.
  bool thorough = false;
  // The command line's --skip-bad: a file that cannot be read is passed over, not the run's end.
  bool skip_unreadable = false;
};

// One run: construct with the fields' texts, then
//   if (command.CheckCompileInputs()) command.CompileDatabase();
class CompileCommand {
 public:
  CompileCommand(Prompts& prompts, FileSystem& files, Clock& clock, CompileInputs inputs);

  bool CheckCompileInputs();
  void CompileDatabase();

 private:
  struct Candidate {
    std::uint32_t directory;  // index into directories_, or kGivenFile
    DirectoryEntry entry;
  };

  std::vector<Candidate> ListCandidates();
  void CollectMidiFiles();
  // Checks one listed file and adds it to the lists; false when a question was answered Cancel.
  bool CollectFile(const Candidate& candidate, std::uint64_t& database_size);
  // OK passes over the file (and the command line hears why); false for Cancel.
  bool PassOver(const Message& question, const char* caption);
  // The size of a file's conversion to format 0. nullopt after the question about a file that
  // cannot be converted, or is too large to be; cancelled_ tells its answer.
  std::optional<std::uint64_t> ConvertedSize(const std::string& path, const std::string& name, std::uint64_t size);
  // A tune that does not read whole; nullopt after its question, as ConvertedSize.
  bool WholeTuneReads(const std::string& path, const std::string& name);
  void NoteNameClashes();
  DatabaseSources Sources() const;
  void ClearLists();

  Prompts& prompts_;
  FileSystem& files_;
  Clock& clock_;
  CompileInputs inputs_;
  // The directories the files were listed in; each file names its own by index.
  std::vector<std::string> directories_;
  // Index-aligned; they exist only while CompileDatabase runs.
  std::vector<std::string> FileNames;
  std::vector<std::uint32_t> FileDirectories;
  std::vector<std::string> RecordNames;
  std::vector<std::uint16_t> FileSizes;
  std::vector<bool> Conversions;
  bool cancelled_ = false;
};
