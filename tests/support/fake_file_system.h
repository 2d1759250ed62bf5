// One file system double for the tests: the platform's real files, watched and bent, or files and
// directories held in memory. Either way every call that a test may want to see in order is logged.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "seams/file_system.h"
#include "support/bytes.h"

class FakeFileSystem : public FileSystem {
 public:
  // In memory: nothing exists until planted in `directories` and `files`.
  FakeFileSystem() = default;
  // Over `real` (not owned): what is asked goes there; `listing_extras` and `read_only` still bend it.
  explicit FakeFileSystem(FileSystem& real) : real_(&real) {}

  // "exists <path>" (FileExists), "mkdir <path>" (CreateDir), "open <path>", "close" (of a file
  // opened for reading) and "create <path>", in the order asked.
  std::vector<std::string> log;
  // The paths logged under `what` ("exists", "mkdir", "open" or "create"), in order.
  std::vector<std::string> Logged(const std::string& what) const;

  // In memory. Directories are matched as spelled; a path's parent exists when its directory part
  // (ExtractFilePath), with or without its trailing separator, is a directory, or when it has none.
  std::set<std::string> directories;
  std::map<std::string, Bytes> files;
  std::set<std::string> refused_directories;  // CreateDir fails for these although it could succeed

  // Entries added to every listing, as if the directory held them.
  std::vector<DirectoryEntry> listing_extras;
  // Creating anything fails the test (and the call).
  bool read_only = false;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  // In memory the pattern is a directory, a separator and "*" with an optional suffix ("*.mid"),
  // matched regardless of case; entries come in byte order.
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
  std::unique_ptr<OutputFile> Create(const std::string& path) override;

 private:
  bool ParentExists(const std::string& path) const;

  FileSystem* real_ = nullptr;
};
