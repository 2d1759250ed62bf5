// The local clock, seen through a seam so that the database writer can be tested at fixed moments.
#pragma once

#include <memory>

#include "format/palm_date.h"

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time, to the millisecond.
  virtual DateTime Now() = 0;
};

std::unique_ptr<Clock> MakePlatformClock();
