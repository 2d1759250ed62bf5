#include "support/fake_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "seams/app_error.h"
#include "seams/paths.h"
#include "support/midi_files.h"

namespace {

bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

// Logs its closing; reads from the real file or from a copy of the bytes in memory.
class FakeInput : public InputFile {
 public:
  FakeInput(std::unique_ptr<InputFile> real, Bytes bytes, std::vector<std::string>& log)
      : real_(std::move(real)), bytes_(std::move(bytes)), log_(log) {}

  std::uint64_t Size() override { return real_ ? real_->Size() : bytes_.size(); }
  void Read(void* buffer, std::size_t count) override {
    if (real_) return real_->Read(buffer, count);
    if (closed_) throw InOutError(kFileNotOpen);
    if (position_ > bytes_.size() || bytes_.size() - position_ < count) throw InOutError(kReadBeyondEndOfFile);
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
  }
  void Seek(std::uint64_t position) override {
    if (real_) return real_->Seek(position);
    position_ = static_cast<std::size_t>(position);
  }
  void Close() override {
    log_.push_back("close");
    if (real_) return real_->Close();
    if (closed_) throw InOutError(kFileNotOpen);
    closed_ = true;
  }

 private:
  std::unique_ptr<InputFile> real_;
  Bytes bytes_;
  std::vector<std::string>& log_;
  std::size_t position_ = 0;
  bool closed_ = false;
};

// Writes to the real file, or to bytes that take the file's place in memory when closed; either
// way the write asked to fail does.
class FakeOutput : public OutputFile {
 public:
  FakeOutput(std::unique_ptr<OutputFile> real, FakeFileSystem& files, std::string path)
      : real_(std::move(real)), files_(files), path_(std::move(path)) {}
  void Write(const void* data, std::size_t count) override {
    if (++files_.writes == files_.failing_write) throw InOutError(kDiskFull);
    if (real_) return real_->Write(data, count);
    if (closed_) throw InOutError(kFileNotOpen);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    pending_.insert(pending_.end(), bytes, bytes + count);
  }
  void Close() override {
    if (real_) return real_->Close();
    if (closed_) throw InOutError(kFileNotOpen);
    closed_ = true;
    files_.files[path_] = std::move(pending_);
  }

 private:
  std::unique_ptr<OutputFile> real_;
  FakeFileSystem& files_;
  std::string path_;
  Bytes pending_;
  bool closed_ = false;
};

class SizedInput : public InputFile {
 public:
  std::uint64_t Size() override { return 25; }
  void Read(void* buffer, std::size_t count) override {
    ASSERT_GE(count, 25u);
    const Bytes head = MidiBytes(25);
    std::memcpy(buffer, head.data(), head.size());
  }
  void Seek(std::uint64_t) override {}
  void Close() override {}
};

class CountingOutput : public OutputFile {
 public:
  CountingOutput(Bytes& first_write, std::uint64_t& written) : first_write_(first_write), written_(written) {}
  void Write(const void* data, std::size_t count) override {
    if (written_ == 0) {
      const auto* bytes = static_cast<const std::uint8_t*>(data);
      first_write_.assign(bytes, bytes + count);
    }
    written_ += count;
  }
  void Close() override {}

 private:
  Bytes& first_write_;
  std::uint64_t& written_;
};

}  // namespace

std::vector<std::string> FakeFileSystem::Logged(const std::string& what) const {
  std::vector<std::string> paths;
  const std::string prefix = what + " ";
  for (const std::string& entry : log) {
    if (entry.rfind(prefix, 0) == 0) paths.push_back(entry.substr(prefix.size()));
  }
  return paths;
}

bool FakeFileSystem::ParentExists(const std::string& path) const {
  std::string parent = ExtractFilePath(path);
  if (parent.empty() || directories.count(parent) != 0) return true;
  DropTrailingSeparator(parent);
  return directories.count(parent) != 0;
}

