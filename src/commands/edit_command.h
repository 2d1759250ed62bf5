// The command line's add and remove: an existing Palm MIDI database edited, its other records and
// everything else it holds kept byte for byte.
#pragma once

#include <string>
#include <vector>

#include "commands/midi_collection.h"
#include "commands/prompts.h"
#include "seams/clock.h"
#include "seams/file_system.h"

struct AddInputs {
  std::string database_path;
  std::vector<std::string> sources;  // MIDI files and directories, in the order their tunes go in
  CollectionOptions collection;
  std::string output_path;  // where the result goes; "" for the database itself
};

// A record to remove: by its name, or "#N" for record N as the listing numbers them.
struct RecordChoice {
  std::string name;      // record text (Windows-1252)
  std::string as_given;  // the platform's text, for the messages about it
};

struct RemoveInputs {
  std::string database_path;
  std::vector<RecordChoice> records;
  std::string output_path;  // as for AddInputs
};

// Each tune goes in after the existing records, or in place of the first record of its name when
// the Yes/No/Cancel question "Tune exists" is answered Yes. Refusals, a Cancel and the limits
// leave everything as it was; a failed file operation raises InOutError.
void AddTunes(Prompts& prompts, FileSystem& files, Clock& clock, const AddInputs& inputs);
// Every record of each name goes. A choice that matches nothing, or leaving no record, is refused
// with nothing written.
void RemoveTunes(Prompts& prompts, FileSystem& files, Clock& clock, const RemoveInputs& inputs);
// Both in one edit: the records chosen go first, so a tune named as one of them goes in behind
// the others without a question; removing every record is refused unless a tune goes in.
void EditTunes(Prompts& prompts, FileSystem& files, Clock& clock, const AddInputs& inputs,
               const std::vector<RecordChoice>& removals);
