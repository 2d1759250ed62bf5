// The local clock in the native build.
#include <sys/time.h>

#include <ctime>

#include "seams/clock.h"

namespace {

class PosixClock : public Clock {
 public:
  DateTime Now() override {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, static_cast<int>(now.tv_usec / 1000));
  }
};

}  // namespace

std::unique_ptr<Clock> MakePlatformClock() { return std::make_unique<PosixClock>(); }
