// The core's entry points for the page: files handed over into memory, the commands run over
// them, and every question and message passed to the page, which answers in its own dialogs.
#include <emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/compile_command.h"
#include "commands/edit_command.h"
#include "commands/extract_command.h"
#include "commands/list_command.h"
#include "commands/outcome.h"
#include "commands/render_command.h"
#include "commands/tune_command.h"
#include "commands/tune_conversion.h"
#include "commands/messages.h"
#include "commands/prompts.h"
#include "format/palm_database.h"
#include "format/palm_text.h"
#include "handheld/wave_render.h"
#include "seams/app_error.h"
#include "seams/clock.h"
#include "web/memory_file_system.h"
#include "web/zip_writer.h"

// The page's side: carilloAsk resolves to an Answered; carilloTell shows a message in the message
// area. Texts are bytes: record names are Windows-1252, paths UTF-8.
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
enum Answered { kAnsweredOkOrYes = 0, kAnsweredNo = 1, kAnsweredCancel = 2 };  // Escape too

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
  Answer AskMarkedQuestion(Field /*field*/, const Message& question) override {
    return Ask(kOkCancel, question.text, kUnableToContinue) == kAnsweredOkOrYes ? Answer::Yes : Answer::Cancel;
  }
  void ShowWarning(const Message& message, const std::string& caption) override {
    Tell("warning", message.text, caption, message.subject.path);
  }
  bool AskOkCancel(const Message& question, const std::string& caption) override {
    return Ask(kOkCancel, question.text, caption) == kAnsweredOkOrYes;
  }
  Answer AskYesNoCancel(const Message& question, const std::string& caption) override {
    switch (Ask(kYesNoCancel, question.text, caption)) {
      case kAnsweredOkOrYes: return Answer::Yes;
      case kAnsweredNo: return Answer::No;
      default: return Answer::Cancel;
    }
  }
  void ShowInformation(const Message& message, const std::string& caption) override {
    Tell("information", message.text, caption, message.subject.path);
  }
  void Note(const Message& note) override { Tell("note", note.line, {}, note.subject.path); }
};

// A tune played on the page: its summary is a line in the message area, naming the sound, not a
// box of its own each time ▶ is pressed.
class SoundPrompts : public PagePrompts {
 public:
  void ShowInformation(const Message& message, const std::string& /*caption*/) override {
    Tell("note", message.line, {}, message.subject.path);
  }
};

MemoryFileSystem& Files() {
  static MemoryFileSystem files([](const std::string& path, const char* reason) {
    Tell("note", std::string("skipped: ") + reason, {}, path);
  });
  return files;
}

// A failure inside a command ends in the error report, as the window's would; the files stay for
// the page to clear. Whether the run went to its end, as the command says it.
bool RunReporting(const std::function<Outcome()>& command) {
  try {
    return command().ending == Ending::Done;
  } catch (...) {
    Tell("error", GeneralErrorText(FailureText(std::current_exception())));
  }
  return false;
}

// "Make each tune ring" with its "cut after" seconds (0 for none), as --ring [--seconds S].
handheld::RingOptions PageRing(double seconds) {
  return {.seconds = seconds > 0 ? std::optional(seconds) : std::nullopt};
}

// The page's boxes, as the command line's flags: "SMF0 only", "Convert format 1 to format 0", and
// "Make each tune ring", which takes format 0 and 1 alike as --ring does.
CollectionOptions PageCollection(int smf0_only, int to_smf0, int ring, double seconds) {
  return {.smf0_only = smf0_only != 0,
          .conversion = ring != 0      ? Conversion::Ring
                        : to_smf0 != 0 ? Conversion::ToFormat0
                                       : Conversion::AsStored,
          .ring = PageRing(seconds),
          .thorough = true};
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

// The last extract's zip, pointing into Files(), and the table of its pieces handed to the page:
// their count, then the address and size of each. Both kept until web_clear.
zip::ZipLayout extracted_zip;
std::vector<std::uint32_t> extracted_pieces;

// The last sound rendered, handed to the page as the address and count of its samples; its WAV
// file stays in Files() until web_clear.
constexpr char kSoundPath[] = "\\sound.wav";
std::uint32_t sound_samples[2];

// The samples of a PCM WAV file: its "data" chunk, found by walking the chunks after "RIFF....WAVE".
constexpr std::size_t kRiffHeaderSize = 12, kChunkHeaderSize = 8;
std::span<const std::uint8_t> WavData(std::span<const std::uint8_t> wav) {
  for (std::size_t at = kRiffHeaderSize; at + kChunkHeaderSize <= wav.size();) {
    std::uint32_t size = 0;
    for (int i = 3; i >= 0; --i) size = size << 8 | wav[at + 4 + i];  // little-endian
    const std::span<const std::uint8_t> body = wav.subspan(at + kChunkHeaderSize);
    if (size > body.size()) size = static_cast<std::uint32_t>(body.size());  // cut short: what there is
    if (std::equal(wav.begin() + at, wav.begin() + at + 4, "data")) return body.first(size);
    at += kChunkHeaderSize + size + (size & 1);  // chunks are padded to even sizes
  }
  return {};
}

// A chosen tune as the tasks without "Make each tune ring" store it: with "Convert format 1 to
// format 0", a format-1 tune merged (format 0 comes back as it is). A tune the conversion refuses
// stays as given, for the handheld's own play of it to say what goes wrong.
void StoreAsConverted(const std::string& path) {
  const std::vector<std::uint8_t>* tune = Files().Find(path);
  if (!tune) return;
  std::string problem;
  const std::optional<std::vector<std::uint8_t>> converted =
      ConvertedTune(*tune, Conversion::ToFormat0, handheld::RingOptions{}, problem);
  if (!converted) return;
  std::copy(converted->begin(), converted->end(), Files().AddFile(path, converted->size()));
}

zip::DosMoment Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return zip::DosMomentOf(local);
}

