// FileSystem over the Win32 "A" file functions: the codes of Windows' own failures reach the user.
#include <windows.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "seams/app_error.h"
#include "seams/file_system.h"
#include "win32/handles.h"

namespace {

[[noreturn]] void FailWithLastError() { throw InOutError(static_cast<int>(GetLastError())); }

// The largest single ReadFile/WriteFile request; a size_t above it is split, never truncated.
constexpr std::size_t kMaxTransfer = 1u << 30;

// Moves `count` bytes at `bytes` in requests of at most kMaxTransfer. `request` makes one
// (ReadFile or WriteFile) and says how many bytes it moved; fewer than asked raises `shortfall`.
template <typename Byte, typename Request>
void TransferAll(Byte* bytes, std::size_t count, int shortfall, Request request) {
  while (count > 0) {
    DWORD wanted = static_cast<DWORD>(std::min(count, kMaxTransfer));
    DWORD moved = 0;
    if (!request(bytes, wanted, &moved)) FailWithLastError();
    if (moved < wanted) throw InOutError(shortfall);
    bytes += moved;
    count -= moved;
  }
}

// Owns a file handle; closing through Close() reports failure, the destructor closes quietly.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : file_(handle) {}

  bool IsOpen() const { return static_cast<bool>(file_); }
  // The handle of an open file; a file already closed fails as an unopened file does.
  HANDLE get() const {
    if (!IsOpen()) throw InOutError(kFileNotOpen);
    return file_.get();
  }
  void Close() {
    HANDLE handle = get();
    file_.release();
    if (!CloseHandle(handle)) FailWithLastError();
  }

 private:
  UniqueFile file_;
};

class Win32InputFile : public InputFile {
 public:
  explicit Win32InputFile(FileHandle file) : file_(std::move(file)) {}

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) FailWithLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void Read(void* buffer, std::size_t count) override {
    HANDLE handle = file_.get();
    TransferAll(static_cast<char*>(buffer), count, kReadBeyondEndOfFile, [handle](char* at, DWORD wanted, DWORD* got) {
      return ReadFile(handle, at, wanted, got, nullptr);
    });
  }

  void Seek(std::uint64_t position) override {
    if (position > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max())) {
      throw InOutError(ERROR_NEGATIVE_SEEK);
    }
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(file_.get(), distance, nullptr, FILE_BEGIN)) FailWithLastError();
  }

  void Close() override { file_.Close(); }

 private:
  FileHandle file_;
};

class Win32OutputFile : public OutputFile {
 public:
  explicit Win32OutputFile(FileHandle file) : file_(std::move(file)) {}

  void Write(const void* data, std::size_t count) override {
    HANDLE handle = file_.get();
    TransferAll(static_cast<const char*>(data), count, kDiskFull, [handle](const char* at, DWORD wanted, DWORD* put) {
      return WriteFile(handle, at, wanted, put, nullptr);
    });
  }

  void Close() override { file_.Close(); }

 private:
  FileHandle file_;
};

class Win32FileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  bool DirectoryExists(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool CreateDir(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAA found{};
    UniqueFind find(FindFirstFileA(pattern.c_str(), &found));
    if (!find) return entries;
    do {
      DirectoryEntry entry;
      entry.name = found.cFileName;
      entry.text = entry.name;
      entry.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!entry.is_directory) {
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      }
      entries.push_back(std::move(entry));
    } while (FindNextFileA(find.get(), &found));
    return entries;
  }

  std::unique_ptr<InputFile> OpenRead(const std::string& path) override {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) FailWithLastError();
    return std::make_unique<Win32InputFile>(std::move(file));
  }

  std::unique_ptr<OutputFile> Create(const std::string& path) override {
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) FailWithLastError();
    return std::make_unique<Win32OutputFile>(std::move(file));
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakePlatformFileSystem() { return std::make_unique<Win32FileSystem>(); }
