// The core's entry points for the page: files handed over into memory, the commands run over
// them, and every question and message passed to the page, which answers in its own dialogs.
#include <emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "commands/compile_command.h"
#include "commands/edit_command.h"
#include "commands/extract_command.h"
#include "commands/messages.h"
#include "commands/prompts.h"
#include "format/palm_database.h"
#include "format/palm_text.h"
#include "listing/database_listing.h"
#include "listing/file_names.h"
#include "seams/app_error.h"
#include "seams/clock.h"
#include "web/memory_file_system.h"

// The page's side: carilloAsk resolves to 0 (OK, Yes), 1 (No) or 2 (Cancel); carilloTell shows a
// message in the message area. Texts are bytes: record names are Windows-1252, paths UTF-8.
// clang-format off
EM_ASYNC_JS(int, AskInPage, (int buttons, const char* text, int text_length, const char* caption), {
  return await Module.carilloAsk(buttons, HEAPU8.slice(text, text + text_length), UTF8ToString(caption));
});

EM_JS(void, TellPage, (const char* kind, const char* text, int text_length, const char* caption, const char* path,
                       int field), {
  Module.carilloTell(UTF8ToString(kind), HEAPU8.slice(text, text + text_length), UTF8ToString(caption),
                     UTF8ToString(path), field);
});
// clang-format on

namespace {

enum Buttons { kOkCancel = 0, kYesNoCancel = 1 };

void Tell(const char* kind, const std::string& text, const std::string& caption = {}, const std::string& path = {},
          int field = 0) {
  TellPage(kind, text.data(), static_cast<int>(text.size()), caption.c_str(), path.c_str(), field);
}

int Ask(Buttons buttons, const std::string& text, const std::string& caption) {
  return AskInPage(buttons, text.data(), static_cast<int>(text.size()), caption.c_str());
}

class PagePrompts : public Prompts {
 public:
  void ShowInputError(Field field, const Message& message) override {
    Tell("error", message.text, kUnableToContinue, message.subject.path, static_cast<int>(field));
  }
  bool AskMarkedQuestion(Field /*field*/, const Message& question) override {
    return Ask(kOkCancel, question.text, kUnableToContinue) == 0;
  }
  void ShowWarning(const Message& message, const std::string& caption) override {
    Tell("warning", message.text, caption, message.subject.path);
  }
  bool AskOkCancel(const Message& question, const std::string& caption) override {
    return Ask(kOkCancel, question.text, caption) == 0;
  }
  Answer AskYesNoCancel(const Message& question, const std::string& caption) override {
    switch (Ask(kYesNoCancel, question.text, caption)) {
      case 0: return Answer::Yes;
      case 1: return Answer::No;
      default: return Answer::Cancel;
    }
  }
  void ShowInformation(const Message& message, const std::string& caption) override {
    Tell("information", message.text, caption, message.subject.path);
  }
  void Note(const Message& note) override { Tell("note", note.line, {}, note.subject.path); }
};

MemoryFileSystem& Files() {
  static MemoryFileSystem files([](const std::string& path, const char* reason) {
    Tell("note", std::string("skipped: ") + reason, {}, path);
  });
  return files;
}

// A failure inside a command ends in the error report, as the window's would; the files stay for
// the page to clear.
bool RunReporting(const std::function<bool()>& command) {
  try {
    return command();
  } catch (const std::bad_alloc&) {
    Tell("error", GeneralErrorText("Out of memory"));
  } catch (const std::exception& error) {
    Tell("error", GeneralErrorText(error.what()));
  }
  return false;
}

// Splits the page's list of one item a line.
std::vector<std::string> Lines(std::string list) {
  std::vector<std::string> lines;
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    lines.push_back(list.substr(0, end));
    list.erase(0, end == std::string::npos ? list.size() : end + 1);
  }
  return lines;
}

std::string joined;  // what the last call returning text returned, kept until the next

