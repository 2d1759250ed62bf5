// One record's tune, as extract would write it: for the page's row that saves one tune, and for
// a command that plays one record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/outcome.h"
#include "commands/prompts.h"
#include "commands/record_choice.h"
#include "seams/file_system.h"

struct RecordTune {
  Outcome outcome;
  std::string file_name;           // as extract names its file (record text); "" after a refusal
  std::vector<std::uint8_t> tune;  // the bytes extract writes
};

// The tune of the record `choice` names in the database at `path`: "#N", or a name (its first
// record of that name). A file that is no database, a choice that matches nothing and a record
// that holds no tune are refused with the reason. Raises InOutError when the file cannot be read.
RecordTune TakeRecordTune(Prompts& prompts, FileSystem& files, const std::string& path, const RecordChoice& choice);
