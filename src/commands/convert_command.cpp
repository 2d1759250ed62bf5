#include "commands/convert_command.h"

#include <memory>

#include "commands/messages.h"
#include "commands/tune_conversion.h"
#include "midi/smf_format0.h"

void ConvertMidiFile(Prompts& prompts, FileSystem& files, const ConvertInputs& inputs) {
  const Subject source_subject{inputs.source_path, 0, {}};
  const Subject destination_subject{inputs.destination_path, 0, {}};
  if (!files.FileExists(inputs.source_path)) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kFileDoesNotExist, source_subject));
    return;
  }
  std::optional<std::vector<std::uint8_t>> source = ReadWholeFile(files, inputs.source_path, kLargestConvertibleFile);
  if (!source) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kTooLargeToConvert, source_subject));
    return;
  }
  midi::ConvertResult converted = midi::ConvertToFormat0(*source);
  if (converted.problem) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, ProblemText(*converted.problem), source_subject));
    return;
  }
  if (files.DirectoryExists(inputs.destination_path)) {
    prompts.ShowInputError(Field::Edit2, MakeMessage(Topic::Refusal, kFileOrDirectoryExists, destination_subject));
    return;
  }
  if (files.FileExists(inputs.destination_path)) {
    switch (prompts.AskYesNoCancel(OverwriteMessage(Topic::ReplaceFile, inputs.destination_path), kOverwriteProblem)) {
      case Answer::Yes:
        break;
      case Answer::No:
        prompts.Note(MakeMessage(Topic::KeptOutput, kKeptExisting, destination_subject));
        return;
      case Answer::Cancel:
        return;
    }
  }
  std::unique_ptr<OutputFile> file = files.Create(inputs.destination_path, Durability::Closed);
  file->Write(converted.bytes.data(), converted.bytes.size());
  file->Close();
  prompts.ShowInformation(
      MakeMessage(Topic::Summary, ConvertedText(converted.bytes.size(), converted.bytes == *source), destination_subject),
      kSuccess);
}
