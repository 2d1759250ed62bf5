// `carillo render`: the sound a handheld makes of a tune, as a WAV file to listen to before syncing.
#pragma once

#include <optional>
#include <string>

#include "commands/outcome.h"
#include "commands/prompts.h"
#include "commands/record_choice.h"
#include "handheld/handheld_player.h"
#include "handheld/ring_shaper.h"
#include "seams/file_system.h"

struct RenderInputs {
  std::string source_path = {};              // a MIDI file, or a database with `record`
  std::optional<RecordChoice> record = {};   // the database's record, by name (its first) or "#N"
  std::string destination_path = {};         // the WAV file
  unsigned volume = handheld::kMaxVolume;    // the alarm volume, 0 to 64
  std::optional<handheld::RingOptions> ring = {};  // shape the tune to ring first
};

// Writes what the handheld sounds as a 16-bit mono WAV file at 22050 Hz. A tune that plays, or
// stops early, is written; one that plays nothing, divides by zero or would last past 30 minutes
// writes nothing and is refused with the reason ("not rendered: ...").
Outcome RenderTune(Prompts& prompts, FileSystem& files, const RenderInputs& inputs);
