#include "tidewell/platform/clock.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <ctime>

namespace tidewell {

std::optional<LocalTime> ToLocalTime(int64_t time) {
  std::time_t t = static_cast<std::time_t>(time);
  if (static_cast<int64_t>(t) != time) return std::nullopt;
  std::tm tm{};
  if (!::localtime_r(&t, &tm)) return std::nullopt;
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalTime CurrentLocalTime() {
  auto now = ToLocalTime(static_cast<int64_t>(std::time(nullptr)));
  return now ? *now : LocalTime{1970, 1, 1, 0, 0, 0};
}

namespace {

bool SameFields(const std::tm& a, const std::tm& b) {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
         a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

// mktime asks the C library to re-check the zone file on every call (a system call each
// time), which dominates reading a list of thousands of dates. The UTC offsets it found
// last are tried first instead: an offset is taken only when localtime gives back exactly
// the fields asked for, so the answer is always one the zone allows. A change of TZ
// clears them; times in a daylight-saving gap always go to mktime.
struct OffsetCache {
  std::string zone;
  bool zoneSet = false;
  int64_t offsets[2] = {0, 0};
  int count = 0;
};

void ForgetOffsetsOnZoneChange(OffsetCache& cache) {
  const char* tz = std::getenv("TZ");
  if (cache.zoneSet == (tz != nullptr) && (!tz || cache.zone == tz)) return;
  cache.zoneSet = tz != nullptr;
  cache.zone = tz ? tz : "";
  cache.count = 0;
}

}  // namespace

std::optional<int64_t> FromLocalTime(const LocalTime& local) {
  std::tm wanted{};
  wanted.tm_year = local.year - 1900;
  wanted.tm_mon = local.month - 1;
  wanted.tm_mday = local.day;
  wanted.tm_hour = local.hour;
  wanted.tm_min = local.minute;
  wanted.tm_sec = local.second;
  wanted.tm_isdst = -1;

  thread_local OffsetCache cache;
  ForgetOffsetsOnZoneChange(cache);
  std::tm normal = wanted;
  const std::time_t asUtc = ::timegm(&normal);  // also carries over out-of-range fields
  for (int i = 0; i < cache.count; ++i) {
    const std::time_t guess = asUtc - static_cast<std::time_t>(cache.offsets[i]);
    std::tm check{};
    if (::localtime_r(&guess, &check) && SameFields(check, normal))
      return static_cast<int64_t>(guess);
  }

  std::tm tm = wanted;
  errno = 0;
  std::time_t t = std::mktime(&tm);
  // -1 is also one second before 1970; only errno tells them apart.
  if (t == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
  const int64_t offset = static_cast<int64_t>(asUtc - t);
  if (SameFields(tm, normal) && (cache.count == 0 || cache.offsets[0] != offset)) {  // not in a gap
    cache.offsets[1] = cache.offsets[0];
    cache.offsets[0] = offset;
    cache.count = cache.count < 2 ? cache.count + 1 : 2;
  }
  return static_cast<int64_t>(t);
}

std::string FormatLocalTime(int64_t time, const char* format) {
  std::time_t t = static_cast<std::time_t>(time);
  std::tm tm{};
  if (static_cast<int64_t>(t) != time || !::localtime_r(&t, &tm)) return "";
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, format, &tm);
  return std::string(buf, n);
}

}  // namespace tidewell
