// Add and remove, as steps: the checks, the database read whole into its parts, the removals and
// the additions planned, the tunes read, the edited copy written in one go.
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

// The image and its parts, which point into it.
struct LoadedDatabase {
  std::unique_ptr<FileBlock> image;
  palm::EditableDatabase parts;
};

// The edit as it is planned: what becomes of each record, and the tunes it reads.
struct PlannedEdit {
  palm::EditPlan plan;
  std::vector<std::optional<std::size_t>> replacements;  // by record: the collected tune in its place
  std::vector<std::size_t> added;                        // the collected tunes that go behind
  std::vector<std::vector<std::uint8_t>> tunes;          // by collected tune, once read
};

class Edit {
 public:
  Edit(Prompts& prompts, FileSystem& files, Clock& clock, const EditInputs& inputs)
      : prompts_(prompts), files_(files), clock_(clock), inputs_(inputs), collection_(prompts, files, outcome_) {}

  Outcome Run() {
    if (CheckTarget() && CheckSources() && Load() && PlanRemovals() && CollectTunes() && PlanAdditions() &&
        LeavesARecord()) {
      ReadTunes();
      WriteEdited();
    }
    return std::move(outcome_);
  }

 private:
  const std::string& Database() const { return inputs_.database_path; }
  bool Refuse(Field field, std::string_view text, const std::string& path) {
    ::Refuse(prompts_, outcome_, field, MakeMessage(Topic::Refusal, text, PathSubject(path)));
    return false;
  }

  // The database is there, and where the result goes can take it.
  bool CheckTarget() {
    const std::string& output = inputs_.output_path;
    if (!files_.FileExists(Database())) return Refuse(Field::Edit1, kFileDoesNotExist, Database());
    if (output.empty()) return true;
    if (files_.DirectoryExists(output)) return Refuse(Field::Edit4, kFileOrDirectoryExists, output);
    const std::string directory = ExtractFilePath(output);
    if (!directory.empty() && !files_.DirectoryExists(directory)) {
      return Refuse(Field::Edit4, kDirectoryDoesNotExist, directory);
    }
    if (!files_.FileExists(output)) return true;
    switch (prompts_.AskMarkedQuestion(Field::Edit4,
                                       MakeMessage(Topic::ReplaceFile, kReplaceDatabaseQuestion, PathSubject(output)))) {
      case Answer::Yes: return true;
      case Answer::No: NoteKept(prompts_, outcome_, output); return false;
      case Answer::Cancel: outcome_.End(Ending::Cancelled); return false;
    }
    return false;
  }

  bool CheckSources() {
    for (const std::string& source : inputs_.sources) {
      if (files_.DirectoryExists(source) || files_.FileExists(source)) continue;
      return Refuse(Field::Edit3, MissingSourceText(source, inputs_.collection.thorough), source);
    }
    return true;
  }

  bool Load() {
    database_.image = ReadWholeFile(files_, Database(), palm::kLargestDatabase);
    if (!database_.image) return Refuse(Field::Edit1, kLargerThanADatabase, Database());
    database_.parts = palm::ReadForEditing(database_.image->Bytes());
    if (database_.parts.status != palm::EditStatus::Editable) return Refuse(Field::Edit1, database_.parts.problem, Database());
    edit_.plan.existing.resize(Records().size());
    edit_.replacements.resize(Records().size());
    return true;
  }
  const std::vector<palm::EditableRecord>& Records() const { return database_.parts.records; }

  // Marks each chosen record Remove; false after refusing every choice that matches nothing.
  bool PlanRemovals() {
    bool unmatched = false;
    for (const RecordChoice& choice : inputs_.removals) {
      bool matched = false;
      if (const std::optional<std::size_t> number = RecordNumber(choice.name)) {
        matched = *number >= 1 && *number <= Records().size();
        if (matched) edit_.plan.existing[*number - 1].kind = palm::RecordChange::Kind::Remove;
        if (!matched) Refuse(Field::Edit1, NoRecordNumberText(choice.as_given, Records().size()), Database());
      } else {
        for (std::size_t r = 0; r < Records().size(); ++r) {
          if (!IsNamed(Records()[r]) || Records()[r].name != choice.name) continue;
          edit_.plan.existing[r].kind = palm::RecordChange::Kind::Remove;
          matched = true;
        }
        if (!matched) Refuse(Field::Edit1, NoRecordNamedText(choice.as_given), Database());
      }
      unmatched = unmatched || !matched;
    }
    for (const palm::RecordChange& change : edit_.plan.existing) {
      outcome_.removed += change.kind == palm::RecordChange::Kind::Remove;
    }
    return !unmatched;
  }

  bool CollectTunes() { return inputs_.sources.empty() || collection_.Collect(inputs_.sources, inputs_.collection); }

