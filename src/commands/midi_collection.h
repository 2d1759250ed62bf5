// The MIDI files a run takes in: the files and directories given, each file checked, with the
// questions about unusable ones, listed in the order their records will take.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands/database_writer.h"
#include "commands/outcome.h"
#include "commands/prompts.h"
#include "commands/tune_conversion.h"
#include "seams/file_system.h"

struct CollectionOptions {
  // Tunes stored as they are must be format 0; others are passed over with a note. A conversion
  // takes every format it can convert, whatever this says.
  bool smf0_only = true;
  // How tunes are stored; the size limit applies to what is stored.
  Conversion conversion = Conversion::AsStored;
  handheld::RingOptions ring = {};  // for Conversion::Ring
  // The command line's and the page's collection, stricter than the window's 25 bytes: files
  // among the sources, any name taken, each tune's whole structure checked, notes on names.
  bool thorough = false;
  // A file that cannot be read is passed over with a note, not the run's end.
  bool skip_unreadable = false;
};

// What to say of a source that is neither a file nor a directory: the window's single directory
// is one; a command line's PATH named as a tune ("*.mid", "*.midi") is a file.
const char* MissingSourceText(const std::string& path, bool thorough);

// The files a run takes, with what it passed over and why recorded in the run's outcome.
class MidiCollection {
 public:
  MidiCollection(Prompts& prompts, FileSystem& files, Outcome& outcome)
      : prompts_(prompts), files_(files), outcome_(outcome) {}
  MidiCollection(const MidiCollection&) = delete;
  MidiCollection& operator=(const MidiCollection&) = delete;

  // Lists the files of `sources` and takes the usable ones. False, with nothing taken and the
  // outcome's ending set, when none is usable, when a question was answered Cancel, or when they
  // would pass the database's limits; each after its box.
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
  // The entries of `pattern`; a directory a thorough collection may not read is skipped with a
  // note (or ends the run) as `source`.
  std::vector<DirectoryEntry> ListFiles(const std::string& pattern, const std::string& source);
  // False, after a note, for a record name that cannot be; a note for one that is cut.
  bool NameFits(const std::string& path, const std::string& record_name);
  // Checks one listed file and adds it to the lists; false when a question was answered Cancel.
  bool CollectFile(const Candidate& candidate, std::uint64_t& database_size);
  // OK passes over the file (and a face that names skipped files hears why); false for Cancel.
  bool PassOver(const Message& question, const char* caption);
  // The size of a tune's conversion. nullopt after the question about a tune that cannot be
  // converted; the outcome's ending tells its answer.
  std::optional<std::uint64_t> ConvertedSize(std::span<const std::uint8_t> tune, Conversion conversion,
                                             const std::string& path, const std::string& name);
  // False, after its question, for a tune whose structure does not read whole.
  bool WholeTuneReads(std::span<const std::uint8_t> tune, const std::string& path, const std::string& name);
  bool Cancelled() const { return outcome_.ending == Ending::Cancelled; }
  // Ends the collection with nothing taken, refused with `text` unless a Cancel ended it.
  bool Refuse(const char* text, const Subject& subject = {});
  void Clear();

  Prompts& prompts_;
  FileSystem& files_;
  Outcome& outcome_;
  CollectionOptions options_;
  // The directories the files were listed in; each file names its own by index.
  std::vector<std::string> directories_;
  // Index-aligned.
  std::vector<std::string> FileNames;
  std::vector<std::uint32_t> FileDirectories;
  std::vector<std::string> RecordNames;
  std::vector<std::uint16_t> FileSizes;
  std::vector<Conversion> Conversions;
};
