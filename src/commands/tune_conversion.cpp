#include "commands/tune_conversion.h"

std::optional<std::vector<std::uint8_t>> ReadWholeFile(FileSystem& files, const std::string& path,
                                                       std::uint64_t limit) {
  std::unique_ptr<InputFile> file = files.OpenRead(path);
  const std::uint64_t size = file->Size();
  if (size > limit) {
    file->Close();
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  file->Read(bytes.data(), bytes.size());
  file->Close();
  return bytes;
}

std::string ProblemText(const midi::Problem& problem) {
  return problem.text + " (at byte " + std::to_string(problem.offset) + ")";
}
