// FileSystem over POSIX for the native build. The core's paths use "\" as the separator; here
// every "\" becomes "/".
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>
#include <random>
#include <string>

#include "format/palm_text.h"
#include "seams/app_error.h"
#include "seams/file_system.h"
#include "seams/paths.h"
#include "seams/temporary_paths.h"

namespace {

std::string Native(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

// Where the last part of a path begins: just after its last separator.
std::size_t NameStart(const std::string& path) {
  return static_cast<std::size_t>(std::find_if(path.rbegin(), path.rend(), IsPathSeparator).base() - path.begin());
}

// The directory part of a native path: "." for a bare name, "/" for a name in the root.
std::string NativeDirectory(const std::string& native) {
  std::size_t start = NameStart(native);
  if (start == 0) return ".";
  return native.substr(0, start == 1 ? 1 : start - 1);
}

bool IsDirectory(const std::string& native) {
  struct stat info {};
  return stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The Windows code of a failure, so that messages read the same on both platforms.
int WindowsCode(int error, const std::string& native) {
  switch (error) {
    case ENOENT: return IsDirectory(NativeDirectory(native)) ? kFileNotFound : 3;  // 3: the directory is missing
    case ENOTDIR:
    case ENAMETOOLONG: return kInvalidFilename;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kFileAccessDenied;
    case ENOSPC: return kDiskFull;
    default: return error;
  }
}

[[noreturn]] void Fail(int error, const std::string& native) { throw InOutError(WindowsCode(error, native)); }

// A file already closed fails as an unopened file does, the same on both platforms.
int OpenDescriptor(int fd) {
  if (fd < 0) throw InOutError(kFileNotOpen);
  return fd;
}

// An open descriptor, closed quietly when Close() was not called.
class Descriptor {
 public:
  Descriptor(int fd, std::string native) : fd_(fd), native_(std::move(native)) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  void CloseOnce() {
    int fd = OpenDescriptor(fd_);
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno, native_);
  }

 protected:
  int fd_;
  std::string native_;
};

// A large block read from the page cache into fresh memory costs a page fault for every page it
// fills; with 4 KiB pages inside a virtual machine that was measured at four times the cost of
// copying the same bytes file by file. Blocks from 2 MiB on go into a mapping aligned to, and
// advised for, 2 MiB pages, filled in one request before the read.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

class MappedBlock : public FileBlock {
 public:
  explicit MappedBlock(std::size_t size) : size_(size), mapped_(RoundUp(size, kLargePage) + kLargePage) {
    base_ = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base_ == MAP_FAILED) throw std::bad_alloc();
    bytes_ = static_cast<std::uint8_t*>(base_) + (RoundUp(reinterpret_cast<std::uintptr_t>(base_), kLargePage) -
                                                  reinterpret_cast<std::uintptr_t>(base_));
    // Advice only: where the system refuses it, the block is filled page by page as any other.
#ifdef MADV_HUGEPAGE
    madvise(bytes_, RoundUp(size, kLargePage), MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    madvise(bytes_, RoundUp(size, kLargePage), MADV_POPULATE_WRITE);
#endif
  }
  ~MappedBlock() override { munmap(base_, mapped_); }
  MappedBlock(const MappedBlock&) = delete;
  MappedBlock& operator=(const MappedBlock&) = delete;

  std::span<const std::uint8_t> Bytes() const override { return {bytes_, size_}; }
  std::uint8_t* data() { return bytes_; }

 private:
  std::size_t size_;
  std::size_t mapped_;
  void* base_;
  std::uint8_t* bytes_;
};

class PosixInputFile : public InputFile, private Descriptor {
 public:
  using Descriptor::Descriptor;

  std::uint64_t Size() override {
    struct stat info {};
    if (fstat(OpenDescriptor(fd_), &info) != 0) Fail(errno, native_);
    return static_cast<std::uint64_t>(info.st_size);
  }

  void Read(void* buffer, std::size_t count) override {
    auto* bytes = static_cast<char*>(buffer);
    OpenDescriptor(fd_);
    while (count > 0) {
      ssize_t got = ::read(fd_, bytes, count);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) Fail(errno, native_);
      if (got == 0) throw InOutError(kReadBeyondEndOfFile);
      bytes += got;
      count -= static_cast<std::size_t>(got);
    }
  }

  std::unique_ptr<FileBlock> ReadBlock(std::size_t count) override {
    if (count < kLargePage) return InputFile::ReadBlock(count);
    OpenDescriptor(fd_);
    auto block = std::make_unique<MappedBlock>(count);
    Read(block->data(), count);
    return block;
  }

  void Seek(std::uint64_t position) override {
    if (lseek(OpenDescriptor(fd_), static_cast<off_t>(position), SEEK_SET) < 0) Fail(errno, native_);
  }

  void Close() override { CloseOnce(); }
};

// ---- temporary files ---------------------------------------------------------------------------

extern "C" void RemoveTemporariesAndEnd(int signal) {
  RemoveTrackedTemporaryPaths([](const char* path) { ::unlink(path); });
  // Ended by the signal itself, so that the shell sees 128 + its number.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);
}

constexpr char kTemporaryMark[] = ".carillo-";
constexpr std::size_t kTemporaryRandom = 6;
constexpr std::size_t kLongestName = 255;  // NAME_MAX of the common file systems

// "DIR/.NAME.carillo-XXXXXX": hidden, and never matching "*.mid". A long NAME is cut, at a
// character's start (some file systems take only whole UTF-8 characters), to keep within a name's limit.
std::string TemporaryPath(const std::string& native) {
  static std::mt19937 random{std::random_device{}()};
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr std::size_t kKept = kLongestName - 1 - (sizeof kTemporaryMark - 1) - kTemporaryRandom;
  const std::size_t start = NameStart(native);
  std::size_t end = std::min(native.size(), start + kKept);
  while (end > start && end < native.size() && (static_cast<unsigned char>(native[end]) & 0xC0) == 0x80) --end;
  std::string path = native.substr(0, start) + "." + native.substr(start, end - start) + kTemporaryMark;
  for (std::size_t i = 0; i < kTemporaryRandom; ++i) path += kLetters[random() % (sizeof kLetters - 1)];
  return path;
}

// Where a new file takes its place: a symbolic link's final target, so that the link stays; and
// what is there now, found in the same look-up.
struct Destination {
  std::string native;
  bool exists = false;
  struct stat info {};
};

Destination FinalTarget(std::string native) {
  for (int hops = 0; hops < 40; ++hops) {
    Destination destination{native};
    destination.exists = lstat(native.c_str(), &destination.info) == 0;
    if (!destination.exists || !S_ISLNK(destination.info.st_mode)) return destination;
    char target[PATH_MAX];
    ssize_t length = readlink(native.c_str(), target, sizeof target);
    if (length < 0) Fail(errno, native);
    if (static_cast<std::size_t>(length) == sizeof target) Fail(ENAMETOOLONG, native);
    std::string next(target, static_cast<std::size_t>(length));
    native = !next.empty() && next.front() == '/' ? next : native.substr(0, NameStart(native)) + next;
  }
  Fail(ELOOP, native);
}

// How a new file reaches its destination's place on Close.
enum class Placing {
  kInPlace,  // a destination that is no regular file (a device, a pipe) cannot be replaced
  kRenamed,  // written under a temporary name beside it and renamed over it
  kLinked,   // an unnamed file in its directory (Linux), linked in under its name once whole
};

// The unnamed file needs no name until it is whole, so an interrupt leaves nothing behind and no
// rename is paid per file; where the name appears meanwhile, it goes in under a temporary name
// renamed over what appeared, and so still takes the destination's place whole.
class PosixOutputFile : public OutputFile {
 public:
  PosixOutputFile(int fd, std::string destination, Placing placing, std::string temporary, TemporaryPathSlot slot,
                  Durability durability)
      : fd_(fd), destination_(std::move(destination)), placing_(placing), temporary_(std::move(temporary)),
        slot_(slot), durability_(durability) {}
  ~PosixOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
    Discard();
  }
  PosixOutputFile(const PosixOutputFile&) = delete;
  PosixOutputFile& operator=(const PosixOutputFile&) = delete;

