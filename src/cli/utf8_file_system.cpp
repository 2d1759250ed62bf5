#include "cli/utf8_file_system.h"

#include <optional>
#include <set>
#include <utility>

#include "format/palm_text.h"
#include "seams/paths.h"

namespace {
constexpr char kNotInNames[] =
    "\\\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F";
}  // namespace

Utf8FileSystem::Utf8FileSystem(std::unique_ptr<FileSystem> native, UnusableNameReport report_unusable)
    : native_(std::move(native)), report_unusable_(std::move(report_unusable)) {}

std::string Utf8FileSystem::NativePath(const std::string& path) {
  std::string safe = path;
  for (char& c : safe) {
    if (static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  return palm::PalmTextToUtf8(safe, '_');
}

bool Utf8FileSystem::FileExists(const std::string& path) { return native_->FileExists(NativePathOf(path)); }

bool Utf8FileSystem::DirectoryExists(const std::string& path) { return native_->DirectoryExists(NativePathOf(path)); }

bool Utf8FileSystem::CreateDir(const std::string& path) { return native_->CreateDir(NativePathOf(path)); }

std::string Utf8FileSystem::NativePathOf(const std::string& path) const {
  auto listed = listed_.find(path);
  return listed != listed_.end() ? listed->second : NativePath(path);
}

std::vector<DirectoryEntry> Utf8FileSystem::FindFiles(const std::string& pattern) {
  const std::string directory = ExtractFilePath(pattern);
  const std::string native_directory = NativePathOf(directory);
  std::vector<DirectoryEntry> entries = native_->FindFiles(native_directory + NativePath(ExtractFileName(pattern)));
  // A name whose Palm text maps back to its own bytes opens without help; only the others
  // (decomposed accents, mostly) are remembered, so that a directory of many files costs no more
  // than its listing. Two files can share a Palm name only if one of them is such another.
  auto palm_name = [](const std::string& utf8_name) -> std::optional<std::string> {
    std::optional<std::string> name = palm::Utf8ToPalmText(utf8_name);
    // A "\" would split the name into a directory and a file when it is opened again, and a
    // control character would come back as "_".
    if (name && name->find_first_of(kNotInNames) != std::string::npos) return std::nullopt;
    return name;
  };
  std::set<std::string> shared;  // the Palm names of files that do not map back to their own bytes
  for (const DirectoryEntry& entry : entries) {
    std::optional<std::string> name = palm_name(entry.name);
    if (name && NativePath(directory + *name) != native_directory + entry.name) shared.insert(*name);
  }
  std::set<std::string> taken;
  std::size_t kept = 0;
  for (DirectoryEntry& entry : entries) {
    std::optional<std::string> name = palm_name(entry.name);
    // Of the files sharing a composed form only the first can be told apart: each later one would
    // open the first.
    const char* reason = nullptr;
    if (!name) {
      reason = "Windows-1252 cannot hold this name";
    } else if (shared.count(*name) != 0 && !taken.insert(*name).second) {
      reason = "in Windows-1252 this name is another file's";
    }
    if (reason) {
      if (report_unusable_) report_unusable_(entry.name, reason);
      continue;
    }
    const std::string native_path = native_directory + entry.name;
    if (NativePath(directory + *name) != native_path) listed_[directory + *name] = native_path;
    entry.name = std::move(*name);
    if (&entries[kept] != &entry) entries[kept] = std::move(entry);
    ++kept;
  }
  entries.resize(kept);
  return entries;
}

std::unique_ptr<InputFile> Utf8FileSystem::OpenRead(const std::string& path) {
  return native_->OpenRead(NativePathOf(path));
}

std::unique_ptr<OutputFile> Utf8FileSystem::Create(const std::string& path, Durability durability) {
  return native_->Create(NativePathOf(path), durability);
}
