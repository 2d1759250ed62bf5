// The files of a UTF-8 system for the core: paths pass through as the platform's bytes, and only
// names cross into record text (Windows-1252): the names a listing gives, and those made of records.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "seams/file_system.h"

// Receives each listed file (its path, UTF-8) that the listing leaves out rather than hand on a
// name no record could carry, with why: Windows-1252 cannot hold it, or it reads the same as an
// earlier name of the directory once composed.
using UnusableNameReport = std::function<void(const std::string& utf8_path, const char* reason)>;

class Utf8FileSystem : public FileSystem {
 public:
  Utf8FileSystem(std::unique_ptr<FileSystem> native, UnusableNameReport report_unusable);

  bool FileExists(const std::string& path) override { return native_->FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return native_->DirectoryExists(path); }
  bool CreateDir(const std::string& path) override { return native_->CreateDir(path); }
  // In the order Windows lists the same names on NTFS, so that one folder makes one database on
  // every system.
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override { return native_->OpenRead(path); }
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override {
    return native_->Create(path, durability);
  }
  std::string NameFromText(const std::string& text) override;

 private:
  std::unique_ptr<FileSystem> native_;
  UnusableNameReport report_unusable_;
};

// NTFS's order of two names (UTF-8): UTF-16 code units after Unicode's simple upper-case mapping,
// ties by bytes.
bool NtfsOrder(const std::string& a, const std::string& b);