  void Write(const void* data, std::size_t count) override {
    const auto* bytes = static_cast<const char*>(data);
    OpenDescriptor(fd_);
    while (count > 0) {
      ssize_t put = ::write(fd_, bytes, count);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0 && errno == ENOSPC) throw InOutError(kDiskFull);
      if (put < 0) Fail(errno, destination_);
      if (put == 0) throw InOutError(kDiskFull);
      bytes += put;
      count -= static_cast<std::size_t>(put);
    }
  }

  void Close() override {
    const int fd = OpenDescriptor(fd_);
    fd_ = -1;
    if (durability_ == Durability::Flushed && placing_ != Placing::kInPlace && ::fsync(fd) != 0) {
      FailClosing(fd, errno);
    }
    if (placing_ == Placing::kLinked) {
      if (const int error = Link(fd); error != 0) FailClosing(fd, error);
    }
    if (::close(fd) != 0) FailDiscarding(errno);
    if (placing_ == Placing::kInPlace) return;
    if (!temporary_.empty() && ::rename(temporary_.c_str(), destination_.c_str()) != 0) FailDiscarding(errno);
    linked_ = false;
    temporary_.clear();
    ForgetTemporaryPath(slot_);
    if (durability_ == Durability::Flushed) FlushDirectory();
  }

 private:
  // Gives the unnamed file its name, or failing that (the name appeared) a temporary name for
  // Close to rename; 0 or the failure's errno.
  int Link(int fd) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, destination_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      linked_ = true;
      return 0;
    }
    if (errno != EEXIST) return errno;
    for (;;) {
      std::string temporary = TemporaryPath(destination_);
      TemporaryPathSlot slot = TrackTemporaryPath(temporary);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temporary_ = std::move(temporary);
        slot_ = slot;
        return 0;
      }
      const int error = errno;
      ForgetTemporaryPath(slot);
      if (error != EEXIST) return error;
    }
  }

  // Whatever name the file has taken goes again: a file that failed to close may not be whole.
  void Discard() {
    if (linked_) ::unlink(destination_.c_str());
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    linked_ = false;
    temporary_.clear();
    ForgetTemporaryPath(slot_);
  }

  [[noreturn]] void FailDiscarding(int error) {
    Discard();
    Fail(error, destination_);
  }

  [[noreturn]] void FailClosing(int fd, int error) {
    ::close(fd);
    FailDiscarding(error);
  }

  // The new name itself reaches the disk with the directory. The file is in place already, so a
  // directory that cannot be flushed (some file systems refuse) is no failure of the write.
  void FlushDirectory() const {
    const int directory = ::open(NativeDirectory(destination_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) return;
    ::fsync(directory);
    ::close(directory);
  }

  int fd_;
  std::string destination_;
  Placing placing_;
  std::string temporary_;  // the name to rename, while there is one
  bool linked_ = false;    // linked in under the destination's name, not yet closed
  TemporaryPathSlot slot_;
  Durability durability_;
};

