// The local clock on Windows.
#include <windows.h>

#include "seams/clock.h"

namespace {

class Win32Clock : public Clock {
 public:
  DateTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return EncodeDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  }
};

}  // namespace

std::unique_ptr<Clock> MakePlatformClock() { return std::make_unique<Win32Clock>(); }
