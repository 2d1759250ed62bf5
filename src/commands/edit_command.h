// Add and remove: an existing Palm MIDI database edited, its other records and everything else it
// holds kept byte for byte.
#pragma once

#include <string>
#include <vector>

#include "commands/midi_collection.h"
#include "commands/outcome.h"
#include "commands/prompts.h"
#include "commands/record_choice.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct EditInputs {
  std::string database_path = {};
  std::vector<RecordChoice> removals = {};  // the records that go
  std::vector<std::string> sources = {};    // MIDI files and directories, in the order their tunes go in
  CollectionOptions collection = {};
  std::string output_path = {};  // where the result goes; "" for the database itself
};

// Removes the chosen records, then adds the tunes, in one edit. Every record of a chosen name
// goes; a choice that matches nothing is refused. A tune named as a record being removed goes in
// behind the others without a question; one named as a record that stays, or as a tune added
// earlier, asks the Yes/No/Cancel question "Tune exists": Yes puts it in place of the first record
// of that name. Removing every record is refused unless a tune goes in. Refusals, a Cancel and the
// limits leave everything as it was; a failed file operation raises InOutError.
Outcome EditTunes(Prompts& prompts, FileSystem& files, Clock& clock, const EditInputs& inputs);
