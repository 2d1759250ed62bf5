#include "commands/convert_command.h"

#include <algorithm>
#include <memory>

#include "commands/messages.h"
#include "commands/tune_conversion.h"
#include "midi/smf_format0.h"

Outcome ConvertMidiFile(Prompts& prompts, FileSystem& files, const ConvertInputs& inputs) {
  Outcome outcome;
  const Subject source_subject = PathSubject(inputs.source_path);
  const Subject destination_subject = PathSubject(inputs.destination_path);
  auto refuse = [&](Field field, std::string_view text, const Subject& subject) {
    Refuse(prompts, outcome, field, MakeMessage(Topic::Refusal, text, subject));
    return outcome;
  };
  if (!files.FileExists(inputs.source_path)) return refuse(Field::Edit1, kFileDoesNotExist, source_subject);
  const std::unique_ptr<FileBlock> source = ReadWholeFile(files, inputs.source_path, kLargestConvertibleFile);
  if (!source) return refuse(Field::Edit1, kTooLargeToConvert, source_subject);
  std::string problem;
  const std::span<const std::uint8_t> original = source->Bytes();
  std::optional<std::vector<std::uint8_t>> converted = ConvertedTune(original, inputs.conversion, inputs.ring, problem);
  if (!converted) return refuse(Field::Edit1, problem, source_subject);
  if (files.DirectoryExists(inputs.destination_path)) {
    return refuse(Field::Edit2, kFileOrDirectoryExists, destination_subject);
  }
  if (files.FileExists(inputs.destination_path)) {
    switch (prompts.AskYesNoCancel(OverwriteMessage(Topic::ReplaceFile, inputs.destination_path), kOverwriteProblem)) {
      case Answer::Yes: break;
      case Answer::No: NoteKept(prompts, outcome, inputs.destination_path); return outcome;
      case Answer::Cancel: outcome.End(Ending::Cancelled); return outcome;
    }
  }
  std::unique_ptr<OutputFile> file = files.Create(inputs.destination_path, Durability::Closed);
  file->Write(converted->data(), converted->size());
  file->Close();
  outcome.written = inputs.destination_path;
  outcome.tunes = 1;
  if (inputs.conversion == Conversion::Ring) {
    prompts.Note(ShapedNote(inputs.source_path, original.size(), converted->size()));
    return outcome;
  }
  const bool unchanged = std::equal(original.begin(), original.end(), converted->begin(), converted->end());
  prompts.ShowInformation(MakeMessage(Topic::Summary, ConvertedText(converted->size(), unchanged), destination_subject),
                          kSuccess);
  return outcome;
}
