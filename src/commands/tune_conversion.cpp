#include "commands/tune_conversion.h"

#include "midi/smf_format0.h"

std::string ProblemText(const midi::Problem& problem) {
  return problem.text + " (at byte " + std::to_string(problem.offset) + ")";
}

std::optional<std::vector<std::uint8_t>> ConvertedTune(std::span<const std::uint8_t> tune, Conversion conversion,
                                                       const handheld::RingOptions& ring, std::string& problem) {
  switch (conversion) {
    case Conversion::AsStored: return std::vector<std::uint8_t>(tune.begin(), tune.end());
    case Conversion::ToFormat0: {
      midi::ConvertResult converted = midi::ConvertToFormat0(tune);
      if (!converted.problem) return std::move(converted.bytes);
      problem = ProblemText(*converted.problem);
      return std::nullopt;
    }
    case Conversion::Ring: {
      handheld::ShapedTune shaped = handheld::ShapeToRing(tune, ring);
      if (!shaped.Refused()) return std::move(shaped.bytes);
      problem = shaped.offset ? ProblemText({*shaped.offset, shaped.refusal}) : shaped.refusal;
      return std::nullopt;
    }
  }
  return std::nullopt;
}
