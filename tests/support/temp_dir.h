// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory as the core sees it: "\"-separated on Windows, a POSIX path natively.
  const std::string& path() const { return path_; }
  // path() + "\" + relative, the way the core joins paths.
  std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

// Plain file helpers for fixtures; `path` is "\"-separated as the core uses it.
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void MakeDirectory(const std::string& path);
bool PathExists(const std::string& path);
