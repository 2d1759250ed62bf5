#include "commands/tune_command.h"

#include <optional>

#include "commands/database_image.h"
#include "commands/extract_command.h"
#include "commands/messages.h"
#include "format/palm_database.h"

RecordTune TakeRecordTune(Prompts& prompts, FileSystem& files, const std::string& path, const RecordChoice& choice) {
  RecordTune result;
  auto refuse = [&](std::string_view text, const Subject& subject) {
    Refuse(prompts, result.outcome, Field::Edit1, MakeMessage(Topic::Refusal, text, subject));
    return std::move(result);
  };
  if (!files.FileExists(path)) return refuse(kFileDoesNotExist, PathSubject(path));
  const std::optional<DatabaseImage> image = ReadDatabaseImage(prompts, files, path, true);
  if (!image) {
    result.outcome.End(Ending::Refused);
    return result;
  }
  const palm::DatabaseReader reader(image->Bytes());
  const std::size_t count = reader.RecordCount();
  std::optional<std::size_t> index;
  if (const std::optional<std::size_t> number = RecordNumber(choice.name)) {
    if (*number < 1 || *number > count) return refuse(NoRecordNumberText(choice.as_given, count), PathSubject(path));
    index = *number - 1;
  }
  for (std::size_t i = 0; !index && i < count; ++i) {
    const palm::RecordContents record = reader.ReadRecord(reader.Extent(static_cast<std::uint16_t>(i)));
    if (record.status != palm::RecordStatus::NotMidiRecord && record.name == choice.name) index = i;
  }
  if (!index) return refuse(NoRecordNamedText(choice.as_given), PathSubject(path));
  const palm::RecordContents record = reader.ReadRecord(reader.Extent(static_cast<std::uint16_t>(*index)));
  if (record.status != palm::RecordStatus::Midi) return refuse(record.problem, RecordSubject(path, *index, record.name));
  result.file_name = OutputFileName(record.name, true);
  result.tune.assign(record.tune.begin(), record.tune.end());
  return result;
}
