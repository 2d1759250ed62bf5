#include "cli/utf8_file_system.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "format/palm_text.h"
#include "seams/paths.h"

namespace {

// The code points of UTF-8 text; a byte that begins no valid sequence stands for itself.
std::u32string CodePoints(const std::string& text) {
  std::u32string points;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      point = point << 6 | (next & 0x3F);
    }
    points.push_back(valid ? point : lead);
    i += valid ? length : 1;
  }
  return points;
}

// The UTF-16 code units NTFS compares: each code point upper-cased by Unicode's simple mapping
// (the C library's, in its UTF-8 locale).
std::u16string UpcasedUnits(const std::string& name) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  std::u16string units;
  for (char32_t point : CodePoints(name)) {
    if (utf8 != static_cast<locale_t>(nullptr)) {
      point = static_cast<char32_t>(towupper_l(static_cast<wint_t>(point), utf8));
    } else if (point >= U'a' && point <= U'z') {
      point -= U'a' - U'A';
    }
    if (point >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(point));
    }
  }
  return units;
}

}  // namespace

bool NtfsOrder(const std::string& a, const std::string& b) {
  const std::u16string upper_a = UpcasedUnits(a);
  const std::u16string upper_b = UpcasedUnits(b);
  return upper_a != upper_b ? upper_a < upper_b : a < b;
}

Utf8FileSystem::Utf8FileSystem(std::unique_ptr<FileSystem> native, UnusableNameReport report_unusable)
    : ForwardingFileSystem(std::move(native)), report_unusable_(std::move(report_unusable)) {}

std::string Utf8FileSystem::NameFromText(const std::string& text) { return palm::Utf8NameFromText(text); }

std::vector<DirectoryEntry> Utf8FileSystem::FindFiles(const std::string& pattern) {
  const std::string directory = ExtractFilePath(pattern);
  std::vector<DirectoryEntry> entries = Inner().FindFiles(pattern);
  std::vector<std::pair<std::u16string, std::size_t>> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) keys.emplace_back(UpcasedUnits(entries[i].name), i);
  std::sort(keys.begin(), keys.end(), [&entries](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : entries[a.second].name < entries[b.second].name;
  });

  std::vector<DirectoryEntry> usable;
  usable.reserve(entries.size());
  std::set<std::string> taken;  // record names given so far: a second one opens under another name
  for (const auto& key : keys) {
    DirectoryEntry& entry = entries[key.second];
    std::optional<std::string> text = palm::RecordTextFromUtf8Name(entry.name);
    const char* reason = entry.problem;
    if (reason) {
    } else if (!text) {
      reason = palm::UnholdableNameReason(entry.name);
    } else if (*text != entry.name && !taken.insert(*text).second) {
      reason = "in Windows-1252 this name is another file's";
    }
    if (reason) {
      std::string path = directory;
      std::replace(path.begin(), path.end(), '\\', '/');
      path += entry.name;  // a "\\" in the name is the name's own
      if (report_unusable_) report_unusable_(path, reason);
      continue;
    }
    entry.text = std::move(*text);
    usable.push_back(std::move(entry));
  }
  return usable;
}
