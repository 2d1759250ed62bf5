// A record named on the command line or chosen on the page: by its name, or "#N" for record N as
// the listing numbers them, whatever its name or kind.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

struct RecordChoice {
  std::string name = {};      // record text (Windows-1252), or "#N"
  std::string as_given = {};  // the platform's text, for the messages about it
};

// The record number of "#N" (0 for "#0", and one past the most a database holds for a larger N);
// nullopt for a name.
std::optional<std::size_t> RecordNumber(const std::string& choice);
