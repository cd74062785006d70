#include "tidewell/updateset/list_date.h"

#include "tidewell/platform/clock.h"

namespace tidewell {
namespace {

// A field read as the C library's atoi would: blanks, an optional sign, digits.
int FieldAt(std::string_view text, size_t pos, size_t len) {
  std::string_view f = text.substr(pos, len);
  size_t i = 0;
  while (i < f.size() && (f[i] == ' ' || f[i] == '\t')) ++i;
  bool negative = false;
  if (i < f.size() && (f[i] == '-' || f[i] == '+')) negative = f[i++] == '-';
  int v = 0;
  for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) v = v * 10 + (f[i] - '0');
  return negative ? -v : v;
}

}  // namespace

int ParseListDate(std::string_view text, int64_t& time) {
  if (text.size() < 19) return 1;
  LocalTime local{FieldAt(text, 6, 4),  FieldAt(text, 0, 2),  FieldAt(text, 3, 2),
                  FieldAt(text, 11, 2), FieldAt(text, 14, 2), FieldAt(text, 17, 2)};
  auto t = FromLocalTime(local);
  if (!t) return 1;
  time = *t;
  return 0;
}

std::string FormatListDate(int64_t time) { return FormatLocalTime(time, "%m/%d/%Y %H:%M:%S"); }

}  // namespace tidewell
