#include "web/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "format/palm_text.h"
#include "seams/app_error.h"
#include "seams/paths.h"

namespace {

// Memory paths have no root: "" is the top, and "a\\b" is b in the directory a.
std::string Top(std::string path) {
  while (!path.empty() && IsPathSeparator(path.back())) path.pop_back();
  return path;
}
std::string DirectoryOf(const std::string& path) { return Top(ParentOf(path)); }

class BytesView : public FileBlock {
 public:
  explicit BytesView(std::shared_ptr<const std::vector<std::uint8_t>> file, std::size_t offset, std::size_t count)
      : file_(std::move(file)), offset_(offset), count_(count) {}
  std::span<const std::uint8_t> Bytes() const override { return {file_->data() + offset_, count_}; }

 private:
  std::shared_ptr<const std::vector<std::uint8_t>> file_;
  std::size_t offset_;
  std::size_t count_;
};

class MemoryInput : public InputFile {
 public:
  explicit MemoryInput(std::shared_ptr<const std::vector<std::uint8_t>> file) : file_(std::move(file)) {}
  std::uint64_t Size() override { return file_->size(); }
  void Read(void* buffer, std::size_t count) override {
    CheckRead(count);
    if (count != 0) std::memcpy(buffer, file_->data() + position_, count);
    position_ += count;
  }
  // The bytes are in memory already: the block is a view of them.
  std::unique_ptr<FileBlock> ReadBlock(std::size_t count) override {
    CheckRead(count);
    auto block = std::make_unique<BytesView>(file_, static_cast<std::size_t>(position_), count);
    position_ += count;
    return block;
  }
  void Seek(std::uint64_t position) override { position_ = position; }
  void Close() override {}

 private:
  void CheckRead(std::size_t count) const {
    if (position_ > file_->size() || count > file_->size() - position_) throw InOutError(kReadBeyondEndOfFile);
  }

  std::shared_ptr<const std::vector<std::uint8_t>> file_;
  std::uint64_t position_ = 0;
};

// The file appears at its path only when closed whole, as the platform layers' replacement does.
class MemoryOutput : public OutputFile {
 public:
  MemoryOutput(std::map<std::string, std::shared_ptr<std::vector<std::uint8_t>>>& files, std::string path)
      : files_(files), path_(std::move(path)), bytes_(std::make_shared<std::vector<std::uint8_t>>()) {}
  void Write(const void* data, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bytes_->insert(bytes_->end(), bytes, bytes + count);
  }
  void Close() override {
    if (!bytes_) return;
    files_[path_] = std::move(bytes_);
  }

 private:
  std::map<std::string, std::shared_ptr<std::vector<std::uint8_t>>>& files_;
  std::string path_;
  std::shared_ptr<std::vector<std::uint8_t>> bytes_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem(UnusableNameReport report_unusable)
    : report_unusable_(std::move(report_unusable)) {}

std::uint8_t* MemoryFileSystem::AddFile(const std::string& path, std::size_t size) {
  MakeDirectories(DirectoryOf(path));
  auto bytes = std::make_shared<std::vector<std::uint8_t>>(size);
  std::uint8_t* data = bytes->data();
  files_[path] = std::move(bytes);
  return data;
}

const std::vector<std::uint8_t>* MemoryFileSystem::Find(const std::string& path) const {
  const auto file = files_.find(path);
  return file == files_.end() ? nullptr : file->second.get();
}

std::vector<std::string> MemoryFileSystem::FileNames(const std::string& directory) const {
  const std::string prefix = Top(directory) + "\\";
  std::vector<std::string> names;
  for (auto file = files_.lower_bound(prefix); file != files_.end() && file->first.starts_with(prefix); ++file) {
    const std::string name = file->first.substr(prefix.size());
    if (name.find('\\') == std::string::npos) names.push_back(name);
  }
  return names;
}

void MemoryFileSystem::Clear() {
  files_.clear();
  directories_.clear();
}

void MemoryFileSystem::MakeDirectories(const std::string& path) {
  for (std::string directory = path; !directory.empty(); directory = DirectoryOf(directory)) {
    if (!directories_.insert(directory).second) break;
  }
}

bool MemoryFileSystem::FileExists(const std::string& path) { return files_.count(path) != 0; }

bool MemoryFileSystem::DirectoryExists(const std::string& path) {
  const std::string directory = Top(path);
  return directory.empty() || directory == "." || directories_.count(directory) != 0;
}

bool MemoryFileSystem::CreateDir(const std::string& path) {
  const std::string directory = Top(path);
  if (directory.empty() || FileExists(directory) || !DirectoryExists(DirectoryOf(directory))) return false;
  return directories_.insert(directory).second;
}

std::vector<DirectoryEntry> MemoryFileSystem::FindFiles(const std::string& pattern) {
  const std::string directory = DirectoryOf(pattern);
  const std::string mask = pattern.substr(directory.empty() ? 0 : directory.size() + 1);
  const std::string prefix = directory.empty() ? std::string() : directory + "\\";
  std::vector<DirectoryEntry> entries;
  auto consider = [&](const std::string& path, std::uint64_t size, bool is_directory) {
    const std::string name = path.substr(prefix.size());
    if (name.find('\\') != std::string::npos || !MatchesMask(name, mask)) return;
    std::optional<std::string> text = palm::RecordTextFromUtf8Name(name);
    if (!text) {
      if (report_unusable_) report_unusable_(path, palm::UnholdableNameReason(name));
      return;
    }
    entries.push_back({name, size, is_directory, std::move(*text)});
  };
  // A name without wildcards is looked up, not searched for: compile lists each given file so.
  if (mask.find_first_of("*?") == std::string::npos) {
    if (const auto file = files_.find(pattern); file != files_.end()) consider(pattern, file->second->size(), false);
    if (directories_.count(pattern) != 0) consider(pattern, 0, true);
    return entries;
  }
  for (auto file = files_.lower_bound(prefix); file != files_.end() && file->first.starts_with(prefix); ++file) {
    consider(file->first, file->second->size(), false);
  }
  for (auto dir = directories_.lower_bound(prefix); dir != directories_.end() && dir->starts_with(prefix); ++dir) {
    if (*dir != directory) consider(*dir, 0, true);
  }
  return entries;
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenRead(const std::string& path) {
  const auto file = files_.find(path);
  if (file == files_.end()) throw InOutError(kFileNotFound);
  return std::make_unique<MemoryInput>(file->second);
}

std::string MemoryFileSystem::NameFromText(const std::string& text) { return palm::Utf8NameFromText(text); }

std::unique_ptr<OutputFile> MemoryFileSystem::Create(const std::string& path, Durability /*durability*/) {
  const std::string name = path.substr(path.rfind('\\') + 1);
  if (name.empty() || !DirectoryExists(DirectoryOf(path)) || directories_.count(path) != 0) {
    throw InOutError(kFileAccessDenied);
  }
  return std::make_unique<MemoryOutput>(files_, path);
}
