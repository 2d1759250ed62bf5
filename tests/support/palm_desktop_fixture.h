// What the Palm Desktop look-up tests plant and expect, shared by the in-memory and the real registry tests.
#pragma once

#include <string>

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

}  // namespace palm_desktop_fixture
