// The files of a UTF-8 system seen in Palm text: the core names every path in Windows-1252, as
// record names are; here they meet file names in UTF-8.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "seams/file_system.h"

// Receives each listed name that the listing leaves out rather than hand on garbled, with why: Palm
// text cannot hold it, or it reads the same as an earlier name of the directory once composed.
using UnusableNameReport = std::function<void(const std::string& utf8_name, const char* reason)>;

class Utf8FileSystem : public FileSystem {
 public:
  Utf8FileSystem(std::unique_ptr<FileSystem> native, UnusableNameReport report_unusable);

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override;

  // The UTF-8 path a Palm-text path stands for: the five bytes Windows-1252 leaves undefined and
  // control characters become "_", as the characters Windows refuses in names already have.
  static std::string NativePath(const std::string& path);

 private:
  // A listed file keeps the bytes of its own name: a decomposed name is opened as it was listed.
  std::string NativePathOf(const std::string& path) const;

  // Palm-text path -> UTF-8 path of the listed files that NativePath does not give back.
  std::map<std::string, std::string> listed_;
  std::unique_ptr<FileSystem> native_;
  UnusableNameReport report_unusable_;
};
