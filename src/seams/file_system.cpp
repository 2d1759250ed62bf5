#include "seams/file_system.h"

namespace {
class HeapBlock : public FileBlock {
 public:
  explicit HeapBlock(std::size_t size) : bytes_(std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size])), size_(size) {}
  std::span<const std::uint8_t> Bytes() const override { return {bytes_.get(), size_}; }
  std::uint8_t* data() { return bytes_.get(); }

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_;
};
}  // namespace

std::unique_ptr<FileBlock> ReadWholeFile(FileSystem& files, const std::string& path, std::uint64_t limit) {
  std::unique_ptr<InputFile> file = files.OpenRead(path);
  const std::uint64_t size = file->Size();
  std::unique_ptr<FileBlock> block;
  if (size <= limit) block = file->ReadBlock(static_cast<std::size_t>(size));
  file->Close();
  return block;
}

std::unique_ptr<FileBlock> InputFile::ReadBlock(std::size_t count) {
  // Not zero-filled first: the read fills it, and a large block would be written twice.
  auto block = std::make_unique<HeapBlock>(count);
  Read(block->data(), count);
  return block;
}
