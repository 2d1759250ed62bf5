#include "commands/render_command.h"

#include <memory>
#include <vector>

#include "commands/handheld_text.h"
#include "commands/messages.h"
#include "commands/tune_command.h"
#include "commands/tune_conversion.h"
#include "handheld/wave_render.h"

namespace {

// "2 h 3 min", "4 min 5 s", "6.0 s": how long a sound would last.
std::string Duration(double seconds) {
  const auto whole = static_cast<unsigned long long>(seconds);
  if (whole >= 3600) return std::to_string(whole / 3600) + " h " + std::to_string(whole / 60 % 60) + " min";
  if (whole >= 60) return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
  return SecondsText(seconds) + " s";
}

}  // namespace

Outcome RenderTune(Prompts& prompts, FileSystem& files, const RenderInputs& inputs) {
  Outcome outcome;
  const Subject source = PathSubject(inputs.source_path);
  auto not_rendered = [&](const std::string& why) {
    Refuse(prompts, outcome, Field::Edit1, MakeMessage(Topic::Refusal, "not rendered: " + why, source));
    return outcome;
  };
  std::vector<std::uint8_t> tune;
  if (inputs.record) {
    RecordTune taken = TakeRecordTune(prompts, files, inputs.source_path, *inputs.record);
    if (taken.outcome.ending != Ending::Done) return taken.outcome;
    tune = std::move(taken.tune);
  } else {
    if (!files.FileExists(inputs.source_path)) {
      Refuse(prompts, outcome, Field::Edit1, MakeMessage(Topic::Refusal, kFileDoesNotExist, source));
      return outcome;
    }
    const std::unique_ptr<FileBlock> read = ReadWholeFile(files, inputs.source_path, kLargestConvertibleFile);
    if (!read) return not_rendered("the file is larger than any tune");
    tune.assign(read->Bytes().begin(), read->Bytes().end());
  }
  if (inputs.ring) {
    std::string problem;
    std::optional<std::vector<std::uint8_t>> shaped = ConvertedTune(tune, Conversion::Ring, *inputs.ring, problem);
    if (!shaped) return not_rendered(problem);
    prompts.Note(ShapedNote(inputs.source_path, tune.size(), shaped->size()));
    tune = std::move(*shaped);
  }

  const handheld::HandheldPlay play = handheld::PlayOnHandheld(tune, inputs.volume);
  if (play.outcome == handheld::PlayOutcome::Silent || play.outcome == handheld::PlayOutcome::DividesByZero) {
    return not_rendered(PlayText(play));
  }
  const handheld::Wave wave = handheld::RenderWave(play);
  if (wave.outcome == handheld::RenderOutcome::TooLong) {
    return not_rendered("it would last " + Duration(wave.seconds) + ", more than 30 minutes");
  }

  const std::string& destination = inputs.destination_path;
  if (files.DirectoryExists(destination)) {
    Refuse(prompts, outcome, Field::Edit2, MakeMessage(Topic::Refusal, kFileOrDirectoryExists, PathSubject(destination)));
    return outcome;
  }
  if (files.FileExists(destination)) {
    switch (prompts.AskYesNoCancel(OverwriteMessage(Topic::ReplaceFile, destination), kOverwriteProblem)) {
      case Answer::Yes: break;
      case Answer::No: NoteKept(prompts, outcome, destination); return outcome;
      case Answer::Cancel: outcome.End(Ending::Cancelled); return outcome;
    }
  }
  const std::vector<std::uint8_t> wav = handheld::WavFile(wave.samples);
  std::unique_ptr<OutputFile> file = files.Create(destination, Durability::Closed);
  file->Write(wav.data(), wav.size());
  file->Close();
  outcome.written = destination;
  outcome.tunes = 1;
  prompts.ShowInformation(MakeMessage(Topic::Summary, "Rendered: " + PlayText(play) + ".", PathSubject(destination)),
                          kSuccess);
  return outcome;
}
