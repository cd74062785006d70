// Server answers read by the download workers: Last-Modified dates and addresses.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tidewell/transfer/http_date.h"
#include "tidewell/transfer/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const auto date = tidewell::ParseHttpDate(text)) {
    if (date->month < 1 || date->month > 12 || date->day < 1 || date->day > 31 || date->hour > 23 ||
        date->minute > 59 || date->second > 59)
      std::abort();
    (void)tidewell::CalendarTimeAsLocal(*date);
  }

  if (const auto url = tidewell::ParseUrl(text)) {
    if (url->serverName.empty() || url->objectPath.empty() || url->objectPath.front() != '/')
      std::abort();
  }
  return 0;
}
