#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#include "seams/paths.h"

namespace fs = std::filesystem;

std::string NativePath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
#endif
}

namespace {
fs::path Native(const std::string& path) { return fs::path(NativePath(path)); }
}  // namespace

TempDir::TempDir(const std::string& parent) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  fs::path base = parent.empty() ? fs::temp_directory_path() : Native(parent);
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("carillo-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate.string();
#ifdef _WIN32
      std::replace(path_.begin(), path_.end(), '/', '\\');
      DropTrailingSeparator(path_);
#endif
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code error;
  fs::permissions(Native(path_), fs::perms::owner_all, fs::perm_options::add, error);
  for (auto it = fs::recursive_directory_iterator(Native(path_), error); it != fs::recursive_directory_iterator();
       it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(Native(path_), error);
}

std::string TempDir::operator/(const std::string& relative) const { return JoinPath(path_, relative); }

CurrentDirectory::CurrentDirectory(const std::string& path) : saved_(fs::current_path().string()) {
  // Relative paths below must never land outside the directory given.
  fs::current_path(Native(path));
}

CurrentDirectory::~CurrentDirectory() {
  std::error_code ignored;
  fs::current_path(saved_, ignored);
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write fixture " + path);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(Native(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeDirectory(const std::string& path) { fs::create_directories(Native(path)); }

bool PathExists(const std::string& path) {
  std::error_code error;
  return fs::exists(Native(path), error);
}

std::vector<std::string> EntryNames(const std::string& directory) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(Native(directory))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
