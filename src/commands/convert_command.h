// `carillo convert`: one MIDI file as a format-0 file, the format most handhelds play.
#pragma once

#include <string>

#include "commands/outcome.h"
#include "commands/prompts.h"
#include "commands/tune_conversion.h"
#include "seams/file_system.h"

struct ConvertInputs {
  std::string source_path = {};       // marked as Edit1
  std::string destination_path = {};  // marked as Edit2
  Conversion conversion = Conversion::ToFormat0;  // or Conversion::Ring
  handheld::RingOptions ring = {};
};

// Writes the conversion of the source to the destination, asking before it replaces a file.
// A source the reader refuses, or a format-2 file, is refused at Edit1 with the reason; so is one
// the shaper refuses. A tune shaped to ring is noted with its size before and after, and that
// is the run's summary.
Outcome ConvertMidiFile(Prompts& prompts, FileSystem& files, const ConvertInputs& inputs);