const char* Returned(std::string text) {
  joined = std::move(text);
  return joined.c_str();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE std::uint8_t* web_add_file(const char* path, std::size_t size) {
  try {
    return Files().AddFile(path, size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

EMSCRIPTEN_KEEPALIVE void web_clear() { Files().Clear(); }

// The names of the files directly in `directory`, one a line (no name holds a line break).
EMSCRIPTEN_KEEPALIVE const char* web_file_names(const char* directory) {
  std::string names;
  for (const std::string& name : Files().FileNames(directory)) names += name + "\n";
  return Returned(std::move(names));
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* web_file_data(const char* path) {
  const std::vector<std::uint8_t>* file = Files().Find(path);
  return file ? file->data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE std::size_t web_file_size(const char* path) {
  const std::vector<std::uint8_t>* file = Files().Find(path);
  return file ? file->size() : 0;
}

// Compiles the files given, one a line in the order the page lists them, into "\database.pdb", a
// path no file the user gives can have; true when it was written.
EMSCRIPTEN_KEEPALIVE int web_compile(const char* sources, const char* database_name, int smf0_only, int to_smf0) {
  return RunReporting([&] {
    PagePrompts prompts;
    std::optional<std::string> name = palm::Utf8ToPalmText(database_name);
    if (!name || name->size() > palm::kMaxNameLength) {
      prompts.ShowInputError(Field::Edit5, MakeMessage(Topic::Refusal, "The database name must be at most 31 "
                                                                       "Windows-1252 characters."));
      return false;
    }
    CompileInputs inputs;
    inputs.sources = Lines(sources);
    inputs.destination_path = "\\database.pdb";
    inputs.database_name = *name;
    // Converting lets format 1 in, as the command line's --to-smf0 does.
    inputs.smf0_only = smf0_only != 0 && to_smf0 == 0;
    inputs.to_smf0 = to_smf0 != 0;
    inputs.thorough = true;
    std::unique_ptr<Clock> clock = MakePlatformClock();
    CompileCommand command(prompts, Files(), *clock, std::move(inputs));
    if (command.CheckCompileInputs()) command.CompileDatabase();
    return Files().Find("\\database.pdb") != nullptr;
  });
}

// Extracts the database at `path` into `directory`, which the questions name; true when it ran to
// its end.
EMSCRIPTEN_KEEPALIVE int web_extract(const char* path, const char* directory) {
  return RunReporting([&] {
    PagePrompts prompts;
    Files().CreateDir(directory);
    ExtractCommand command(prompts, Files(), ExtractInputs{path, directory, true});
    if (!command.CheckExtractInputs()) return false;
    command.ExtractDatabase();
    return true;
  });
}

// Removes the records listed ("#N" one a line) from the database at `path` and adds the files
// given, as compile takes them, in one edit of the file in place; true when it was rewritten.
EMSCRIPTEN_KEEPALIVE int web_edit(const char* path, const char* sources, const char* removals, int smf0_only,
                                  int to_smf0) {
  return RunReporting([&] {
    PagePrompts prompts;
    // A rewrite puts a new file in place of this one, made while this one still held its place.
    const std::vector<std::uint8_t>* before = Files().Find(path);
    if (!before) throw InOutError(kFileNotFound);
    std::vector<RecordChoice> records;
    for (const std::string& number : Lines(removals)) records.push_back({number, number});
    AddInputs inputs{path, Lines(sources), {smf0_only != 0 && to_smf0 == 0, to_smf0 != 0, true, false}, ""};
    std::unique_ptr<Clock> clock = MakePlatformClock();
    EditTunes(prompts, Files(), *clock, inputs, records);
    return Files().Find(path) != before;
  });
}

// The listing of the database at `path` as JSON, or "" after saying why there is none.
EMSCRIPTEN_KEEPALIVE const char* web_list(const char* path) {
  std::string json;
  RunReporting([&] {
    const std::vector<std::uint8_t>* file = Files().Find(path);
    if (!file) throw InOutError(kFileNotFound);
    palm::DatabaseReader reader(*file);
    if (file->size() < palm::kHeaderSize || !reader.RecordListFits()) {
      Tell("error", kWrongFileFormat, kUnableToContinue, path);
      return false;
    }
    json = ListingJson(ListDatabase(reader));
    return true;
  });
  return Returned(std::move(json));
}

// The tune of record `index` (from 0) of the database at `path`, as extract writes it, put in
// "\tune" under its file name; the name, or "" when the record holds no tune.
EMSCRIPTEN_KEEPALIVE const char* web_tune(const char* path, int index) {
  std::string name;
  RunReporting([&] {
    const std::vector<std::uint8_t>* file = Files().Find(path);
    if (!file) throw InOutError(kFileNotFound);
    palm::DatabaseReader reader(*file);
    if (!reader.RecordListFits() || index < 0 || index >= reader.RecordCount()) return false;
    const palm::RecordContents record = reader.ReadRecord(reader.Extent(static_cast<std::uint16_t>(index)));
    if (record.status != palm::RecordStatus::Midi) return false;
    name = Utf8NameFromText(OutputFileName(record.name, true));
    std::uint8_t* bytes = Files().AddFile("\\tune\\" + name, record.tune.size());
    std::copy(record.tune.begin(), record.tune.end(), bytes);
    return true;
  });
  return Returned(std::move(name));
}

}  // extern "C"
