// The seam through which the core touches files and directories. Paths use "\" as the separator;
// every failure of a file operation raises InOutError with the code of the failure.
//
// Paths are the platform's bytes, as the user gave them; only names cross between the platform and
// record text (Windows-1252): the names a listing gives, and the names made from records. On
// Windows the two are the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Why a listed file cannot be taken, as DirectoryEntry::problem says it (and palm_text.h's
// kNameWithBackslash).
inline constexpr char kLinkToNothing[] = "the file it links to does not exist";

struct DirectoryEntry {
  std::string name;  // as the listing gives it, without the directory: the platform's bytes
  std::uint64_t size = 0;  // 0 for a directory
  bool is_directory = false;
  std::string text;  // the same name as record text
  // Why a listed file cannot be taken at all (a link to nothing, a name the core's paths cannot
  // carry); null for a usable one. Listed only so that it is reported, never silently passed over.
  const char* problem = nullptr;
};

// Bytes read whole from a file, in memory released the way the platform layer allocated it.
class FileBlock {
 public:
  virtual ~FileBlock() = default;
  virtual std::span<const std::uint8_t> Bytes() const = 0;
};

class InputFile {
 public:
  virtual ~InputFile() = default;  // closes quietly when Close() was not called
  virtual std::uint64_t Size() = 0;
  // Reads exactly `count` bytes at the current position; fewer raises kReadBeyondEndOfFile.
  virtual void Read(void* buffer, std::size_t count) = 0;
  // Reads exactly `count` bytes at the current position into a block of their own, as Read does.
  // The platform layer may allocate a large block in memory that is faster to fill than the heap's.
  virtual std::unique_ptr<FileBlock> ReadBlock(std::size_t count);
  virtual void Seek(std::uint64_t position) = 0;
  virtual void Close() = 0;
};

// How far a new file must have reached its disk before it takes the destination's place.
enum class Durability { Closed, Flushed };

// A new file, written beside its destination without taking its name until Close(): under a
// temporary name, or (on Linux, for a destination that does not exist yet) under none.
class OutputFile {
 public:
  virtual ~OutputFile() = default;  // without Close(), removes the temporary file: no trace is left
  // Appends exactly `count` bytes; fewer stored raises kDiskFull.
  virtual void Write(const void* data, std::size_t count) = 0;
  // Flushes (for Durability::Flushed), closes and puts the file in the destination's place; on
  // failure the temporary file is removed and the destination stays as it was.
  virtual void Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // A path that names something other than a directory.
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates one directory whose parent exists; false when that fails.
  virtual bool CreateDir(const std::string& path) = 0;
  // The entries matching a pattern such as "C:\tunes\*.mid", of every kind (hidden, system,
  // directories), in the listing's own order; empty when nothing matches. A directory that exists
  // but may not be read is empty on Windows, and raises InOutError in the native layer.
  virtual std::vector<DirectoryEntry> FindFiles(const std::string& pattern) = 0;
  // Opens an existing file for reading only, letting others read and write it meanwhile.
  virtual std::unique_ptr<InputFile> OpenRead(const std::string& path) = 0;
  // The platform's name for a file named in record text, such as a tune named after its record.
  virtual std::string NameFromText(const std::string& text) { return text; }
  // A new file that takes `path`'s place whole when Close() succeeds (flushed to the disk first for
  // Durability::Flushed); until then `path` stays as it was, and one destroyed unclosed leaves no
  // trace. A symbolic link has its target replaced; a replaced file keeps its permissions; a
  // destination that may not be written is refused here, before anything is written.
  virtual std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) = 0;
};

// A file system that hands every operation to another: the base of one that changes a few.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(std::unique_ptr<FileSystem> inner) : inner_(std::move(inner)) {}
  bool FileExists(const std::string& path) override { return inner_->FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return inner_->DirectoryExists(path); }
  bool CreateDir(const std::string& path) override { return inner_->CreateDir(path); }
  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override { return inner_->FindFiles(pattern); }
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override { return inner_->OpenRead(path); }
  std::string NameFromText(const std::string& text) override { return inner_->NameFromText(text); }
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override {
    return inner_->Create(path, durability);
  }

 protected:
  FileSystem& Inner() { return *inner_; }

 private:
  std::unique_ptr<FileSystem> inner_;
};

// Receives each file a listing leaves out rather than hand on a name no record could carry: its
// path as the user may read it (UTF-8), and why.
using UnusableNameReport = std::function<void(const std::string& path, const char* reason)>;

// Opens the file at `path`, sizes it, reads it whole into a block of its own and closes it;
// nullptr, with nothing read, when it holds more than `limit` bytes. Raises InOutError as a file
// operation fails.
std::unique_ptr<FileBlock> ReadWholeFile(FileSystem& files, const std::string& path, std::uint64_t limit);

// The platform's own file system: Win32 on Windows, POSIX in the native build.
std::unique_ptr<FileSystem> MakePlatformFileSystem();
// For the command-line program: an interrupt (SIGINT, SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break on the
// Windows console) removes every temporary file of the platform's Create before the program ends
// as the interrupt would have ended it.
void RemoveTemporaryFilesOnInterrupt();
