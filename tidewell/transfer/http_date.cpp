#include "tidewell/transfer/http_date.h"

#include <array>
#include <cctype>
#include <ctime>

namespace tidewell {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

// A small cursor over the header value.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void SkipSpaces() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Accept(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::string_view Word() {
    const size_t start = pos_;
    while (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    return text_.substr(start, pos_ - start);
  }
  // Reads 1..maxDigits decimal digits.
  std::optional<int> Number(size_t maxDigits, size_t* digits = nullptr) {
    int value = 0;
    size_t count = 0;
    while (pos_ < text_.size() && count < maxDigits &&
           std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++count;
    }
    if (digits != nullptr) *digits = count;
    if (count == 0) return std::nullopt;
    return value;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::optional<int> MonthFromName(std::string_view word) {
  if (word.size() != 3) return std::nullopt;
  for (size_t i = 0; i < kMonths.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < 3; ++k) {
      if (std::tolower(static_cast<unsigned char>(word[k])) != kMonths[i][k]) same = false;
    }
    if (same) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

bool ReadClock(Scanner& s, CalendarTime& t) {
  auto h = s.Number(2);
  if (!h || !s.Accept(':')) return false;
  auto m = s.Number(2);
  if (!m || !s.Accept(':')) return false;
  auto sec = s.Number(2);
  if (!sec) return false;
  t.hour = *h;
  t.minute = *m;
  t.second = *sec;
  return true;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool Valid(CalendarTime& t) {
  static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 1601 || t.year > 9999) return false;
  if (t.month < 1 || t.month > 12) return false;
  if (t.day < 1 || t.day > kDays[static_cast<size_t>(t.month - 1)]) return false;
  if (t.month == 2 && t.day == 29 && !IsLeapYear(t.year)) return false;
  if (t.hour > 23 || t.minute > 59 || t.second > 60) return false;
  if (t.second == 60) t.second = 59;
  return true;
}

int ExpandYear(int year, size_t digits) {
  if (digits > 2) return year;
  return year < 70 ? 2000 + year : 1900 + year;
}

// "06 Nov 1994 08:49:37 GMT" or "06-Nov-94 08:49:37 GMT" (after the week day).
std::optional<CalendarTime> ParseDayFirst(Scanner& s) {
  CalendarTime t{};
  auto day = s.Number(2);
  if (!day) return std::nullopt;
  const bool dashed = s.Accept('-');
  if (!dashed) s.SkipSpaces();
  auto month = MonthFromName(s.Word());
  if (!month) return std::nullopt;
  if (dashed ? !s.Accept('-') : false) return std::nullopt;
  s.SkipSpaces();
  size_t digits = 0;
  auto year = s.Number(4, &digits);
  if (!year || digits == 3) return std::nullopt;
  s.SkipSpaces();
  if (!ReadClock(s, t)) return std::nullopt;
  s.SkipSpaces();
  const std::string_view zone = s.Word();
  if (!zone.empty() && zone != "GMT" && zone != "UTC") return std::nullopt;
  s.SkipSpaces();
  if (!s.AtEnd()) return std::nullopt;
  t.year = ExpandYear(*year, digits);
  t.month = *month;
  t.day = *day;
  if (!Valid(t)) return std::nullopt;
  return t;
}

// "Nov  6 08:49:37 1994" (after the week day).
std::optional<CalendarTime> ParseAsctime(Scanner& s, int month) {
  CalendarTime t{};
  s.SkipSpaces();
  auto day = s.Number(2);
  if (!day) return std::nullopt;
  s.SkipSpaces();
  if (!ReadClock(s, t)) return std::nullopt;
  s.SkipSpaces();
  size_t digits = 0;
  auto year = s.Number(4, &digits);
  if (!year || digits != 4) return std::nullopt;
  s.SkipSpaces();
  if (!s.AtEnd()) return std::nullopt;
  t.year = *year;
  t.month = month;
  t.day = *day;
  if (!Valid(t)) return std::nullopt;
  return t;
}

}  // namespace

std::optional<CalendarTime> ParseHttpDate(std::string_view text) {
  Scanner s(text);
  s.SkipSpaces();
  const std::string_view weekday = s.Word();
  if (weekday.size() < 3) return std::nullopt;
  if (s.Accept(',')) {
    s.SkipSpaces();
    return ParseDayFirst(s);
  }
  s.SkipSpaces();
  auto month = MonthFromName(s.Word());
  if (!month) return std::nullopt;
  return ParseAsctime(s, *month);
}

std::optional<int64_t> CalendarTimeAsLocal(const CalendarTime& time) {
  std::tm tm{};
  tm.tm_year = time.year - 1900;
  tm.tm_mon = time.month - 1;
  tm.tm_mday = time.day;
  tm.tm_hour = time.hour;
  tm.tm_min = time.minute;
  tm.tm_sec = time.second;
  tm.tm_isdst = -1;
  const std::time_t value = std::mktime(&tm);
  if (value == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<int64_t>(value);
}

}  // namespace tidewell
