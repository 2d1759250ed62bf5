// The files of a UTF-8 system for the core: paths pass through as the platform's bytes, and only
// names cross into record text (Windows-1252): the names a listing gives, and those made of records.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "seams/file_system.h"

// Its listing leaves out, and reports, each file whose name no record could carry: Windows-1252
// cannot hold it, it reads the same as an earlier name of the directory once composed, or the
// native listing found it unusable.
class Utf8FileSystem : public ForwardingFileSystem {
 public:
  Utf8FileSystem(std::unique_ptr<FileSystem> native, UnusableNameReport report_unusable);

  // In the order Windows lists the same names on NTFS, so that one folder makes one database on
  // every system.
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override;
  std::string NameFromText(const std::string& text) override;

 private:
  UnusableNameReport report_unusable_;
};

// NTFS's order of two names (UTF-8): UTF-16 code units after Unicode's simple upper-case mapping,
// ties by bytes.
bool NtfsOrder(const std::string& a, const std::string& b);
