// Palm dates: seconds since 1904-01-01 00:00:00 local time, big-endian in the file.
#pragma once

#include <cstdint>

// A date-time is a count of days since 1899-12-30 00:00:00; the fraction is the time of day.
using DateTime = double;

// The date-time of a civil date and time of day (proleptic Gregorian calendar).
DateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                        int millisecond = 0);

// The Palm date of the moment, already passed through SwapLong: store its bytes as they lie in memory.
// Computed in extended precision, rounded half to even, kept to its low 32 bits without a range
// check (moments after 2040-02-06 06:28:15 wrap round).
std::uint32_t DateTimeToPalmDate(DateTime moment);
