#pragma once
// Local calendar time as the C library sees it (localtime/mktime; TZ applies).
#include <cstdint>
#include <optional>
#include <string>

namespace tidewell {

struct LocalTime {
  int year, month, day, hour, minute, second;  // month 1-12, day 1-31, hour 0-23
};

LocalTime CurrentLocalTime();

// Local fields of a time in seconds since 1970 (UTC); none when out of the C library's range.
std::optional<LocalTime> ToLocalTime(int64_t time);

// Seconds since 1970 of local fields, daylight-saving time decided by the C library.
// Out-of-range fields are carried over (month 13 is January of the next year).
std::optional<int64_t> FromLocalTime(const LocalTime& local);

// strftime text of a time in local time; "" when the time can't be converted.
std::string FormatLocalTime(int64_t time, const char* format);

}  // namespace tidewell
