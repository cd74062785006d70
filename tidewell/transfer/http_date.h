#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tidewell {

// A date and time as a server writes it, without any time zone applied.
struct CalendarTime {
  int year;
  int month;   // 1..12
  int day;     // 1..31, valid for the month
  int hour;    // 0..23
  int minute;  // 0..59
  int second;  // 0..59 (a leap second reads as 59)
};

// Parses the date forms HTTP servers send in Last-Modified ("Sun, 06 Nov 1994 08:49:37
// GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994" and the looser
// forms libcurl reads), as GMT fields. Out-of-range days carry over (31 Feb is 2 or 3
// Mar). Empty for what is no date.
std::optional<CalendarTime> ParseHttpDate(std::string_view text);

// The date and time read as local wall-clock time, in seconds since 1970 (summer time
// left to the C library). Empty when out of range.
std::optional<int64_t> CalendarTimeAsLocal(const CalendarTime& time);

}  // namespace tidewell
