#include "tidewell/updateset/list_paths.h"

#include <algorithm>

namespace tidewell {

std::string ToSlashes(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string ToBackslashes(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

bool StaysBelowFolder(std::string_view relative) {
  const std::string path = ToSlashes(relative);
  if (!path.empty() && path.front() == '/') return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (std::string_view(path).substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string WithTrailingSeparator(std::string text) {
  if (text.empty() || (text.back() != '/' && text.back() != '\\')) text += '/';
  return text;
}

}  // namespace tidewell
