// The Palm Desktop software's current user and the backup of the handheld's system MIDI sounds
// database in that user's folder. Reads another product's registry keys and users.dat; never writes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "seams/file_system.h"
#include "seams/registry.h"

// Shows an error box owned by no window (text, caption).
using ShowErrorBox = std::function<void(const std::string& text, const std::string& caption)>;

// Assigns the backup database's path to `path` when a regular file exists there; otherwise leaves
// `path` as it was. Raises InOutError from reading users.dat.
void FindDefaultBackupPath(RegistryKey& current_user, FileSystem& files, const ShowErrorBox& show_error_box,
                           std::string& path);
