// The page's files: the bytes the user handed over and those the commands write, all in memory.
// Paths use "\" and hold UTF-8 names, as the browser gives them; only names cross into record text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "seams/file_system.h"

class MemoryFileSystem : public FileSystem {
 public:
  explicit MemoryFileSystem(UnusableNameReport report_unusable);

  // Room for a file of `size` bytes at `path` (its directories made as needed), for the page to
  // fill in place: a large input is never held twice.
  std::uint8_t* AddFile(const std::string& path, std::size_t size);
  // The file at `path`, or null.
  const std::vector<std::uint8_t>* Find(const std::string& path) const;
  // The names of the files directly in `directory`, in byte order.
  std::vector<std::string> FileNames(const std::string& directory) const;
  void Clear();

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
  std::string NameFromText(const std::string& text) override;
  // Memory has no disk to reach: both durabilities are the same.
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override;

 private:
  void MakeDirectories(const std::string& path);

  UnusableNameReport report_unusable_;
  // Shared, so that a file replaced while it is open stays whole for its reader.
  std::map<std::string, std::shared_ptr<std::vector<std::uint8_t>>> files_;
  std::set<std::string> directories_;
};