// The zip of the files directly in `directory`, or null when there are none.
const std::uint32_t* ZipPieces(const std::string& directory) {
  std::vector<zip::StoredFile> files;
  for (const std::string& name : Files().FileNames(directory)) {
    files.push_back({name, *Files().Find(directory + "\\" + name)});
  }
  if (files.empty()) return nullptr;
  extracted_zip = zip::LayOutStoredZip(files, Now());
  if (!extracted_zip.problem.empty()) throw std::length_error("No zip can hold these tunes: " + extracted_zip.problem);
  extracted_pieces = {static_cast<std::uint32_t>(extracted_zip.pieces.size())};
  for (const std::span<const std::uint8_t> piece : extracted_zip.pieces) {
    extracted_pieces.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(piece.data())));
    extracted_pieces.push_back(static_cast<std::uint32_t>(piece.size()));
  }
  return extracted_pieces.data();
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

// What the page would otherwise restate, as JSON: the longest database name, the kinds of
// question with what each answer resolves to, the field an input error can name, the rendered
// sound's sample rate, and the longest "cut after" (no sound is rendered past 30 minutes).
EMSCRIPTEN_KEEPALIVE const char* web_constants() {
  static char json[300];
  std::snprintf(json, sizeof json,
                R"({"max_name_length": %d, "buttons": {"ok_cancel": %d, "yes_no_cancel": %d}, )"
                R"("answers": {"ok": %d, "yes": %d, "no": %d, "cancel": %d}, "fields": {"database_name": %d}, )"
                R"("sample_rate": %u, "longest_cut_seconds": %u})",
                static_cast<int>(palm::kMaxNameLength), kOkCancel, kYesNoCancel, kAnsweredOkOrYes, kAnsweredOkOrYes,
                kAnsweredNo, kAnsweredCancel, static_cast<int>(Field::Edit5), handheld::kSampleRate,
                static_cast<unsigned>(handheld::kLongestRenderTicks / handheld::kTicksPerSecond));
  return json;
}

// The name of the file at `path` when it is a MIDI sound database, in UTF-8, or null: what the page
// offers from an emulator's backup, and how it finds the handheld's system sounds there.
EMSCRIPTEN_KEEPALIVE const char* web_midi_database_name(const char* path) {
  const std::vector<std::uint8_t>* file = Files().Find(path);
  if (!file || !palm::DatabaseReader(*file).IsMidiSoundDatabase()) return nullptr;
  return Returned(palm::PalmTextToUtf8(palm::DatabaseReader(*file).Name()));
}

