#include "seams/paths.h"

#include "seams/app_error.h"
#include "seams/file_system.h"

namespace {
bool IsDelimiter(char c) { return c == '\\' || c == ':'; }

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}
}  // namespace

std::string ExtractFilePath(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsDelimiter(path[i - 1])) return path.substr(0, i);
  }
  return "";
}

std::string ExtractFileName(const std::string& path) { return path.substr(ExtractFilePath(path).size()); }

bool ForceDirectories(FileSystem& files, const std::string& path) {
  if (path.empty()) throw AppError("Unable to create directory");
  std::string dir = WithoutTrailingBackslash(path);
  // Two characters or fewer is a drive ("C:") or a root: nothing to create there.
  if (dir.size() < 3 || files.DirectoryExists(dir) || ExtractFilePath(dir) == dir) return true;
  return ForceDirectories(files, ExtractFilePath(dir)) && files.CreateDir(dir);
}
