#include "tidewell/platform/clock.h"

#include <cerrno>
#include <ctime>

namespace tidewell {

std::optional<LocalTime> ToLocalTime(int64_t time) {
  std::time_t t = static_cast<std::time_t>(time);
  if (static_cast<int64_t>(t) != time) return std::nullopt;
  std::tm tm {};
  if (!::localtime_r(&t, &tm)) return std::nullopt;
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalTime CurrentLocalTime() {
  auto now = ToLocalTime(static_cast<int64_t>(std::time(nullptr)));
  return now ? *now : LocalTime{1970, 1, 1, 0, 0, 0};
}

std::optional<int64_t> FromLocalTime(const LocalTime& local) {
  std::tm tm {};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  errno = 0;
  std::time_t t = std::mktime(&tm);
  // -1 is also one second before 1970; only errno tells them apart.
  if (t == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
  return static_cast<int64_t>(t);
}

std::string FormatLocalTime(int64_t time, const char* format) {
  std::time_t t = static_cast<std::time_t>(time);
  std::tm tm {};
  if (static_cast<int64_t>(t) != time || !::localtime_r(&t, &tm)) return "";
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, format, &tm);
  return std::string(buf, n);
}

}  // namespace tidewell
