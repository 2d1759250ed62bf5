#include "format/palm_date.h"

#include <cmath>

#include "format/byte_order.h"

namespace {
constexpr long double kDaysFrom1899To1904 = 1462.0L;
constexpr long double kSecondsPerDay = 86400.0L;

long DaysFromCivil(long year, long month, long day) {
  year -= month <= 2;
  long era = (year >= 0 ? year : year - 399) / 400;
  long year_of_era = year - era * 400;
  long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era;
}
}  // namespace

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  double days = static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30));
  double time = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
  return days + time;
}

std::uint32_t DateTimeToPalmDate(DateTime moment) {
  long double seconds = (static_cast<long double>(moment) - kDaysFrom1899To1904) * kSecondsPerDay;
  // llrintl rounds in the current mode; the program never leaves round-to-nearest-even.
  std::int64_t whole = std::llrint(seconds);
  return SwapLong(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}
