#include "cli/standard_streams.h"

#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "seams/app_error.h"

namespace {

void BinaryMode(std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);  // no CR LF for LF in a tune
#else
  (void)stream;
#endif
}

class BytesInput : public InputFile {
 public:
  explicit BytesInput(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t Size() override { return bytes_.size(); }
  void Read(void* buffer, std::size_t count) override {
    if (count > bytes_.size() - position_) throw InOutError(kReadBeyondEndOfFile);
    if (count == 0) return;  // an empty input has no data to copy from
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
  }
  void Seek(std::uint64_t position) override {
    position_ = position < bytes_.size() ? static_cast<std::size_t>(position) : bytes_.size();
  }
  void Close() override {}

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Held until Close, so that a failed run writes nothing at all.
class StandardOutput : public OutputFile {
 public:
  void Write(const void* data, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), bytes, bytes + count);
  }
  void Close() override {
    BinaryMode(stdout);
    if (std::fwrite(bytes_.data(), 1, bytes_.size(), stdout) != bytes_.size() || std::fflush(stdout) != 0) {
      throw InOutError(kDiskFull);
    }
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

class StandardStreams : public ForwardingFileSystem {
 public:
  StandardStreams(std::unique_ptr<FileSystem> files, bool input_is_stream)
      : ForwardingFileSystem(std::move(files)), input_unread_(input_is_stream) {}

  bool FileExists(const std::string& path) override {
    return IsStream(path) ? input_unread_ : Inner().FileExists(path);
  }
  bool DirectoryExists(const std::string& path) override { return !IsStream(path) && Inner().DirectoryExists(path); }

  std::unique_ptr<InputFile> OpenRead(const std::string& path) override {
    if (!IsStream(path)) return Inner().OpenRead(path);
    input_unread_ = false;
    BinaryMode(stdin);
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, stdin)) > 0) bytes.insert(bytes.end(), block, block + got);
    if (std::ferror(stdin)) throw InOutError(kReadBeyondEndOfFile);
    return std::make_unique<BytesInput>(std::move(bytes));
  }

  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override {
    if (IsStream(path)) return std::make_unique<StandardOutput>();
    return Inner().Create(path, durability);
  }

 private:
  static bool IsStream(const std::string& path) { return path == kStandardStream; }
  bool input_unread_;
};

}  // namespace

std::unique_ptr<FileSystem> WithStandardStreams(std::unique_ptr<FileSystem> files, bool input_is_stream) {
  return std::make_unique<StandardStreams>(std::move(files), input_is_stream);
}
