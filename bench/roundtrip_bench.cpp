// Times compiling a directory of MIDI files into a database and extracting it again, each next to
// a plain copy of the same bytes (read whole file, write whole file) measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "commands/compile_command.h"
#include "commands/extract_command.h"
#include "seams/app_error.h"
#include "seams/file_system.h"
#include "seams/paths.h"
#include "support/compile_fixtures.h"
#include "support/midi_files.h"
#include "support/temp_dir.h"

namespace {

// Answers every question with Cancel and keeps every text, so a stray question shows in the output.
class RecordingPrompts : public Prompts {
 public:
  void ShowInputError(Field, const Message& message) override { shown.push_back(message.text); }
  Answer AskMarkedQuestion(Field, const Message& question) override { return Record(question.text) ? Answer::Yes : Answer::Cancel; }
  void ShowWarning(const Message& message, const std::string&) override { shown.push_back(message.text); }
  bool AskOkCancel(const Message& question, const std::string&) override { return Record(question.text); }
  Answer AskYesNoCancel(const Message& question, const std::string&) override {
    Record(question.text);
    return Answer::Cancel;
  }
  void ShowInformation(const Message& message, const std::string&) override { shown.push_back(message.text); }

  std::vector<std::string> shown;

 private:
  bool Record(const std::string& text) {
    shown.push_back(text);
    return false;
  }
};

std::vector<std::uint8_t> ReadWhole(FileSystem& files, const std::string& path) {
  auto in = files.OpenRead(path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in->Size()));
  in->Read(bytes.data(), bytes.size());
  in->Close();
  return bytes;
}

void WriteWhole(FileSystem& files, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  auto out = files.Create(path, Durability::Closed);
  out->Write(bytes.data(), bytes.size());
  out->Close();
}

// Format-0 MIDI files of 2 to 60 KB; the same names, sizes and bytes on every run. Adds their
// sizes to `total_bytes`.
std::vector<std::string> MakeMidiFiles(const std::string& directory, int count, std::uint64_t& total_bytes) {
  std::uint32_t state = 20040101;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    std::size_t size = 2 * 1024 + state % (58 * 1024 + 1);
    char name[32];
    std::snprintf(name, sizeof name, "tune%05d.mid", i);
    names.push_back(name);
    WriteBytes(JoinPath(directory, name), MidiBytes(size, 0, static_cast<unsigned>(i)));
    total_bytes += size;
  }
  return names;
}

double Seconds(std::chrono::steady_clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

template <typename Step>
double Time(Step step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return Seconds(std::chrono::steady_clock::now() - start);
}

bool Expect(bool condition, const char* what) {
  if (!condition) std::fprintf(stderr, "FAILED: %s\n", what);
  return condition;
}

int Run(const std::string& parent, int count, int rounds) {
  const TempDir work_directory(parent);
  const std::string& work = work_directory.path();
  auto files = MakePlatformFileSystem();
  FixedClock clock;

  const std::string source = JoinPath(work, "source");
  files->CreateDir(source);
  std::uint64_t total_bytes = 0;
  std::vector<std::string> names = MakeMidiFiles(source, count, total_bytes);
  std::printf("%d MIDI files, %.1f MB, %d rounds (best of each shown)\n", count, total_bytes / 1048576.0, rounds);

  double best_copy = 1e30, best_compile = 1e30, best_extract = 1e30;
  bool ok = true;
  for (int round = 0; round < rounds; ++round) {
    const std::string tag = std::to_string(round);
    const std::string copy = JoinPath(work, "copy" + tag), database = JoinPath(work, "out" + tag + ".pdb"),
                      extracted = JoinPath(work, "extracted" + tag);
    files->CreateDir(copy);
    files->CreateDir(extracted);

    RecordingPrompts compile_prompts, extract_prompts;
    double copy_time = 0, compile_time = 0, extract_time = 0;
    // Plain copy, in the listing's order as the compile takes them.
    auto plain_copy = [&] {
      copy_time = Time([&] {
        for (const DirectoryEntry& entry : files->FindFiles(JoinPath(source, "*.mid"))) {
          WriteWhole(*files, JoinPath(copy, entry.name), ReadWhole(*files, JoinPath(source, entry.name)));
        }
      });
    };
    auto compile = [&] {
      compile_time = Time([&] {
        CompileCommand command(compile_prompts, *files, clock, {{source}, database, "Bench", {}});
        if (command.CheckCompileInputs()) command.CompileDatabase();
      });
    };
    auto extract = [&] {
      extract_time = Time([&] {
        ExtractCommand command(extract_prompts, *files, {database, extracted});
        if (command.CheckExtractInputs()) command.ExtractDatabase();
      });
    };
    // The copy moves through the round, so that no step always runs on a machine busy writing
    // back the previous step's files.
    switch (round % 3) {
      case 0: plain_copy(); compile(); extract(); break;
      case 1: compile(); plain_copy(); extract(); break;
      default: compile(); extract(); plain_copy(); break;
    }
    ok &= Expect(compile_prompts.shown == std::vector<std::string>{std::to_string(count) + " MIDI files successfully compiled."},
                 "compile reports every file and asks nothing");
    ok &= Expect(extract_prompts.shown == std::vector<std::string>{std::to_string(count) + " MIDI files successfully extracted."},
                 "extract reports every file and asks nothing");

    if (round == 0) {
      for (const auto& name : names) {
        if (ReadWhole(*files, JoinPath(source, name)) != ReadWhole(*files, JoinPath(extracted, name))) {
          ok &= Expect(false, ("round trip keeps " + name).c_str());
          break;
        }
      }
    }
    std::printf("round %d: copy %.3f s, compile %.3f s, extract %.3f s\n", round, copy_time, compile_time, extract_time);
    best_copy = std::min(best_copy, copy_time);
    best_compile = std::min(best_compile, compile_time);
    best_extract = std::min(best_extract, extract_time);
  }

  std::printf("plain copy  %8.3f s\n", best_copy);
  std::printf("compile     %8.3f s  %.2fx copy\n", best_compile, best_compile / best_copy);
  std::printf("extract     %8.3f s  %.2fx copy\n", best_extract, best_extract / best_copy);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: roundtrip_bench DIRECTORY [FILES=5000] [ROUNDS=3]\n"
                         "  works in a fresh directory below DIRECTORY, removed afterwards\n");
    return 2;
  }
  int count = argc > 2 ? std::atoi(argv[2]) : 5000;
  int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  try {
    return Run(argv[1], count, rounds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "error: %s\n", GeneralErrorText(error.what()).c_str());
    return 1;
  }
}
