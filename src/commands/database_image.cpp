#include "commands/database_image.h"

#include <climits>

#include "format/palm_database.h"

namespace {
void RefuseAsNoDatabase(Prompts& prompts, const std::string& path, const std::string& reason) {
  prompts.ShowInputError(Field::Edit1,
                         MakeMessage(Topic::Refusal, "not a Palm database (" + reason + ")", Subject{path, 0, {}}));
}
}  // namespace

std::optional<DatabaseImage> ReadDatabaseImage(Prompts& prompts, FileSystem& files, const std::string& path,
                                               bool judged) {
  std::unique_ptr<FileBlock> block;
  {
    std::unique_ptr<InputFile> file = files.OpenRead(path);
    const std::uint64_t file_size = file->Size();
    if (file_size == 0) {
      prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kFileIsEmpty, Subject{path, 0, {}}));
      file->Close();
      return std::nullopt;
    }
    if (judged && file_size < palm::kHeaderSize) {
      file->Close();
      RefuseAsNoDatabase(prompts, path, palm::NotADatabaseReason({}));
      return std::nullopt;
    }
    // Beyond 2 GiB the signed sizes and offsets of the layout no longer describe the file.
    if (file_size < palm::kHeaderSize || file_size > static_cast<std::uint64_t>(INT32_MAX)) {
      prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kWrongFileFormat, Subject{path, 0, {}}));
      file->Close();
      return std::nullopt;
    }
    // Whole before anything is written: a failed read ends the command with nothing extracted.
    block = file->ReadBlock(static_cast<std::size_t>(file_size));
    file->Close();
  }
  if (const std::string reason = judged ? palm::NotADatabaseReason(block->Bytes()) : ""; !reason.empty()) {
    RefuseAsNoDatabase(prompts, path, reason);
    return std::nullopt;
  }
  if (palm::DatabaseReader(block->Bytes()).IsResourceDatabase()) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kNotARecordDatabase, Subject{path, 0, {}}));
    return std::nullopt;
  }
  return DatabaseImage(std::move(block));
}
