// Add and remove: the checks, the database read whole into its parts, the plan of changes, then
// the edited copy written in one go.
#include "commands/edit_command.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "commands/database_writer.h"
#include "commands/messages.h"
#include "format/database_edit.h"
#include "format/palm_date.h"
#include "seams/paths.h"

namespace {

Subject PathSubject(const std::string& path) { return Subject{path, 0, {}}; }

void Refuse(Prompts& prompts, const std::string& database, std::string_view text) {
  prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, text, PathSubject(database)));
}

// The database is there, and where the result goes can take it.
bool CheckTarget(Prompts& prompts, FileSystem& files, const std::string& database, const std::string& output) {
  if (!files.FileExists(database)) {
    Refuse(prompts, database, kFileDoesNotExist);
    return false;
  }
  if (output.empty()) return true;
  if (files.DirectoryExists(output)) {
    prompts.ShowInputError(Field::Edit4, MakeMessage(Topic::Refusal, kFileOrDirectoryExists, PathSubject(output)));
    return false;
  }
  const std::string directory = ExtractFilePath(output);
  if (!directory.empty() && !files.DirectoryExists(directory)) {
    prompts.ShowInputError(Field::Edit4, MakeMessage(Topic::Refusal, kDirectoryDoesNotExist, PathSubject(directory)));
    return false;
  }
  if (!files.FileExists(output)) return true;
  return prompts.AskMarkedQuestion(Field::Edit4,
                                   MakeMessage(Topic::ReplaceFile, kReplaceDatabaseQuestion, PathSubject(output)));
}

// The image and its parts, which point into it.
struct LoadedDatabase {
  std::unique_ptr<FileBlock> image;
  palm::EditableDatabase parts;
};

std::optional<LoadedDatabase> Load(Prompts& prompts, FileSystem& files, const std::string& path) {
  LoadedDatabase loaded;
  {
    std::unique_ptr<InputFile> file = files.OpenRead(path);
    const std::uint64_t size = file->Size();
    if (size > kLargestDatabase) {
      file->Close();
      Refuse(prompts, path, kLargerThanADatabase);
      return std::nullopt;
    }
    loaded.image = file->ReadBlock(static_cast<std::size_t>(size));
    file->Close();
  }
  loaded.parts = palm::ReadForEditing(loaded.image->Bytes());
  if (loaded.parts.status != palm::EditStatus::Editable) {
    Refuse(prompts, path, loaded.parts.problem);
    return std::nullopt;
  }
  return loaded;
}

struct EditCounts {
  std::size_t added = 0;
  std::size_t replaced = 0;
  std::size_t removed = 0;
};

// Lays out the edit and writes it where it goes, then tells what changed. Nothing is written after
// a refusal, nor for an edit that changes nothing unless a copy was asked for.
void WriteEdited(Prompts& prompts, FileSystem& files, Clock& clock, const std::string& database,
                 const std::string& output, const LoadedDatabase& loaded, const palm::EditPlan& plan,
                 const EditCounts& counts) {
  const std::size_t total = loaded.parts.records.size() + counts.added - counts.removed;
  const std::string& target = output.empty() ? database : output;
  if (counts.added + counts.replaced + counts.removed > 0 || !output.empty()) {
    const palm::EditedImage edited =
        palm::LayOutEdit(loaded.parts, plan, DateTimeToPalmDate(clock.Now()), kLargestDatabase);
    switch (edited.Outcome()) {
      case palm::EditOutcome::Done: break;
      case palm::EditOutcome::TooManyRecords: return Refuse(prompts, database, kTooManyMidiFiles);
      case palm::EditOutcome::TooMuchData: return Refuse(prompts, database, kTooMuchMidiData);
      case palm::EditOutcome::UniqueIdsExhausted: return Refuse(prompts, database, edited.Problem());
    }
    // Replaces `target` only once whole and on the disk: a failure or a Cancel leaves it as it was.
    std::unique_ptr<OutputFile> file = files.Create(target, Durability::Flushed);
    for (std::span<const std::uint8_t> piece : edited.Pieces()) file->Write(piece.data(), piece.size());
    file->Close();
  }
  prompts.ShowInformation(MakeMessage(Topic::EditSummary,
                                      EditedText(counts.added, counts.replaced, counts.removed, total),
                                      PathSubject(target)),
                          kSuccess);
}

// The record number of "#N" (0 for "#0" and numbers past any database); nullopt for a name.
std::optional<std::size_t> RecordNumber(const std::string& choice) {
  if (choice.size() < 2 || choice[0] != '#') return std::nullopt;
  std::size_t number = 0;
  for (std::size_t i = 1; i < choice.size(); ++i) {
    if (choice[i] < '0' || choice[i] > '9') return std::nullopt;
    number = std::min<std::size_t>(number * 10 + static_cast<std::size_t>(choice[i] - '0'), palm::kMaxRecords + 1);
  }
  return number;
}

// A record that carries a name: compile's records, and those whose tune is not one.
bool IsNamed(const palm::EditableRecord& record) { return record.status != palm::RecordStatus::NotMidiRecord; }

