#include "seams/paths.h"

#include "seams/app_error.h"
#include "seams/file_system.h"

namespace {
// The split of ExtractFilePath: a drive's colon ends a directory part too, and "/" does not.
bool IsDelimiter(char c) { return c == '\\' || c == ':'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && IsPathSeparator(path.back())) path.pop_back();
  return path;
}

std::string ParentOf(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1]) || path[i - 1] == ':') return path.substr(0, i);
  }
  return "";
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  std::size_t n = 0, m = 0;
  std::size_t star_mask = std::string_view::npos, star_name = 0;  // after the last "*", and the name there
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star_mask = ++m;
      star_name = n;
    } else if (m < mask.size() && (mask[m] == '?' || Upper(mask[m]) == Upper(name[n]))) {
      ++m;
      ++n;
    } else if (star_mask != std::string_view::npos) {
      m = star_mask;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

void DropTrailingSeparator(std::string& path) {
  if (!path.empty() && IsPathSeparator(path.back())) path.pop_back();
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path;
  path.reserve(directory.size() + 1 + name.size());
  path.append(directory).append(1, '\\').append(name);
  return path;
}

std::string ExtractFilePath(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsDelimiter(path[i - 1])) return path.substr(0, i);
  }
  return "";
}

std::string ExtractFileName(const std::string& path) { return path.substr(ExtractFilePath(path).size()); }

bool ForceDirectories(FileSystem& files, const std::string& path) {
  if (path.empty()) throw AppError(kUnableToCreateDirectory);
  std::string dir = WithoutTrailingSeparators(path);
  // A drive ("C:"), a root ("\") or a relative name of one or two characters: nothing to create.
  // A rooted name of one character ("\a") is a real directory.
  bool rooted_name = dir.size() == 2 && IsPathSeparator(dir[0]) && !IsPathSeparator(dir[1]);
  if ((dir.size() < 3 && !rooted_name) || files.DirectoryExists(dir)) return true;
  std::string parent = ParentOf(dir);
  if (parent == dir) return true;
  return ForceDirectories(files, parent) && files.CreateDir(dir);
}