EMSCRIPTEN_KEEPALIVE void web_clear() {
  extracted_zip = {};
  extracted_pieces = {};
  Files().Clear();
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* web_file_data(const char* path) {
  const std::vector<std::uint8_t>* file = Files().Find(path);
  return file ? file->data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE std::size_t web_file_size(const char* path) {
  const std::vector<std::uint8_t>* file = Files().Find(path);
  return file ? file->size() : 0;
}

// Compiles the files given, one a line in the order the page lists them, into "\\database.pdb", a
// path no file the user gives can have; true when it was written.
EMSCRIPTEN_KEEPALIVE int web_compile(const char* sources, const char* database_name, int smf0_only, int to_smf0,
                                     int ring, double seconds) {
  bool written = false;
  RunReporting([&] {
    PagePrompts prompts;
    Outcome outcome;
    std::optional<std::string> name = palm::Utf8ToPalmText(database_name);
    if (!name || name->size() > palm::kMaxNameLength) {
      Refuse(prompts, outcome, Field::Edit5,
             MakeMessage(Topic::Refusal, "The database name must be at most 31 Windows-1252 characters."));
      return outcome;
    }
    std::unique_ptr<Clock> clock = MakePlatformClock();
    CompileCommand command(prompts, Files(), *clock,
                           {.sources = Lines(sources),
                            .destination_path = "\\database.pdb",
                            .database_name = *name,
                            .collection = PageCollection(smf0_only, to_smf0, ring, seconds)});
    if (command.CheckCompileInputs()) command.CompileDatabase();
    written = !command.Result().written.empty();
    return command.Result();
  });
  return written;
}

// Extracts the database at `path` into `directory`, which the questions name; true when it ran to
// its end.
EMSCRIPTEN_KEEPALIVE int web_extract(const char* path, const char* directory) {
  return RunReporting([&] {
    PagePrompts prompts;
    Files().CreateDir(directory);
    ExtractCommand command(prompts, Files(), {.source_path = path, .destination_directory = directory, .thorough = true});
    if (command.CheckExtractInputs()) command.ExtractDatabase();
    return command.Result();
  });
}

// Extracts the database at `path` into `directory` as web_extract does, and lays the files written
// there out as a zip of stored files in their names' byte order, so that the tunes cross into the
// page once, into the download. The table of the zip's pieces (good until web_clear), or null when
// nothing was written or no zip could be made.
EMSCRIPTEN_KEEPALIVE const std::uint32_t* web_extract_zip(const char* path, const char* directory) {
  web_extract(path, directory);  // what a failure or a Cancel left written is handed out still
  const std::uint32_t* pieces = nullptr;
  RunReporting([&] {
    pieces = ZipPieces(directory);
    return Outcome{};  // laid out, or the failure told
  });
  return pieces;
}

// Removes the records listed ("#N" one a line) from the database at `path` and adds the files
// given, as compile takes them, in one edit of the file in place; true when it was rewritten.
EMSCRIPTEN_KEEPALIVE int web_edit(const char* path, const char* sources, const char* removals, int smf0_only,
                                  int to_smf0, int ring, double seconds) {
  bool written = false;
  RunReporting([&] {
    PagePrompts prompts;
    std::vector<RecordChoice> records;
    for (const std::string& number : Lines(removals)) records.push_back({number, number});
    std::unique_ptr<Clock> clock = MakePlatformClock();
    Outcome outcome = EditTunes(prompts, Files(), *clock,
                                {.database_path = path,
                                 .removals = records,
                                 .sources = Lines(sources),
                                 .collection = PageCollection(smf0_only, to_smf0, ring, seconds)});
    written = !outcome.written.empty();
    return outcome;
  });
  return written;
}

// The listing of the database at `path` as JSON, or "" after saying why there is none.
EMSCRIPTEN_KEEPALIVE const char* web_list(const char* path) {
  std::string json;
  RunReporting([&] {
    PagePrompts prompts;
    ListResult listed = ListDatabase(prompts, Files(), path);
    if (listed.listing) json = ListingJson(*listed.listing);
    return listed.outcome;
  });
  return Returned(std::move(json));
}

// The tune of record `index` (from 0) of the database at `path`, as extract writes it, put in
// "\\tune" under its file name; the name, or "" after saying why there is none.
EMSCRIPTEN_KEEPALIVE const char* web_tune(const char* path, int index) {
  std::string name;
  RunReporting([&] {
    PagePrompts prompts;
    const std::string number = "#" + std::to_string(index + 1);
    RecordTune taken = TakeRecordTune(prompts, Files(), path, {number, number});
    if (taken.outcome.ending != Ending::Done) return taken.outcome;
    name = palm::Utf8NameFromText(taken.file_name);
    std::uint8_t* bytes = Files().AddFile("\\tune\\" + name, taken.tune.size());
    std::copy(taken.tune.begin(), taken.tune.end(), bytes);
    return taken.outcome;
  });
  return Returned(std::move(name));
}

// What the handheld sounds of a tune, as `carillo render` renders it: the MIDI file at `path`, or
// with `index` from 0 that record of the database there as it is stored. A file is taken as the
// tasks would store it: shaped with `ring` (cut after `seconds`, 0 for no cut), else with `to_smf0`
// merged into format 0. The address and count of its 16-bit samples at 22050 Hz (good until
// web_clear), or null after saying why there is no sound.
EMSCRIPTEN_KEEPALIVE const std::uint32_t* web_render(const char* path, int index, int to_smf0, int ring,
                                                     double seconds) {
  const std::uint32_t* samples = nullptr;
  RunReporting([&] {
    SoundPrompts prompts;
    RenderInputs inputs{.source_path = path, .destination_path = kSoundPath};
    if (index >= 0) {
      const std::string number = "#" + std::to_string(index + 1);
      inputs.record = RecordChoice{number, number};
    } else if (ring != 0) {
      inputs.ring = PageRing(seconds);
    } else if (to_smf0 != 0) {
      StoreAsConverted(path);
    }
    Outcome outcome = RenderTune(prompts, Files(), inputs);
    const std::vector<std::uint8_t>* wav = Files().Find(kSoundPath);
    if (outcome.written.empty() || !wav) return outcome;
    const std::span<const std::uint8_t> data = WavData(*wav);
    sound_samples[0] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data.data()));
    sound_samples[1] = static_cast<std::uint32_t>(data.size() / sizeof(std::int16_t));
    samples = sound_samples;
    return outcome;
  });
  return samples;
}

}  // extern "C"
