// FileSystem over the Win32 "A" file functions: the codes of Windows' own failures reach the user.
#include <windows.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "seams/app_error.h"
#include "seams/file_system.h"
#include "seams/temporary_paths.h"
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
  // The handle, given up: kFileNotOpen when there is none.
  HANDLE Release() {
    get();
    return file_.release();
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

// ---- temporary files ---------------------------------------------------------------------------

constexpr char kTemporaryMark[] = ".carillo-";

// "DIR\.NAME.carillo-XXXXXXXX", never matching "*.mid"; NAME is cut, at a character's start, so
// that the whole stays within MAX_PATH where the destination does.
std::string TemporaryPath(const std::string& destination) {
  static LONG counter = 0;
  char unique[9];
  wsprintfA(unique, "%08lX",
            static_cast<unsigned long>(GetTickCount() ^ (GetCurrentProcessId() << 16) ^
                                       static_cast<DWORD>(InterlockedIncrement(&counter)) * 2654435761u));
  const std::size_t start = destination.find_last_of("\\/:") + 1;  // npos + 1 is 0: a bare name
  const std::size_t fixed = start + 1 + (sizeof kTemporaryMark - 1) + 8;
  const std::size_t room = fixed < MAX_PATH ? MAX_PATH - 1 - fixed : 0;
  const char* name = destination.c_str() + start;
  const char* end = name;
  while (*end != '\0') {
    const char* next = CharNextA(end);
    if (static_cast<std::size_t>(next - name) > room) break;
    end = next;
  }
  return destination.substr(0, start) + "." + std::string(name, end) + kTemporaryMark + unique;
}

// The file that an existing path finally names, so that a symbolic link stays one and its target is
// replaced. Asked of every existing file: under Wine a Unix link looks like a plain file. Windows
// before Vista has no file links, nor the call that follows them.
std::string FinalTarget(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return path;
  using FinalPathName = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
  auto final_path_name = reinterpret_cast<FinalPathName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  if (final_path_name == nullptr) return path;
  FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return path;
  char target[MAX_PATH + 8];
  const DWORD length = final_path_name(file.get(), target, sizeof target, 0);
  if (length == 0 || length >= sizeof target) return path;
  std::string final(target, length);
  // "\\?\C:\..." and "\\?\UNC\server\..." as the "A" functions take them.
  if (final.rfind("\\\\?\\UNC\\", 0) == 0) return final.erase(2, 6);  // "\\server\..."
  if (final.rfind("\\\\?\\", 0) == 0) return final.erase(0, 4);
  return final;
}

// A new file under a temporary name beside its destination, moved over it on Close. A destination
// that is no file on a disk (a device such as NUL) is written in place, as it cannot be replaced.
class Win32OutputFile : public OutputFile {
 public:
  Win32OutputFile(FileHandle file, std::string destination, std::string temporary, TemporaryPathSlot slot,
                  DWORD kept_attributes, Durability durability)
      : file_(std::move(file)), destination_(std::move(destination)), temporary_(std::move(temporary)),
        slot_(slot), kept_attributes_(kept_attributes), durability_(durability) {}
  ~Win32OutputFile() override {
    if (file_.IsOpen()) CloseHandle(file_.Release());
    Discard();
  }
  Win32OutputFile(const Win32OutputFile&) = delete;
  Win32OutputFile& operator=(const Win32OutputFile&) = delete;

  void Write(const void* data, std::size_t count) override {
    HANDLE handle = file_.get();
    TransferAll(static_cast<const char*>(data), count, kDiskFull, [handle](const char* at, DWORD wanted, DWORD* put) {
      return WriteFile(handle, at, wanted, put, nullptr);
    });
  }

  void Close() override {
    const bool in_place = temporary_.empty();
    HANDLE handle = file_.get();
    if (durability_ == Durability::Flushed && !in_place && !FlushFileBuffers(handle)) {
      const DWORD error = GetLastError();
      CloseHandle(file_.Release());
      FailDiscarding(error);
    }
    if (!CloseHandle(file_.Release())) FailDiscarding(GetLastError());
    if (in_place) return;
    // A hidden or system file stays one.
    if (kept_attributes_ != 0) SetFileAttributesA(temporary_.c_str(), kept_attributes_);
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durability_ == Durability::Flushed ? MOVEFILE_WRITE_THROUGH : 0);
    if (!MoveFileExA(temporary_.c_str(), destination_.c_str(), flags)) FailDiscarding(GetLastError());
    temporary_.clear();
    ForgetTemporaryPath(slot_);
  }

 private:
  void Discard() {
    if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
    temporary_.clear();
    ForgetTemporaryPath(slot_);
  }

  [[noreturn]] void FailDiscarding(DWORD error) {
    Discard();
    throw InOutError(static_cast<int>(error));
  }

  FileHandle file_;
  std::string destination_;
  std::string temporary_;  // empty once moved, and for a destination written in place
  TemporaryPathSlot slot_;
  DWORD kept_attributes_;
  Durability durability_;
};

BOOL WINAPI RemoveTemporariesOnInterrupt(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    // The writer may hold its file open: it is shared for deletion and goes when its handle does.
    RemoveTrackedTemporaryPaths([](const char* path) { DeleteFileA(path); });
  }
  return FALSE;  // the system's own handler then ends the program as it would have
}

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

  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override {
    const std::string destination = FinalTarget(path);
    // Refused now, as opening it for writing was: read-only, a directory, held without sharing.
    FileHandle existing(CreateFileA(destination.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!existing.IsOpen() && GetLastError() != ERROR_FILE_NOT_FOUND) FailWithLastError();
    DWORD kept_attributes = 0;
    if (existing.IsOpen()) {
      if (GetFileType(existing.get()) != FILE_TYPE_DISK) {
        return std::make_unique<Win32OutputFile>(std::move(existing), destination, "", kUntracked, 0, durability);
      }
      BY_HANDLE_FILE_INFORMATION information{};
      if (!GetFileInformationByHandle(existing.get(), &information)) FailWithLastError();
      // Wine lets root open a read-only file for writing; Windows refuses, and so does this.
      if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) throw InOutError(ERROR_ACCESS_DENIED);
      kept_attributes = information.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
      existing.Close();
    }
    for (;;) {
      std::string temporary = TemporaryPath(destination);
      TemporaryPathSlot slot = TrackTemporaryPath(temporary);
      FileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.IsOpen()) {
        const DWORD error = GetLastError();
        ForgetTemporaryPath(slot);
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        throw InOutError(static_cast<int>(error));
      }
      return std::make_unique<Win32OutputFile>(std::move(file), destination, std::move(temporary), slot,
                                               kept_attributes, durability);
    }
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakePlatformFileSystem() { return std::make_unique<Win32FileSystem>(); }

void RemoveTemporaryFilesOnInterrupt() { SetConsoleCtrlHandler(RemoveTemporariesOnInterrupt, TRUE); }
