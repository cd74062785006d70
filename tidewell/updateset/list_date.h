#pragma once
// The update list's time text, "%m/%d/%Y %H:%M:%S" in local time (03/15/2000 10:22:05).
#include <cstdint>
#include <string>
#include <string_view>

namespace tidewell {

// Sets time from the text; returns 0, or 1 (time unchanged) when the text is shorter than
// 19 characters. The fields are read at fixed places; separators are not looked at.
int ParseListDate(std::string_view text, int64_t& time);

std::string FormatListDate(int64_t time);

}  // namespace tidewell
