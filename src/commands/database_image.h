// A database read whole into memory, after the checks of its size and kind that every command
// reading one makes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "commands/prompts.h"
#include "seams/file_system.h"

class DatabaseImage {
 public:
  explicit DatabaseImage(std::unique_ptr<FileBlock> block) : block_(std::move(block)) {}
  std::span<const std::uint8_t> Bytes() const { return block_->Bytes(); }

 private:
  std::unique_ptr<FileBlock> block_;
};

// Reads the file at `path` whole. nullopt, after a warning at Edit1, for an empty file, one too
// short for a header or too large for the layout's signed sizes, and a resource database; with
// `judged`, also for a file that is no Palm database at all, saying why. Raises InOutError when the
// file cannot be opened or read.
std::optional<DatabaseImage> ReadDatabaseImage(Prompts& prompts, FileSystem& files, const std::string& path,
                                               bool judged = false);
