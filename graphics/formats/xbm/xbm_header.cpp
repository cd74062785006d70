#include "graphics/formats/xbm/xbm_header.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace graphics {
namespace {

enum class Dimension { None, Width, Height };

// "count_width" names the width. The part after the last "_" decides, so names
// made from file names with underscores ("my_icon_width") are recognised too.
Dimension DimensionOfName(std::string_view name) {
  const std::size_t underscore = name.rfind('_');
  const std::string_view key =
      underscore == std::string_view::npos ? name : name.substr(underscore + 1);
  if (key == "width") return Dimension::Width;
  if (key == "height") return Dimension::Height;
  return Dimension::None;
}

// One "#define NAME NUMBER" from position pos; advances pos past the number.
bool ParseDefine(std::string_view text, std::size_t& pos, Dimension& kind, int& value) {
  constexpr std::string_view kDefine = "#define ";
  const std::size_t start = text.find(kDefine, pos);
  if (start == std::string_view::npos) return false;
  std::size_t p = start + kDefine.size();
  while (p < text.size() && text[p] == ' ') ++p;
  const std::size_t nameEnd = text.find(' ', p);
  if (nameEnd == std::string_view::npos) return false;
  kind = DimensionOfName(text.substr(p, nameEnd - p));
  p = nameEnd + 1;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  if (p < text.size() && text[p] == '+') ++p;
  const auto [end, error] = std::from_chars(text.data() + p, text.data() + text.size(), value);
  if (error != std::errc()) return false;
  pos = static_cast<std::size_t>(end - text.data());
  return true;
}

}  // namespace

std::optional<XbmHeader> ParseXbmHeader(std::string_view text) {
  XbmHeader header;
  bool haveWidth = false, haveHeight = false;
  std::size_t pos = 0;
  for (int i = 0; i < 2; ++i) {
    Dimension kind;
    int value = 0;
    if (!ParseDefine(text, pos, kind, value)) return std::nullopt;
    if (kind == Dimension::Width) {
      header.width = value;
      haveWidth = true;
    } else if (kind == Dimension::Height) {
      header.height = value;
      haveHeight = true;
    }
  }
  if (!haveWidth || !haveHeight) return std::nullopt;
  const std::size_t staticWord = text.find("static ", pos);
  if (staticWord == std::string_view::npos) return std::nullopt;
  const std::size_t charWord = text.find("char ", staticWord + 7);
  if (charWord == std::string_view::npos) return std::nullopt;
  const std::size_t bracket = text.find('[', charWord + 5);
  if (bracket == std::string_view::npos) return std::nullopt;
  const std::size_t brace = text.find('{', bracket);
  if (brace == std::string_view::npos) return std::nullopt;
  header.bitsOffset = brace + 1;
  return header;
}

bool LooksLikeXbm(std::string_view firstBytes) {
  std::string lower(firstBytes.substr(0, firstBytes.find('\0')));
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ParseXbmHeader(lower).has_value();
}

}  // namespace graphics