// The entry for `name`, found at `path` from `directory`; none for one that vanished meanwhile.
// A "\\" in the name is the core's separator, so such a file is listed only to be reported.
std::optional<DirectoryEntry> Describe(int directory, const std::string& path, const std::string& name) {
  DirectoryEntry entry;
  entry.name = name;
  entry.text = name;
  struct stat info {};
  if (fstatat(directory, path.c_str(), &info, 0) != 0) {
    if (fstatat(directory, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(info.st_mode)) return std::nullopt;
    entry.problem = kLinkToNothing;
    return entry;
  }
  if (name.find('\\') != std::string::npos) entry.problem = kNameWithBackslash;
  entry.is_directory = S_ISDIR(info.st_mode);
  entry.size = entry.is_directory ? 0 : static_cast<std::uint64_t>(info.st_size);
  return entry;
}

// An unnamed file in `native`'s directory where the system makes them and links them in through
// /proc; -1 elsewhere (another system, a file system without them, no /proc).
int OpenUnnamed([[maybe_unused]] const std::string& native) {
#ifdef O_TMPFILE
  static const bool can_link = ::access("/proc/self/fd", X_OK) == 0;
  if (can_link) return ::open(NativeDirectory(native).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
  return -1;
}

class PosixFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    struct stat info {};
    return !path.empty() && stat(Native(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  }

  bool DirectoryExists(const std::string& path) override { return !path.empty() && IsDirectory(Native(path)); }

  bool CreateDir(const std::string& path) override { return ::mkdir(Native(path).c_str(), 0777) == 0; }

  std::vector<DirectoryEntry> FindFiles(const std::string& pattern) override {
    std::string native = Native(pattern);
    std::string directory = NativeDirectory(native);
    std::string mask = native.substr(NameStart(native));
    std::vector<DirectoryEntry> entries;
    if (mask.find_first_of("*?") == std::string::npos) {
      // One file named whole: looked at where it is, whatever the directory lets others list; in
      // another case only by listing, as Windows would find it.
      if (std::optional<DirectoryEntry> entry = Describe(AT_FDCWD, native, mask)) {
        entries.push_back(std::move(*entry));
        return entries;
      }
    }
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) {
      if (errno == ENOENT || errno == ENOTDIR) return entries;
      Fail(errno, directory);
    }
    while (dirent* item = readdir(dir)) {
      std::string name = item->d_name;
      if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
      if (std::optional<DirectoryEntry> entry = Describe(dirfd(dir), name, name)) entries.push_back(std::move(*entry));
    }
    closedir(dir);
    // The directory has no order of its own here; byte order keeps runs reproducible.
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return entries;
  }

  std::unique_ptr<InputFile> OpenRead(const std::string& path) override {
    std::string native = Native(path);
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(errno, native);
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      ::close(fd);
      throw InOutError(kFileAccessDenied);  // as Windows refuses to open a directory as a file
    }
    return std::make_unique<PosixInputFile>(fd, native);
  }

  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override {
    const Destination destination = FinalTarget(Native(path));
    const std::string& native = destination.native;
    const struct stat& old = destination.info;
    const bool replaces = destination.exists;
    if (replaces && S_ISDIR(old.st_mode)) throw InOutError(kFileAccessDenied);
    if (replaces && !S_ISREG(old.st_mode)) {
      int fd = ::open(native.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd < 0) Fail(errno, native);
      return std::make_unique<PosixOutputFile>(fd, native, Placing::kInPlace, "", kUntracked, durability);
    }
    // Created as any new file (the umask, a default ACL); any failure leaves it to a named one.
    if (!replaces) {
      if (const int fd = OpenUnnamed(native); fd >= 0) {
        return std::make_unique<PosixOutputFile>(fd, native, Placing::kLinked, "", kUntracked, durability);
      }
    }
    // Refused now, as opening it for writing was: a rename would replace what may not be written.
    if (replaces && ::faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno, native);

    for (;;) {
      std::string temporary = TemporaryPath(native);
      TemporaryPathSlot slot = TrackTemporaryPath(temporary);
      // Created as any new file (the umask, a default ACL), then given the replaced file's owner
      // and permissions where the system allows.
      int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) {
        const int error = errno;
        ForgetTemporaryPath(slot);
        if (error == EEXIST) continue;
        Fail(error, native);
      }
      if (replaces) {
        if ((old.st_uid != geteuid() || old.st_gid != getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
          // Another's file can only become the writer's own; it keeps its permissions still.
        }
        ::fchmod(fd, old.st_mode & 07777);
      }
      return std::make_unique<PosixOutputFile>(fd, native, Placing::kRenamed, std::move(temporary), slot, durability);
    }
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakePlatformFileSystem() { return std::make_unique<PosixFileSystem>(); }

void RemoveTemporaryFilesOnInterrupt() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    // An ignored signal stays ignored: nohup and background jobs rely on it.
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction handler {};
    handler.sa_handler = RemoveTemporariesAndEnd;
    sigfillset(&handler.sa_mask);  // no second interrupt in the middle of the clean-up
    sigaction(signal, &handler, nullptr);
  }
}
