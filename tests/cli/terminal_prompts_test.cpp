// The terminal's progress line: which phase a run is in, as the command says it.
#include "cli/terminal_prompts.h"

#include <gtest/gtest.h>

namespace {

class RecordingConsole : public Console {
 public:
  bool IsTerminal(Stream) override { return true; }
  bool InputIsTerminal() override { return false; }
  bool Write(Stream stream, std::string_view text, Encoding) override {
    if (stream == Stream::Err) err.append(text);
    return true;
  }
  std::optional<std::string> Ask(std::string_view) override { return std::nullopt; }
  std::string err;
};

TEST(TerminalProgress, EachPhaseIsLabelled) {
  RecordingConsole console;
  TerminalPrompts prompts(console, {}, false, std::chrono::milliseconds(0));
  prompts.ReportProgress(Phase::Reading, 5537, 6014, 0);
  EXPECT_EQ(console.err, "\rreading 5537/6014   ");
  console.err.clear();
  prompts.ReportProgress(Phase::Writing, 6014, 6014, 6815744);
  EXPECT_EQ(console.err.rfind("\rwriting 6014/6014, ", 0), 0u) << console.err;
  EXPECT_NE(console.err.find("B/s   "), std::string::npos) << console.err;
}

}  // namespace
