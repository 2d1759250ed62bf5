#include "commands/record_choice.h"

#include <algorithm>

#include "format/palm_database.h"

std::optional<std::size_t> RecordNumber(const std::string& choice) {
  if (choice.size() < 2 || choice[0] != '#') return std::nullopt;
  std::size_t number = 0;
  for (std::size_t i = 1; i < choice.size(); ++i) {
    if (choice[i] < '0' || choice[i] > '9') return std::nullopt;
    number = std::min<std::size_t>(number * 10 + static_cast<std::size_t>(choice[i] - '0'), palm::kMaxRecords + 1);
  }
  return number;
}
