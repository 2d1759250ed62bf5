// The Palm Desktop software's current user and the backup database in that user's folder.
#include "desktop/palm_user_data.h"

#include <cstddef>
#include <memory>
#include <new>
#include <optional>

#include "seams/app_error.h"
#include "seams/paths.h"

namespace {

constexpr const char* kRoboticsKey = "Software\\U.S. Robotics";
constexpr const char* kPalmComputingKey = "Software\\Palm Computing";
constexpr const char* kPreferencesKey = "Pilot Desktop\\Preferences";
constexpr const char* kCoreKey = "Pilot Desktop\\Core";
constexpr const char* kLastUserNameValue = "LastUserName";
constexpr const char* kPathValue = "Path";
constexpr std::size_t kDesktopPathBufferSize = 256;

constexpr const char* kInstallText = "The Palm Desktop software is not correctly installed.";
constexpr const char* kInstallCaption = "Install";

// A string value read into a zero-terminated buffer of `buffer_size` bytes: nullopt when the value
// is absent or its text leaves no room for the closing zero. The registry type is not looked at.
std::optional<std::string> ReadText(RegistryKey& key, const char* name, std::size_t buffer_size) {
  std::optional<RegistryValue> value = key.QueryValue(name);
  if (!value || value->data.size() > buffer_size) return std::nullopt;
  std::string text(value->data.begin(), value->data.end());
  text = text.substr(0, text.find('\0'));
  if (text.size() >= buffer_size) return std::nullopt;
  return text;
}

}  // namespace

TPalmUserData::TPalmUserData(RegistryKey& current_user, FileSystem& files, const ShowErrorBox& show_error_box) {
  // The first key that opens is used even when the keys below it are missing.
  std::unique_ptr<RegistryKey> palm = current_user.OpenSubKey(kRoboticsKey, RegistryAccess::Read);
  if (!palm) palm = current_user.OpenSubKey(kPalmComputingKey, RegistryAccess::Read);
  if (!palm) {
    show_error_box(kInstallText, kInstallCaption);
    return;
  }

  if (std::unique_ptr<RegistryKey> preferences = palm->OpenSubKey(kPreferencesKey, RegistryAccess::Read)) {
    last_user_name_ = ReadText(*preferences, kLastUserNameValue, kUserTextBufferSize).value_or("");
  }

  if (std::unique_ptr<RegistryKey> core = palm->OpenSubKey(kCoreKey, RegistryAccess::Read)) {
    if (std::optional<std::string> path = ReadText(*core, kPathValue, kDesktopPathBufferSize)) {
      desktop_path_ = *path;
      ReadUsersFile(files);
    }
  }
}

std::string TPalmUserData::GetUserDirectory(std::int32_t index) const {
  if (index < 0 || index >= static_cast<std::int32_t>(users_.size())) return "";
  return users_[static_cast<std::size_t>(index)].folder_name;
}

void TPalmUserData::ReadUsersFile(FileSystem& files) {
  std::unique_ptr<InputFile> file;
  try {
    file = files.OpenRead(JoinPath(desktop_path_, "users.dat"));
  } catch (const InOutError&) {
    // Closing the file that never opened fails with 103, and that error is the one reported.
    throw InOutError(kFileNotOpen);
  }

  std::vector<std::uint8_t> image;
  try {
    // users.dat is small; the whole of it is read so that the parsing works on bytes in memory.
    const std::uint64_t size = file->Size();
    if (size > image.max_size()) throw std::bad_alloc();
    image.resize(static_cast<std::size_t>(size));
    if (!image.empty()) file->Read(image.data(), image.size());
  } catch (...) {
    // The close runs on this way out too; its own failure would be the one reported.
    file->Close();
    throw;
  }
  file->Close();

  UsersList list = ParseUsersFile(image, last_user_name_);
  users_ = std::move(list.users);
  user_count_ = static_cast<std::uint8_t>(users_.size());
  last_user_index_ = list.last_user_index;
}

void FindDefaultBackupPath(RegistryKey& current_user, FileSystem& files, const ShowErrorBox& show_error_box,
                           std::string& path) {
  TPalmUserData data(current_user, files, show_error_box);
  if (data.UserCount() == 0) return;
  // No separator handling: a desktop path ending in "\" gives a doubled one, as the lookup always has.
  std::string backup = JoinPath(JoinPath(data.GetDesktopPath(), data.GetUserDirectory(data.LastUserIndex())),
                                "Backup\\System_MIDI_Sounds.pdb");
  if (files.FileExists(backup)) path = std::move(backup);
}
