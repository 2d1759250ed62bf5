#include "commands/tune_conversion.h"

std::string ProblemText(const midi::Problem& problem) {
  return problem.text + " (at byte " + std::to_string(problem.offset) + ")";
}
