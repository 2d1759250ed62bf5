// The yardstick of the benchmark: copies every file of a directory into another, file by file,
// each read whole into memory with one request and written whole with one, through the
// platform's own calls and nothing else.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

namespace {

std::vector<std::string> ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

bool CopyOne(const std::string& from, const std::string& to, std::vector<char>& buffer) {
  HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  DWORD got = 0;
  bool ok = GetFileSizeEx(in, &size) != 0;
  if (ok) buffer.resize(static_cast<std::size_t>(size.QuadPart));
  ok = ok && ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got == buffer.size();
  CloseHandle(in);
  if (!ok) return false;
  HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  ok = WriteFile(out, buffer.data(), static_cast<DWORD>(buffer.size()), &put, nullptr) && put == buffer.size();
  return CloseHandle(out) && ok;
}

const char kSeparator[] = "\\";

}  // namespace

#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_REG) names.push_back(entry->d_name);
  }
  closedir(dir);
  return names;
}

bool CopyOne(const std::string& from, const std::string& to, std::vector<char>& buffer) {
  int in = open(from.c_str(), O_RDONLY);
  if (in < 0) return false;
  struct stat info {};
  bool ok = fstat(in, &info) == 0;
  if (ok) buffer.resize(static_cast<std::size_t>(info.st_size));
  ok = ok && read(in, buffer.data(), buffer.size()) == static_cast<ssize_t>(buffer.size());
  close(in);
  if (!ok) return false;
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0) return false;
  ok = write(out, buffer.data(), buffer.size()) == static_cast<ssize_t>(buffer.size());
  return close(out) == 0 && ok;
}

const char kSeparator[] = "/";

}  // namespace
#endif

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: plain_copy SOURCE_DIRECTORY DESTINATION_DIRECTORY\n");
    return 2;
  }
  const std::string source = argv[1], destination = argv[2];
  std::vector<char> buffer;
  std::size_t copied = 0;
  for (const std::string& name : ListFiles(source)) {
    if (!CopyOne(source + kSeparator + name, destination + kSeparator + name, buffer)) {
      std::fprintf(stderr, "plain_copy: cannot copy %s\n", name.c_str());
      return 1;
    }
    ++copied;
  }
  std::printf("%zu files copied\n", copied);
  return 0;
}
