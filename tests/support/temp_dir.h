// Real directories for fixtures: a fresh temporary one per test, the current directory for a
// while, and plain file helpers on the core's "\"-separated paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
 public:
  // Below the system's temporary directory, or below `parent` when given.
  explicit TempDir(const std::string& parent = "");
  // Removed with everything in it, read-only entries included.
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory as the core sees it: "\"-separated on Windows, a POSIX path natively.
  const std::string& path() const { return path_; }
  // path() + "\" + relative, the way the core joins paths.
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

// Makes `path` the current directory until it goes out of scope.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& path);
  ~CurrentDirectory();
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::string saved_;
};

// A core path as the platform's file functions take it: "\" becomes "/" in the native build.
std::string NativePath(const std::string& path);

// Plain file helpers for fixtures; `path` is "\"-separated as the core uses it.
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void MakeDirectory(const std::string& path);
bool PathExists(const std::string& path);
// The names in a directory, sorted: for tests that no stray file was left there.
std::vector<std::string> EntryNames(const std::string& directory);
