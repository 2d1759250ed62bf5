#include "commands/database_image.h"

#include "format/palm_database.h"

namespace {
void RefuseAsNoDatabase(Prompts& prompts, const std::string& path, const std::string& reason) {
  prompts.ShowInputError(Field::Edit1,
                         MakeMessage(Topic::Refusal, "not a Palm database (" + reason + ")", PathSubject(path)));
}
}  // namespace

std::optional<DatabaseImage> ReadDatabaseImage(Prompts& prompts, FileSystem& files, const std::string& path,
                                               bool judged) {
  // Whole before anything is written: a failed read ends the command with nothing extracted.
  std::unique_ptr<FileBlock> block = ReadWholeFile(files, path, palm::kLargestDatabase);
  const std::size_t size = block ? block->Bytes().size() : 0;
  if (block && size == 0) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kFileIsEmpty, PathSubject(path)));
    return std::nullopt;
  }
  if (block && judged) {
    if (const std::string reason = palm::NotADatabaseReason(block->Bytes()); !reason.empty()) {
      RefuseAsNoDatabase(prompts, path, reason);
      return std::nullopt;
    }
  }
  // Beyond 2 GiB the signed sizes and offsets of the layout no longer describe the file.
  if (!block || size < palm::kHeaderSize) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kWrongFileFormat, PathSubject(path)));
    return std::nullopt;
  }
  if (palm::DatabaseReader(block->Bytes()).IsResourceDatabase()) {
    prompts.ShowInputError(Field::Edit1, MakeMessage(Topic::Refusal, kNotARecordDatabase, PathSubject(path)));
    return std::nullopt;
  }
  return DatabaseImage(std::move(block));
}
