#pragma once

#include <string>

namespace tidewell {

// Moves `source` over `target`, replacing it in one step. When the two lie on
// different file systems the data is copied beside `target` first and then renamed
// over it, so `target` is never half written. False (and `target` untouched) on failure.
bool ReplaceFileWith(const std::string& source, const std::string& target);

}  // namespace tidewell
