#include "graphics/formats/xbm/xbm_header.h"

#include "graphics/formats/coder/decoded_dib.h"

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

namespace {
// The header is looked for in the first part of the file only.
constexpr std::size_t kHeaderWindow = 65536;

// A text cut short lacks the "}" that closes its array near the end (then only a load
// tells whether every row is there).
bool ArrayClosed(CFile& file) {
  const std::uint64_t length = file.GetLength();
  char tail[64];
  const UINT bytes = UINT(std::min<std::uint64_t>(length, sizeof tail));
  file.Seek(std::int64_t(length - bytes), CFile::begin);
  return file.Read(tail, bytes) == bytes &&
         std::string_view(tail, bytes).find('}') != std::string_view::npos;
}

}  // namespace

std::optional<XbmHeader> ReadXbmHeader(CFile& file) {
  const std::uint64_t start = file.GetPosition();
  const std::uint64_t length = file.GetLength();
  const std::uint64_t available = length > start ? length - start : 0;
  std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(available, kHeaderWindow)),
                   '\0');
  text.resize(file.Read(text.data(), static_cast<UINT>(text.size())));
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto header = ParseXbmHeader(text);
  if (!header) return std::nullopt;
  const int width = header->width, height = header->height;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return std::nullopt;
  // Every constant takes at least one digit and a separator: a file too short to
  // hold them all is refused before memory is set aside.
  const std::size_t fileRowBytes = (std::size_t(width) + 7) / 8;
  const std::uint64_t constants = std::uint64_t(fileRowBytes) * unsigned(height);
  if (constants * 2 > available - header->bitsOffset + 1) return std::nullopt;
  return header;
}

std::optional<PictureFacts> ReadXbmFacts(CFile& file) {
  const auto header = ReadXbmHeader(file);
  if (!header || !ArrayClosed(file)) return std::nullopt;
  return PictureFacts{header->width, header->height, 1, 2};
}

}  // namespace graphics
