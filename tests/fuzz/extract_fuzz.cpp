// libFuzzer entry for a whole Extract: the bytes become a database file, extracted through the
// native file layer into a scratch directory that is emptied after every run and removed at exit.
// Every box must be one the command may show, in an order it may show them; every file written
// must be a tune of the database; nothing may appear in the scratch directory but the database
// and the destination.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "commands/extract_command.h"
#include "commands/messages.h"
#include "format/palm_database.h"
#include "seams/app_error.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "extract_fuzz: %s\n", why.c_str());
  std::abort();
}

constexpr char kScratchPrefix[] = "carillo-extract-fuzz-";

// Made once per process, removed when the process ends normally (libFuzzer exits through exit()).
// A crash leaves it behind, so each process first removes those of processes no longer running.
class Scratch {
 public:
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path parent = tmp && *tmp ? tmp : "/tmp";
    RemoveAbandoned(parent);
    std::string pattern = (parent / (kScratchPrefix + std::to_string(getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) Fail("cannot make a scratch directory");
    root_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  const fs::path& root() const { return root_; }

 private:
  static void RemoveAbandoned(const fs::path& parent) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(parent, error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(kScratchPrefix, 0) != 0) continue;
      const long pid = std::strtol(name.c_str() + std::strlen(kScratchPrefix), nullptr, 10);
      if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) fs::remove_all(entry.path(), error);
    }
  }

  fs::path root_;
};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Answers every overwrite question alike; checks each box as it comes.
class CheckingPrompts : public Prompts {
 public:
  // `unreadable`: the records of the database whose signature lies past its end.
  CheckingPrompts(Answer overwrite, std::size_t unreadable) : overwrite_(overwrite), unreadable_(unreadable) {}

  void ShowInputError(Field field, const Message& shown) override {
    const std::string& message = shown.text;
    static const std::string_view kRefusals[] = {kFileIsEmpty, kWrongFileFormat, kNotARecordDatabase,
                                                 kDatabaseIsEmpty, kNoMidiFilesInDatabase};
    if (field != Field::Edit1 || std::find(std::begin(kRefusals), std::end(kRefusals), message) == std::end(kRefusals)) {
      Fail("unexpected input error: " + message);
    }
    Close(message);
  }
  Answer AskMarkedQuestion(Field field, const Message& asked) override {
    const std::string& question = asked.text;
    if (field != Field::Edit2 || question != kCreateDirectoryQuestion || boxes_ != 0) Fail("unexpected question");
    ++boxes_;
    return Answer::Yes;
  }
  void ShowWarning(const Message& shown, const std::string& caption) override {
    const std::string& text = shown.text;
    if (closed_ || caption != kMidiError) Fail("warning after the run or with a caption of its own");
    // A record name may read like any text, so a record's warning is told by its beginning.
    if (StartsWith(text, kWrongMidiFormat)) {
      if (told_unreadable_) Fail("a record's warning after the count of unreadable ones");
    } else if (text == UnreadableRecordsText(unreadable_)) {
      if (told_unreadable_) Fail("unreadable records told twice");
      told_unreadable_ = true;
    } else {
      Fail("unexpected warning: " + text);
    }
    ++boxes_;
  }
  bool AskOkCancel(const Message&, const std::string&) override { Fail("Extract asked OK/Cancel"); }
  Answer AskYesNoCancel(const Message& shown, const std::string& caption) override {
    const std::string& text = shown.text;
    if (closed_ || caption != kOverwriteProblem || !EndsWith(text, kAlreadyExistsOverwrite)) Fail("odd question");
    ++boxes_;
    if (overwrite_ == Answer::Cancel) cancelled_ = true;
    return overwrite_;
  }
  void ShowInformation(const Message& shown, const std::string& caption) override {
    const std::string& text = shown.text;
    if (caption != kSuccess || !EndsWith(text, kSuccessfullyExtracted)) Fail("unexpected information: " + text);
    summary_ = text;
    Close(text);
  }

