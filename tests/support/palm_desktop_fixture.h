// What the Palm Desktop look-up tests plant and expect, shared by the in-memory and the real registry tests.
#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/users_file_image.h"

namespace palm_desktop_fixture {

constexpr const char* kRobotics = "Software\\U.S. Robotics";
constexpr const char* kPalmComputing = "Software\\Palm Computing";
constexpr const char* kBackupTail = "\\Backup\\System_MIDI_Sounds.pdb";

// An error box as the look-up shows it: text and caption.
struct Box {
  std::string text;
  std::string caption;
  bool operator==(const Box&) const = default;
};

inline const Box kInstallBox{"The Palm Desktop software is not correctly installed.", "Install"};

// The installation's users.dat in `dir`.
inline void PlantUsers(const TempDir& dir, const std::vector<UserRecordImage>& users) {
  WriteBytes(dir / "users.dat", UsersFileImage(users));
}

// A backup database in `folder` below `dir`; gives its path.
inline std::string PlantBackup(const TempDir& dir, const std::string& folder) {
  MakeDirectory(dir / (folder + "\\Backup"));
  std::string backup = dir / folder + kBackupTail;
  WriteBytes(backup, {0x01, 0x02});
  return backup;
}

}  // namespace palm_desktop_fixture
