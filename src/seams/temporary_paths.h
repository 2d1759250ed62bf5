// The paths of the temporary files being written, where an interrupt finds them: fixed storage
// read without allocating or locking, from a signal handler or from another thread.
#pragma once

#include <string>

// A place that holds one path; kUntracked when none was free or the path is too long, and its file
// then goes unguarded against interrupts.
using TemporaryPathSlot = int;
inline constexpr TemporaryPathSlot kUntracked = -1;

// Tracked before the file is created and forgotten once it is renamed or removed, so that no
// moment leaves a temporary file that an interrupt would not remove.
TemporaryPathSlot TrackTemporaryPath(const std::string& path);
void ForgetTemporaryPath(TemporaryPathSlot& slot);
// Calls `remove` with each tracked path; async-signal-safe when `remove` is.
void RemoveTrackedTemporaryPaths(void (*remove)(const char* path)) noexcept;
