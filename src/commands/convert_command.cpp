#include "commands/convert_command.h"

#include <memory>

#include "commands/messages.h"
#include "commands/tune_conversion.h"
#include "midi/smf_format0.h"

void ConvertMidiFile(Prompts& prompts, FileSystem& files, const ConvertInputs& inputs) {
  if (!files.FileExists(inputs.source_path)) {
    prompts.ShowInputError(Field::Edit1, kFileDoesNotExist);
    return;
  }
  std::optional<std::vector<std::uint8_t>> source = ReadWholeFile(files, inputs.source_path, kLargestConvertibleFile);
  if (!source) {
    prompts.ShowInputError(Field::Edit1, kTooLargeToConvert);
    return;
  }
  midi::ConvertResult converted = midi::ConvertToFormat0(*source);
  if (converted.problem) {
    prompts.ShowInputError(Field::Edit1, ProblemText(*converted.problem));
    return;
  }
  if (files.DirectoryExists(inputs.destination_path)) {
    prompts.ShowInputError(Field::Edit2, kFileOrDirectoryExists);
    return;
  }
  if (files.FileExists(inputs.destination_path) &&
      prompts.AskYesNoCancel(OverwriteText(inputs.destination_path), kOverwriteProblem) != Answer::Yes) {
    return;
  }
  std::unique_ptr<OutputFile> file = files.Create(inputs.destination_path, Durability::Closed);
  file->Write(converted.bytes.data(), converted.bytes.size());
  file->Close();
  prompts.ShowInformation(ConvertedText(converted.bytes.size(), converted.bytes == *source), kSuccess);
}
