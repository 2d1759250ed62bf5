// The MIDI files a run takes in: the files and directories given, each file checked, with the
// questions about unusable ones, listed in the order their records will take.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands/database_writer.h"
#include "commands/prompts.h"
#include "seams/file_system.h"

struct CollectionOptions {
  bool smf0_only = true;  // other formats are passed over with a note
  // Format-1 files are taken converted to format 0; the size limit applies to the conversion.
  bool to_smf0 = false;
  // The command line's collection, stricter than the window's 25 bytes: files among the sources,
  // each tune's whole structure checked.
  bool thorough = false;
  // A file that cannot be read is passed over with a note, not the run's end.
  bool skip_unreadable = false;
};

// What to say of a source that is neither a file nor a directory: the window's single directory
// is one; a command line's PATH named as a tune ("*.mid", "*.midi") is a file.
const char* MissingSourceText(const std::string& path, bool thorough);

class MidiCollection {
 public:
  MidiCollection(Prompts& prompts, FileSystem& files) : prompts_(prompts), files_(files) {}
  MidiCollection(const MidiCollection&) = delete;
  MidiCollection& operator=(const MidiCollection&) = delete;

  // Lists the files of `sources` and takes the usable ones. False, with nothing taken, when none
  // is usable, when a question was answered Cancel, or when they would pass the database's limits;
  // each after its box.
  bool Collect(const std::vector<std::string>& sources, const CollectionOptions& options);
  // A note for each file whose record name an earlier one already gives.
  void NoteNameClashes() const;
  // What was taken, index-aligned, for the writer; valid while this object lives and collects no more.
  DatabaseSources Sources() const;
  std::size_t Count() const { return FileNames.size(); }

 private:
  struct Candidate {
    std::uint32_t directory;  // index into directories_, or kGivenFile
    DirectoryEntry entry;
  };

  std::vector<Candidate> ListCandidates(const std::vector<std::string>& sources);
  // The entries of `pattern`; a directory the command line may not read is skipped with a note
  // (or ends the run) as `source`.
  std::vector<DirectoryEntry> ListFiles(const std::string& pattern, const std::string& source);
  // False, after a note, for a record name that cannot be; a note for one that is cut.
  bool NameFits(const std::string& path, const std::string& record_name);
  // Checks one listed file and adds it to the lists; false when a question was answered Cancel.
  bool CollectFile(const Candidate& candidate, std::uint64_t& database_size);
  // OK passes over the file (and the command line hears why); false for Cancel.
  bool PassOver(const Message& question, const char* caption);
  // The size of a tune's conversion to format 0. nullopt after the question about a tune that
  // cannot be converted; cancelled_ tells its answer.
  std::optional<std::uint64_t> ConvertedSize(std::span<const std::uint8_t> tune, const std::string& path,
                                             const std::string& name);
  // False, after its question, for a tune whose structure does not read whole.
  bool WholeTuneReads(std::span<const std::uint8_t> tune, const std::string& path, const std::string& name);
  void Clear();

  Prompts& prompts_;
  FileSystem& files_;
  CollectionOptions options_;
  // The directories the files were listed in; each file names its own by index.
  std::vector<std::string> directories_;
  // Index-aligned.
  std::vector<std::string> FileNames;
  std::vector<std::uint32_t> FileDirectories;
  std::vector<std::string> RecordNames;
  std::vector<std::uint16_t> FileSizes;
  std::vector<bool> Conversions;
  bool cancelled_ = false;
};
