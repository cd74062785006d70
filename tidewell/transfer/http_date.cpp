#include "tidewell/transfer/http_date.h"

#include <curl/curl.h>

#include <ctime>
#include <string>

#include "tidewell/platform/clock.h"

namespace tidewell {

std::optional<CalendarTime> ParseHttpDate(std::string_view text) {
  // libcurl reads every form servers send (a time zone other than GMT is applied).
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string terminated(text);
  const time_t value = curl_getdate(terminated.c_str(), nullptr);
  if (value == static_cast<time_t>(-1)) return std::nullopt;
  std::tm tm{};
  if (::gmtime_r(&value, &tm) == nullptr) return std::nullopt;
  return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::optional<int64_t> CalendarTimeAsLocal(const CalendarTime& time) {
  return FromLocalTime({time.year, time.month, time.day, time.hour, time.minute, time.second});
}

}  // namespace tidewell