// Marks each chosen record Remove in `plan`; false after refusing every choice that matches nothing.
bool MarkRemovals(Prompts& prompts, const std::string& database, const std::vector<palm::EditableRecord>& records,
                  const std::vector<RecordChoice>& choices, palm::EditPlan& plan) {
  bool unmatched = false;
  for (const RecordChoice& choice : choices) {
    bool matched = false;
    if (const std::optional<std::size_t> number = RecordNumber(choice.name)) {
      matched = *number >= 1 && *number <= records.size();
      if (matched) plan.existing[*number - 1].kind = palm::RecordChange::Kind::Remove;
      if (!matched) Refuse(prompts, database, NoRecordNumberText(choice.as_given, records.size()));
    } else {
      for (std::size_t r = 0; r < records.size(); ++r) {
        if (!IsNamed(records[r]) || records[r].name != choice.name) continue;
        plan.existing[r].kind = palm::RecordChange::Kind::Remove;
        matched = true;
      }
      if (!matched) Refuse(prompts, database, NoRecordNamedText(choice.as_given));
    }
    unmatched = unmatched || !matched;
  }
  return !unmatched;
}

}  // namespace

void AddTunes(Prompts& prompts, FileSystem& files, Clock& clock, const AddInputs& inputs) {
  EditTunes(prompts, files, clock, inputs, {});
}

void RemoveTunes(Prompts& prompts, FileSystem& files, Clock& clock, const RemoveInputs& inputs) {
  EditTunes(prompts, files, clock, AddInputs{inputs.database_path, {}, {}, inputs.output_path}, inputs.records);
}

void EditTunes(Prompts& prompts, FileSystem& files, Clock& clock, const AddInputs& inputs,
               const std::vector<RecordChoice>& removals) {
  const std::string& database = inputs.database_path;
  if (!CheckTarget(prompts, files, database, inputs.output_path)) return;
  for (const std::string& source : inputs.sources) {
    if (files.DirectoryExists(source) || files.FileExists(source)) continue;
    prompts.ShowInputError(Field::Edit3, MakeMessage(Topic::Refusal, MissingSourceText(source, inputs.collection.thorough),
                                                     PathSubject(source)));
    return;
  }
  const std::optional<LoadedDatabase> loaded = Load(prompts, files, database);
  if (!loaded) return;
  const std::vector<palm::EditableRecord>& records = loaded->parts.records;
  palm::EditPlan plan;
  plan.existing.resize(records.size());
  if (!MarkRemovals(prompts, database, records, removals, plan)) return;
  EditCounts counts;
  for (const palm::RecordChange& change : plan.existing) counts.removed += change.kind == palm::RecordChange::Kind::Remove;
  MidiCollection collection(prompts, files);
  if (!inputs.sources.empty() && !collection.Collect(inputs.sources, inputs.collection)) return;
  const DatabaseSources sources = collection.Sources();

  // Where each name lies: in a record of the database that stays, or in a tune this run adds.
  struct Place {
    bool added;
    std::size_t index;
  };
  std::map<std::string, Place> places;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (IsNamed(records[i]) && plan.existing[i].kind == palm::RecordChange::Kind::Keep) {
      places.try_emplace(records[i].name, Place{false, i});
    }
  }
  // The collected file that goes in place of each record, and those that go behind them.
  std::vector<std::optional<std::size_t>> replacements(records.size());
  std::vector<std::size_t> added;
  for (std::size_t i = 0; i < collection.Count(); ++i) {
    const std::string& name = sources.record_names[i];
    const auto [place, is_new] = places.try_emplace(name, Place{true, added.size()});
    if (is_new) {
      added.push_back(i);
      continue;
    }
    const Place at = place->second;
    const std::size_t record_index = at.added ? records.size() + at.index : at.index;
    switch (prompts.AskYesNoCancel(ReplaceTuneMessage(name, RecordSubject(database, record_index, name)),
                                   kTuneExists)) {
      case Answer::Yes:
        if (at.added) {
          added[at.index] = i;
        } else {
          replacements[at.index] = i;
        }
        ++counts.replaced;
        break;
      case Answer::No:
        prompts.Note(SkippedNote(Topic::Skipped, sources.PathOf(i), kKeptInDatabase));
        break;
      case Answer::Cancel:
        return;
    }
  }
  counts.added = added.size();
  // Tunes going in may take the place of every record going out; nothing at all is refused.
  if (counts.removed > 0 && counts.removed == records.size() && counts.added == 0) {
    return Refuse(prompts, database, kWouldBeEmpty);
  }

  // Every tune in memory, as the edited image points into them.
  std::vector<std::vector<std::uint8_t>> tunes(collection.Count());
  const std::size_t tune_count = counts.added + counts.replaced;
  std::size_t read_count = 0;
  std::uint64_t read_bytes = 0;
  auto new_tune = [&](std::size_t i) {
    ReadCollectedTune(files, sources, i, tunes[i]);
    read_bytes += tunes[i].size();
    prompts.ReportProgress(Phase::Reading, ++read_count, tune_count, read_bytes);
    return palm::NewTune{sources.record_names[i], tunes[i]};
  };
  for (std::size_t r = 0; r < records.size(); ++r) {
    if (replacements[r]) plan.existing[r] = {palm::RecordChange::Kind::Replace, new_tune(*replacements[r])};
  }
  for (std::size_t i : added) plan.appended.push_back(new_tune(i));
  WriteEdited(prompts, files, clock, database, inputs.output_path, *loaded, plan, counts);
}
