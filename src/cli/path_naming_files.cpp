#include "cli/path_naming_files.h"

#include <utility>

#include "seams/app_error.h"

namespace {

// Runs `operation`; an InOutError leaves it naming `path`.
template <typename Operation>
auto Naming(const std::string& path, Operation operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const InOutError& error) {
    if (!error.path().empty()) throw;
    throw InOutError(error.code(), path);
  }
}

class NamedInput : public InputFile {
 public:
  NamedInput(std::unique_ptr<InputFile> file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  std::uint64_t Size() override { return Naming(path_, [&] { return file_->Size(); }); }
  void Read(void* buffer, std::size_t count) override { Naming(path_, [&] { file_->Read(buffer, count); }); }
  std::unique_ptr<FileBlock> ReadBlock(std::size_t count) override {
    return Naming(path_, [&] { return file_->ReadBlock(count); });
  }
  void Seek(std::uint64_t position) override { Naming(path_, [&] { file_->Seek(position); }); }
  void Close() override { Naming(path_, [&] { file_->Close(); }); }

 private:
  std::unique_ptr<InputFile> file_;
  std::string path_;
};

class NamedOutput : public OutputFile {
 public:
  NamedOutput(std::unique_ptr<OutputFile> file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  void Write(const void* data, std::size_t count) override { Naming(path_, [&] { file_->Write(data, count); }); }
  void Close() override { Naming(path_, [&] { file_->Close(); }); }

 private:
  std::unique_ptr<OutputFile> file_;
  std::string path_;
};

class NamingFiles : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::unique_ptr<InputFile> OpenRead(const std::string& path) override {
    return std::make_unique<NamedInput>(Naming(path, [&] { return Inner().OpenRead(path); }), path);
  }
  std::unique_ptr<OutputFile> Create(const std::string& path, Durability durability) override {
    return std::make_unique<NamedOutput>(Naming(path, [&] { return Inner().Create(path, durability); }), path);
  }
};

}  // namespace

std::unique_ptr<FileSystem> NamingFailedPaths(std::unique_ptr<FileSystem> files) {
  return std::make_unique<NamingFiles>(std::move(files));
}