  bool closed() const { return closed_; }
  bool told_unreadable() const { return told_unreadable_; }
  bool cancelled() const { return cancelled_; }
  const std::string& summary() const { return summary_; }
  const std::string& closing() const { return closing_; }

 private:
  void Close(const std::string& text) {
    if (closed_ || cancelled_) Fail("a second closing box, or one after a Cancel: " + text);
    closed_ = true;
    closing_ = text;
    ++boxes_;
  }

  Answer overwrite_;
  std::size_t unreadable_;
  int boxes_ = 0;
  bool closed_ = false;
  bool cancelled_ = false;
  bool told_unreadable_ = false;
  std::string summary_;
  std::string closing_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  const fs::path database = scratch.root() / "in.pdb";
  const fs::path out = scratch.root() / "out";
  WriteBytes(database, std::vector<std::uint8_t>(data, data + size));

  // The answer to every overwrite question comes from the size, so that each input keeps its own.
  const Answer overwrite = static_cast<Answer>(size % 3);
  // Counted apart, through the reader alone, for the warning the run must give.
  std::size_t unreadable = 0;
  palm::DatabaseReader reader({data, size});
  if (reader.RecordListFits()) {
    for (std::uint16_t i = 0; i < reader.RecordCount(); ++i) {
      unreadable += reader.ReadRecord(reader.Extent(i)).status == palm::RecordStatus::Unreadable;
    }
  }
  CheckingPrompts prompts(overwrite, unreadable);
  std::unique_ptr<FileSystem> files = MakePlatformFileSystem();
  // A destination two levels below a missing directory: the run creates both.
  ExtractCommand command(prompts, *files, {database.string(), out.string() + "\\deep"});
  bool failed = false;
  try {
    if (!command.CheckExtractInputs()) Fail("the checks refused a database that exists");
    command.ExtractDatabase();
  } catch (const InOutError&) {
    failed = true;  // a record name the file system refuses, such as one too long
  }
  if (!failed && !prompts.closed() && !prompts.cancelled()) Fail("the run ended without a closing box");
  if (!prompts.summary().empty() && prompts.summary() != ExtractedText(command.Result().tunes)) {
    Fail("summary does not count the files written: " + prompts.summary());
  }
  if (prompts.closing() == kNoMidiFilesInDatabase && command.Result().tunes != 0) Fail("none found, but written");
  // Every run that walked the records to their end tells of the unreadable ones.
  const bool walked = prompts.closing() == kNoMidiFilesInDatabase || !prompts.summary().empty();
  if (walked && (unreadable > 0) != prompts.told_unreadable()) Fail("unreadable records not told");

  std::size_t found = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(scratch.root())) {
    if (entry.path() != database && entry.path() != out) Fail("written outside the destination: " + entry.path().string());
  }
  if (fs::exists(out)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(out)) {
      if (entry.path() != out / "deep") Fail("written outside the destination: " + entry.path().string());
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(out / "deep")) {
      if (!entry.is_regular_file() || !EndsWith(entry.path().filename().string(), ".mid")) {
        Fail("not a tune: " + entry.path().string());
      }
      std::vector<std::uint8_t> tune = ReadBytes(entry.path());
      if (failed) continue;  // the file being written when the run failed stays as far as it got
      if (tune.size() < 4 || !std::equal(tune.begin(), tune.begin() + 4, "MThd") ||
          std::search(data, data + size, tune.begin(), tune.end()) == data + size) {
        Fail("a file that is not a tune of the database: " + entry.path().string());
      }
      ++found;
    }
  }
  // Kept files are not written again, so without Yes every count is a file of its own.
  if (!failed && overwrite != Answer::Yes && found != command.Result().tunes) Fail("written count is not the files");
  if (!failed && found > command.Result().tunes) Fail("more files than counted");

  std::error_code ignored;
  fs::remove_all(out, ignored);
  return 0;
}
