// The steps that every command records in its outcome as it tells them.
#include "commands/outcome.h"

void Refuse(Prompts& prompts, Outcome& outcome, Field field, const Message& message) {
  prompts.ShowInputError(field, message);
  outcome.End(Ending::Refused);
}

void NoteSkipped(Prompts& prompts, Outcome& outcome, Topic topic, const std::string& path, std::string_view reason) {
  const Message note = SkippedNote(topic, path, reason);
  prompts.Note(note);
  outcome.skipped.push_back({path, std::string(reason), topic == Topic::SkippedUnusable});
}

void NoteKept(Prompts& prompts, Outcome& outcome, const std::string& path) {
  prompts.Note(MakeMessage(Topic::KeptOutput, kKeptExisting, PathSubject(path)));
  ++outcome.kept;
}
