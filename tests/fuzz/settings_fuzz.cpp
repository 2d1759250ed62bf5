// libFuzzer entry for the settings: the registry integer syntax, checked against the standard
// library's own number parsing, and a whole settings load from stored values of any type and
// bytes, checked value by value and then saved and loaded again unchanged.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/app_error.h"
#include "settings/form_settings.h"
#include "settings/reg_ini_file.h"
#include "support/fake_settings_form.h"
#include "support/memory_registry.h"

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "settings_fuzz: %s\n", why.c_str());
  std::abort();
}

bool AllOf(std::string_view text, int base) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [base](char c) {
    return (c >= '0' && c <= '9') || (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  });
}

// The same syntax through std::from_chars: leading blanks; "$", "x" or "0x" and hexadecimal
// digits as a 32-bit pattern; else an optional sign and decimal digits inside the 32-bit range.
std::optional<std::int32_t> Reference(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::string_view hex;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') hex = text.substr(1);
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) hex = text.substr(2);
  if (hex.data() != nullptr) {
    std::uint64_t value = 0;
    if (!AllOf(hex, 16)) return std::nullopt;
    auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (error != std::errc() || value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
  if (!AllOf(text, 10)) return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void CheckInteger(std::string_view text) {
  std::optional<std::int32_t> parsed = ParseInteger(text);
  if (parsed != Reference(text)) Fail("ParseInteger disagrees on \"" + std::string(text) + "\"");
  if (parsed && ParseInteger(std::to_string(*parsed)) != parsed) Fail("a written integer reads back otherwise");
}

struct Setting {
  const char* section;
  const char* ident;
};
const Setting kSettings[] = {{"MainForm", "Status"},    {"MainForm", "Top"},         {"MainForm", "Left"},
                             {"MainForm", "Height"},    {"MainForm", "Width"},       {"MainForm", "Tab"},
                             {"PDB2MID", "Source"},     {"PDB2MID", "Destination"},  {"MID2PDB", "Source"},
                             {"MID2PDB", "Destination"}, {"MID2PDB", "Palm Name"},   {"MID2PDB", "SMF0 Only"}};
constexpr char kKey[] = "SOFTWARE\\Veltro\\Carillo2\\";

struct Stored {
  bool present = false;
  RegistryValue value;
};

// What ReadString gives for a stored value, or nullopt where it must raise.
std::optional<std::string> TextRead(const Stored& stored, const std::string& default_value) {
  if (!stored.present) return default_value;
  const std::vector<std::uint8_t>& data = stored.value.data;
  if (data.empty()) return std::string();
  if (stored.value.type != kRegSz && stored.value.type != kRegExpandSz) return std::nullopt;
  return std::string(data.begin(), std::find(data.begin(), data.end(), std::uint8_t{0}));
}

std::int32_t IntegerRead(const Stored& stored, std::int32_t default_value) {
  std::optional<std::string> text = TextRead(stored, "");
  return ParseInteger(text.value_or("")).value_or(default_value);
}

void CheckLoad(const std::uint8_t* data, std::size_t size) {
  MemoryRegistry registry;
  Stored stored[std::size(kSettings)];
  std::size_t at = 0;
  auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
  for (std::size_t i = 0; i < std::size(kSettings); ++i) {
    const std::uint8_t kind = next();
    if (kind % 5 == 0) continue;
    static const std::uint32_t kTypes[] = {kRegSz, kRegExpandSz, kRegSz, kRegBinary, kRegDword, 7};
    stored[i].present = true;
    stored[i].value.type = kTypes[kind % std::size(kTypes)];
    const std::size_t length = std::min<std::size_t>(next() % 48, size - std::min(at, size));
    stored[i].value.data.assign(data + at, data + at + length);
    at += length;
    registry.SetRaw(std::string(kKey) + kSettings[i].section, kSettings[i].ident, stored[i].value.type,
                    stored[i].value.data);
  }

  FakeSettingsForm form;
  std::unique_ptr<RegistryKey> root = registry.Root();
  try {
    LoadFormSettings(*root, form);
  } catch (const AppError& error) {
    // Only a stored value that is not text may end the load, and it names that value.
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
      if (!TextRead(stored[i], "") && error.what() == "Invalid data type for '" + std::string(kSettings[i].ident) + "'") {
        return;
      }
    }
    Fail(std::string("unexpected error: ") + error.what());
  }
  const std::int32_t state = IntegerRead(stored[0], 1);
  for (std::size_t i = 0; i < std::size(kSettings); ++i) {
    const bool placement_unread = state == 0 && i >= 1 && i <= 4;
    if (!placement_unread && !TextRead(stored[i], "")) {
      Fail(std::string("a value not text passed unnoticed: ") + kSettings[i].ident);
    }
  }
  const FakeSettingsForm untouched;
  const int expected_place[] = {state == 0 ? untouched.top : IntegerRead(stored[1], untouched.top),
                                state == 0 ? untouched.left : IntegerRead(stored[2], untouched.left),
                                state == 0 ? untouched.height : IntegerRead(stored[3], untouched.height),
                                state == 0 ? untouched.width : IntegerRead(stored[4], untouched.width)};
  if (form.top != expected_place[0] || form.left != expected_place[1] || form.height != expected_place[2] ||
      form.width != expected_place[3]) {
    Fail("placement read otherwise");
  }
  if (form.minimize_posted != (state == 2) || form.maximized != (state == 3)) Fail("window state read otherwise");
  const std::int32_t tab = IntegerRead(stored[5], 0);
  if (form.page != (tab == 0 || tab == 1 ? tab : -1)) Fail("page read otherwise");
  const char* defaults[] = {"", "C:\\", "C:\\", "C:\\My_MIDI_Database.pdb", kDefaultDatabaseName};
  for (std::size_t f = 0; f < 5; ++f) {
    if (form.fields[f] != *TextRead(stored[6 + f], defaults[f])) Fail("field text read otherwise");
  }
  if (form.smf0_only != (IntegerRead(stored[11], 1) != 0)) Fail("SMF0 read otherwise");

  // Saved and loaded again, everything comes back as it was.
  MemoryRegistry saved;
  std::unique_ptr<RegistryKey> saved_root = saved.Root();
  SaveFormSettings(*saved_root, form);
  FakeSettingsForm again;
  again.top = again.left = again.height = again.width = -7;
  LoadFormSettings(*saved_root, again);
  if (again.top != form.top || again.left != form.left || again.height != form.height || again.width != form.width ||
      again.fields != form.fields || again.smf0_only != form.smf0_only || again.page != form.page) {
    Fail("saved settings load back otherwise");
  }
}

}  // namespace

// The first byte chooses: even, the rest is an integer text; odd, the rest are stored settings.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 0) {
    CheckInteger(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  } else {
    CheckLoad(data + 1, size - 1);
  }
  return 0;
}
