// The file system doubles for the tests. FakeFileSystem: the platform's real files, watched and
// bent, or files and directories held in memory; either way every call that a test may want to see
// in order is logged. SizedFiles: files that hold nothing but their sizes, for the limits.
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
  // The durability each path was last created with.
  std::map<std::string, Durability> durability;
  // The Nth Write (from 1, over every file created) raises kDiskFull; 0 for none. `writes` counts.
  std::size_t failing_write = 0;
  std::size_t writes = 0;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  // In memory the pattern is a directory, a separator and "*" with an optional suffix ("*.mid"),
  // matched regardless of case; entries come in byte order.
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
  // In memory a created file appears, whole, when it is closed.
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability asked) override;

 private:
  bool ParentExists(const std::string& path) const;

  FileSystem* real_ = nullptr;
};

// Listings and databases too large for a disk in a unit test: a directory "S" of MIDI files t0.mid,
// t1.mid, ... of the sizes given, whose reads put the head of a 25-byte format-0 file in the buffer
// and leave the rest as it was, and a directory "D\" whose new files keep only what their first
// write gave (a database's header and record list) and count the rest.
class SizedFiles : public FileSystem {
 public:
  explicit SizedFiles(std::vector<std::uint64_t> sizes = {}) : sizes_(std::move(sizes)) {}

  std::vector<std::string> created;  // the paths of the files created, in order
  Bytes first_write;                 // the bytes of the first write to a created file
  std::uint64_t written = 0;         // the bytes written to created files

  bool FileExists(const std::string&) override { return false; }
  bool DirectoryExists(const std::string& path) override { return path == "S" || path == "D\\"; }
  bool CreateDir(const std::string&) override { return false; }
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override;

 private:
  std::vector<std::uint64_t> sizes_;
};
