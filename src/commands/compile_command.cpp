// "Compile!": input checks, the collection of the usable MIDI files, and the hand-over to the writer.
#include "commands/compile_command.h"

#include <algorithm>
#include <utility>

#include "commands/database_writer.h"
#include "commands/messages.h"
#include "seams/app_error.h"
#include "seams/paths.h"

CompileCommand::CompileCommand(Prompts& prompts, FileSystem& files, Clock& clock, CompileInputs inputs)
    : prompts_(prompts), files_(files), clock_(clock), inputs_(std::move(inputs)) {}

bool CompileCommand::CheckCompileInputs() {
  const std::vector<std::string>& sources = inputs_.sources;
  const bool thorough = inputs_.collection.thorough;
  if (sources.empty() || std::any_of(sources.begin(), sources.end(), [](const std::string& s) { return s.empty(); })) {
    Refuse(prompts_, outcome_, Field::Edit3, MakeMessage(Topic::Refusal, kNoDirectorySelected));
    return false;
  }
  const std::string& destination = inputs_.destination_path;
  if (destination.empty()) {
    Refuse(prompts_, outcome_, Field::Edit4, MakeMessage(Topic::Refusal, kNoDatabaseSelected));
    return false;
  }
  if (inputs_.database_name.empty()) {
    Refuse(prompts_, outcome_, Field::Edit5, MakeMessage(Topic::Refusal, kNoDatabaseNameGiven));
    return false;
  }
  for (const std::string& source : sources) {
    if (files_.DirectoryExists(source) || (thorough && files_.FileExists(source))) continue;
    Refuse(prompts_, outcome_, Field::Edit3,
           MakeMessage(Topic::Refusal, MissingSourceText(source, thorough), PathSubject(source)));
    return false;
  }
  std::string destination_directory = ExtractFilePath(destination);
  if (!files_.DirectoryExists(destination_directory)) {
    if (prompts_.AskMarkedQuestion(Field::Edit4, MakeMessage(Topic::CreateDirectory, kCreateDirectoryQuestion,
                                                             PathSubject(destination_directory))) != Answer::Yes) {
      outcome_.End(Ending::Cancelled);
      return false;
    }
    // For the window a failed creation shows up when the writer creates the database there.
    if (!ForceDirectories(files_, destination_directory)) {
      prompts_.Note(MakeMessage(Topic::DirectoryNotMade, kUnableToCreateDirectory, PathSubject(destination_directory)));
    }
  }
  if (files_.DirectoryExists(destination)) {
    Refuse(prompts_, outcome_, Field::Edit4, MakeMessage(Topic::Refusal, kFileOrDirectoryExists, PathSubject(destination)));
    return false;
  }
  if (!files_.FileExists(destination)) return true;
  switch (prompts_.AskMarkedQuestion(
      Field::Edit4, MakeMessage(Topic::ReplaceFile, kReplaceDatabaseQuestion, PathSubject(destination)))) {
    case Answer::Yes: return true;
    case Answer::No: NoteKept(prompts_, outcome_, destination); return false;
    case Answer::Cancel: outcome_.End(Ending::Cancelled); return false;
  }
  return false;
}

void CompileCommand::CompileDatabase() {
  // The lists live for this step only, also when the writer fails.
  MidiCollection collection(prompts_, files_, outcome_);
  if (!collection.Collect(inputs_.sources, inputs_.collection)) return;
  if (inputs_.collection.thorough) collection.NoteNameClashes();
  WriteDatabase(prompts_, files_, clock_, inputs_.destination_path, inputs_.database_name, collection.Sources(),
                outcome_);
}
