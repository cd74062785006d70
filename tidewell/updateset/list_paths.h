#pragma once
// Path rules of the update list: names in the list use backslashes below their folder,
// local paths and addresses use '/'.
#include <string>
#include <string_view>

namespace tidewell {

// Every backslash becomes '/'.
std::string ToSlashes(std::string_view text);
// Every '/' becomes a backslash (the list's own form of a name).
std::string ToBackslashes(std::string_view text);

// A relative path (either separator) that stays below its folder: not absolute and
// without a ".." component.
bool StaysBelowFolder(std::string_view relative);

// text with a '/' appended unless it already ends with '/' or a backslash.
std::string WithTrailingSeparator(std::string text);

}  // namespace tidewell