bool FakeFileSystem::FileExists(const std::string& path) {
  log.push_back("exists " + path);
  if (real_) return real_->FileExists(path);
  return files.count(path) != 0;
}

bool FakeFileSystem::DirectoryExists(const std::string& path) {
  if (real_) return real_->DirectoryExists(path);
  return directories.count(path) != 0;
}

bool FakeFileSystem::CreateDir(const std::string& path) {
  log.push_back("mkdir " + path);
  if (read_only) {
    ADD_FAILURE() << "creates directory " << path;
    return false;
  }
  if (real_) return real_->CreateDir(path);
  if (!ParentExists(path) || refused_directories.count(path) != 0 || directories.count(path) != 0 ||
      files.count(path) != 0) {
    return false;
  }
  directories.insert(path);
  return true;
}

std::vector<DirectoryEntry> FakeFileSystem::FindFiles(const std::string& pattern) {
  std::vector<DirectoryEntry> entries;
  if (real_) {
    entries = real_->FindFiles(pattern);
  } else {
    const std::string prefix = ExtractFilePath(pattern);
    const std::string mask = ExtractFileName(pattern);
    EXPECT_EQ(mask.substr(0, 1), "*") << "the fake lists \"*\" patterns only: " << pattern;
    auto listed = [&](const std::string& path) {
      if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return false;
      const std::string name = path.substr(prefix.size());
      return name.find('\\') == std::string::npos && EndsWithIgnoringCase(name, mask.substr(1));
    };
    for (const auto& [path, bytes] : files) {
      if (listed(path)) entries.push_back({path.substr(prefix.size()), bytes.size(), false, {}});
    }
    for (const std::string& path : directories) {
      if (listed(path)) entries.push_back({path.substr(prefix.size()), 0, true, {}});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  }
  entries.insert(entries.end(), listing_extras.begin(), listing_extras.end());
  for (DirectoryEntry& entry : entries) {
    if (entry.text.empty()) entry.text = entry.name;  // record text is the platform's text here
  }
  return entries;
}

std::unique_ptr<InputFile> FakeFileSystem::OpenRead(const std::string& path) {
  log.push_back("open " + path);
  if (real_) return std::make_unique<FakeInput>(real_->OpenRead(path), Bytes{}, log);
  if (directories.count(path) != 0) throw InOutError(kFileAccessDenied);
  auto file = files.find(path);
  if (file == files.end()) throw InOutError(kFileNotFound);
  return std::make_unique<FakeInput>(nullptr, file->second, log);
}

std::unique_ptr<OutputFile> FakeFileSystem::Create(const std::string& path, Durability asked) {
  log.push_back("create " + path);
  durability[path] = asked;
  if (read_only) {
    ADD_FAILURE() << "creates file " << path;
    throw InOutError(kFileAccessDenied);
  }
  if (real_) return std::make_unique<FakeOutput>(real_->Create(path, asked), *this, path);
  if (directories.count(path) != 0) throw InOutError(kFileAccessDenied);
  if (!ParentExists(path)) throw InOutError(kInvalidFilename);
  return std::make_unique<FakeOutput>(nullptr, *this, path);
}

std::vector<DirectoryEntry> SizedFiles::FindFiles(const std::string& pattern) {
  EXPECT_EQ(pattern, "S\\*.mid");
  std::vector<DirectoryEntry> entries(sizes_.size());
  for (std::size_t i = 0; i < sizes_.size(); ++i) {
    const std::string name = "t" + std::to_string(i) + ".mid";
    entries[i] = {name, sizes_[i], false, name};
  }
  return entries;
}

std::unique_ptr<InputFile> SizedFiles::OpenRead(const std::string&) { return std::make_unique<SizedInput>(); }

std::unique_ptr<OutputFile> SizedFiles::Create(const std::string& path, Durability) {
  created.push_back(path);
  return std::make_unique<CountingOutput>(first_write, written);
}
