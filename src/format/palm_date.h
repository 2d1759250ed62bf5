// Palm dates: seconds since 1904-01-01 00:00:00 local time, big-endian in the file.
#pragma once

#include <cstdint>

// A date-time is a count of days since 1899-12-30 00:00:00; the fraction is the time of day.
using DateTime = double;

// The Palm date of the moment, already passed through SwapLong: store its bytes as they lie in memory.
std::uint32_t DateTimeToPalmDate(DateTime moment);