  // Where each collected tune goes: behind the records, or, after "Tune exists", in place of the
  // record or tune of its name.
  bool PlanAdditions() {
    const DatabaseSources sources = collection_.Sources();
    // Where each name lies: in a record of the database that stays, or in a tune this run adds.
    struct Place {
      bool added;
      std::size_t index;
    };
    std::map<std::string, Place> places;
    for (std::size_t i = 0; i < Records().size(); ++i) {
      if (IsNamed(Records()[i]) && edit_.plan.existing[i].kind == palm::RecordChange::Kind::Keep) {
        places.try_emplace(Records()[i].name, Place{false, i});
      }
    }
    for (std::size_t i = 0; i < collection_.Count(); ++i) {
      const std::string& name = sources.record_names[i];
      const auto [place, is_new] = places.try_emplace(name, Place{true, edit_.added.size()});
      if (is_new) {
        edit_.added.push_back(i);
        continue;
      }
      const Place at = place->second;
      const std::size_t record_index = at.added ? Records().size() + at.index : at.index;
      switch (prompts_.AskYesNoCancel(ReplaceTuneMessage(name, RecordSubject(Database(), record_index, name)),
                                      kTuneExists)) {
        case Answer::Yes:
          if (at.added) {
            edit_.added[at.index] = i;
          } else {
            edit_.replacements[at.index] = i;
          }
          ++outcome_.replaced;
          break;
        case Answer::No:
          ++outcome_.kept;
          NoteSkipped(prompts_, outcome_, Topic::Skipped, sources.PathOf(i), kKeptInDatabase);
          break;
        case Answer::Cancel:
          outcome_.End(Ending::Cancelled);
          return false;
      }
    }
    outcome_.tunes = edit_.added.size();
    return true;
  }

  // Tunes going in may take the place of every record going out; nothing at all is refused.
  bool LeavesARecord() {
    if (outcome_.removed == 0 || outcome_.removed < Records().size() || outcome_.tunes > 0) return true;
    return Refuse(Field::Edit1, kWouldBeEmpty, Database());
  }

  // Every tune in memory, as the edited image points into them.
  void ReadTunes() {
    const DatabaseSources sources = collection_.Sources();
    edit_.tunes.resize(collection_.Count());
    const std::size_t tune_count = outcome_.tunes + outcome_.replaced;
    std::size_t read_count = 0;
    std::uint64_t read_bytes = 0;
    auto new_tune = [&](std::size_t i) {
      ReadCollectedTune(files_, sources, i, edit_.tunes[i]);
      read_bytes += edit_.tunes[i].size();
      prompts_.ReportProgress(Phase::Reading, ++read_count, tune_count, read_bytes);
      return palm::NewTune{sources.record_names[i], edit_.tunes[i]};
    };
    for (std::size_t r = 0; r < Records().size(); ++r) {
      if (edit_.replacements[r]) edit_.plan.existing[r] = {palm::RecordChange::Kind::Replace, new_tune(*edit_.replacements[r])};
    }
    for (std::size_t i : edit_.added) edit_.plan.appended.push_back(new_tune(i));
  }

  // Lays out the edit and writes it where it goes, then tells what changed. Nothing is written after
  // a refusal, nor for an edit that changes nothing unless a copy was asked for.
  void WriteEdited() {
    const std::size_t total = Records().size() + outcome_.tunes - outcome_.removed;
    const std::string& target = inputs_.output_path.empty() ? Database() : inputs_.output_path;
    if (outcome_.tunes + outcome_.replaced + outcome_.removed > 0 || !inputs_.output_path.empty()) {
      const palm::EditedImage edited =
          palm::LayOutEdit(database_.parts, edit_.plan, DateTimeToPalmDate(clock_.Now()), palm::kLargestDatabase);
      switch (edited.Outcome()) {
        case palm::EditOutcome::Done: break;
        case palm::EditOutcome::TooManyRecords: Refuse(Field::Edit1, kTooManyMidiFiles, Database()); return;
        case palm::EditOutcome::TooMuchData: Refuse(Field::Edit1, kTooMuchMidiData, Database()); return;
        case palm::EditOutcome::UniqueIdsExhausted: Refuse(Field::Edit1, edited.Problem(), Database()); return;
      }
      // Replaces `target` only once whole and on the disk: a failure or a Cancel leaves it as it was.
      std::unique_ptr<OutputFile> file = files_.Create(target, Durability::Flushed);
      for (std::span<const std::uint8_t> piece : edited.Pieces()) file->Write(piece.data(), piece.size());
      file->Close();
      outcome_.written = target;
    }
    prompts_.ShowInformation(MakeMessage(Topic::EditSummary,
                                         EditedText(outcome_.tunes, outcome_.replaced, outcome_.removed, total),
                                         PathSubject(target)),
                             kSuccess);
  }

  // A record that carries a name: compile's records, and those whose tune is not one.
  static bool IsNamed(const palm::EditableRecord& record) { return record.status != palm::RecordStatus::NotMidiRecord; }

  Prompts& prompts_;
  FileSystem& files_;
  Clock& clock_;
  const EditInputs& inputs_;
  Outcome outcome_;
  MidiCollection collection_;
  LoadedDatabase database_;
  PlannedEdit edit_;
};

}  // namespace

Outcome EditTunes(Prompts& prompts, FileSystem& files, Clock& clock, const EditInputs& inputs) {
  return Edit(prompts, files, clock, inputs).Run();
}
