// The Palm Desktop software's current user and the backup of the handheld's system MIDI sounds
// database in that user's folder. Reads another product's registry keys and users.dat; never writes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "desktop/users_file.h"
#include "seams/file_system.h"
#include "seams/registry.h"

// Shows an error box owned by no window (text, caption).
using ShowErrorBox = std::function<void(const std::string& text, const std::string& caption)>;

// Everything is read in the constructor; afterwards the object only answers.
class TPalmUserData {
 public:
  // Reads the Palm Desktop keys of the current user and its users.dat. Shows the "Install" box
  // when neither Palm Desktop key opens. Raises InOutError from reading users.dat.
  TPalmUserData(RegistryKey& current_user, FileSystem& files, const ShowErrorBox& show_error_box);

  std::uint8_t UserCount() const { return user_count_; }
  std::int32_t LastUserIndex() const { return last_user_index_; }
  std::string GetDesktopPath() const { return desktop_path_; }
  // The folder of user `index`; empty when there is no such user.
  std::string GetUserDirectory(std::int32_t index) const;

  const std::string& LastUserName() const { return last_user_name_; }
  const std::vector<UserEntry>& Users() const { return users_; }

 private:
  void ReadUsersFile(FileSystem& files);

  std::uint8_t user_count_ = 0;
  std::int32_t last_user_index_ = 0;
  std::string desktop_path_;    // at most 255 characters
  std::string last_user_name_;  // at most 31 characters
  std::vector<UserEntry> users_;
};

// Assigns the backup database's path to `path` when a regular file exists there; otherwise leaves
// `path` as it was. Raises InOutError from reading users.dat.
void FindDefaultBackupPath(RegistryKey& current_user, FileSystem& files, const ShowErrorBox& show_error_box,
                           std::string& path);
