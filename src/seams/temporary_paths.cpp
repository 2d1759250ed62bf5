#include "seams/temporary_paths.h"

#include <atomic>
#include <cstring>
#include <iterator>

namespace {

struct Slot {
  enum State : int { kFree, kFilling, kLive };
  std::atomic<int> state{kFree};
  char path[4096];
};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

// A few files at a time are written (a database, or a tune); more only in tests.
Slot slots[16];

}  // namespace

TemporaryPathSlot TrackTemporaryPath(const std::string& path) {
  if (path.size() >= sizeof Slot::path) return kUntracked;
  for (TemporaryPathSlot i = 0; i < static_cast<TemporaryPathSlot>(std::size(slots)); ++i) {
    int expected = Slot::kFree;
    if (!slots[i].state.compare_exchange_strong(expected, Slot::kFilling)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].state.store(Slot::kLive);
    return i;
  }
  return kUntracked;
}

void ForgetTemporaryPath(TemporaryPathSlot& slot) {
  if (slot != kUntracked) slots[slot].state.store(Slot::kFree);
  slot = kUntracked;
}

void RemoveTrackedTemporaryPaths(void (*remove)(const char* path)) noexcept {
  for (Slot& slot : slots) {
    if (slot.state.load() == Slot::kLive) remove(slot.path);
  }
}
