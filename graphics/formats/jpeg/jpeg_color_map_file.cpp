#include "graphics/formats/jpeg/jpeg_color_map_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace graphics {
namespace {

constexpr std::size_t kMaxColours = 256;
constexpr std::uint64_t kMaxMapFileBytes = 64u << 20;  // a colour map has no business being larger

bool AddColour(std::vector<MapColour>* colours, const MapColour& colour, std::string* error) {
  if (std::find(colours->begin(), colours->end(), colour) != colours->end()) return true;
  if (colours->size() == kMaxColours) {
    *error = "colour map file has more than 256 colours";
    return false;
  }
  colours->push_back(colour);
  return true;
}

bool ParseGifMap(const std::vector<std::uint8_t>& b, std::vector<MapColour>* colours,
                 std::string* error) {
  if (b.size() < 13 || !std::equal(b.begin(), b.begin() + 3, "GIF")) {
    *error = "colour map file is not a GIF file";
    return false;
  }
  if ((b[10] & 0x80) == 0) {
    *error = "GIF colour map file has no global colour table";
    return false;
  }
  const std::size_t count = std::size_t(2) << (b[10] & 7);
  if (b.size() < 13 + 3 * count) {
    *error = "GIF colour map file ends inside its colour table";
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const MapColour colour = {b[13 + 3 * i], b[14 + 3 * i], b[15 + 3 * i]};
    if (!AddColour(colours, colour, error)) return false;
  }
  return true;
}

// Reads the unsigned decimal numbers of a PPM text header or P3 body.
class PpmText {
 public:
  PpmText(const std::vector<std::uint8_t>& bytes, std::size_t pos) : m_b(bytes), m_pos(pos) {}
  bool Number(std::uint64_t* value) {
    for (;;) {
      if (m_pos >= m_b.size()) return false;
      const int c = m_b[m_pos];
      if (c == '#') {
        while (m_pos < m_b.size() && m_b[m_pos] != '\n' && m_b[m_pos] != '\r') ++m_pos;
      } else if (std::isspace(c)) {
        ++m_pos;
      } else {
        break;
      }
    }
    if (!std::isdigit(m_b[m_pos])) return false;
    std::uint64_t v = 0;
    while (m_pos < m_b.size() && std::isdigit(m_b[m_pos])) {
      v = v * 10 + (m_b[m_pos++] - '0');
      if (v > 0xFFFFFFFFull) return false;
    }
    *value = v;
    return true;
  }
  std::size_t Position() const { return m_pos; }

 private:
  const std::vector<std::uint8_t>& m_b;
  std::size_t m_pos;
};

bool ParsePpmMap(const std::vector<std::uint8_t>& b, std::vector<MapColour>* colours,
                 std::string* error) {
  const bool binary = b.size() >= 2 && b[1] == '6';
  if (b.size() < 2 || (b[1] != '3' && b[1] != '6')) {
    *error = "colour map file is not a PPM (P3 or P6) file";
    return false;
  }
  PpmText text(b, 2);
  std::uint64_t width = 0, height = 0, maxValue = 0;
  if (!text.Number(&width) || !text.Number(&height) || !text.Number(&maxValue) || maxValue < 1 ||
      maxValue > 255) {
    *error = "PPM colour map file has a bad header";
    return false;
  }
  const std::uint64_t pixels = width * height;  // both below 2^32: no overflow
  const auto scale = [maxValue](std::uint64_t v) {
    return static_cast<std::uint8_t>((std::min(v, maxValue) * 255 + maxValue / 2) / maxValue);
  };
  if (binary) {
    const std::size_t start = text.Position() + 1;  // one white-space byte ends the header
    if (start > b.size() || (b.size() - start) / 3 < pixels) {
      *error = "PPM colour map file ends inside its pixels";
      return false;
    }
    for (std::uint64_t i = 0; i < pixels; ++i) {
      const std::uint8_t* p = &b[start + 3 * i];
      if (!AddColour(colours, {scale(p[0]), scale(p[1]), scale(p[2])}, error)) return false;
    }
    return true;
  }
  for (std::uint64_t i = 0; i < pixels; ++i) {
    std::uint64_t r, g, bl;
    if (!text.Number(&r) || !text.Number(&g) || !text.Number(&bl)) {
      *error = "PPM colour map file ends inside its pixels";
      return false;
    }
    if (!AddColour(colours, {scale(r), scale(g), scale(bl)}, error)) return false;
  }
  return true;
}

}  // namespace

bool ParseColourMap(const std::vector<std::uint8_t>& bytes, std::vector<MapColour>* colours,
                    std::string* error) {
  colours->clear();
  if (!bytes.empty() && bytes[0] == 'G') return ParseGifMap(bytes, colours, error);
  if (!bytes.empty() && bytes[0] == 'P') return ParsePpmMap(bytes, colours, error);
  *error = "colour map file is neither GIF nor PPM";
  return false;
}

bool ReadColourMapFile(const std::string& path, std::vector<MapColour>* colours,
                       std::string* error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    *error = "can't open " + path;
    return false;
  }
  const std::streamoff size = in.tellg();
  if (size < 0 || std::uint64_t(size) > kMaxMapFileBytes) {
    *error = "colour map file " + path + " is too large";
    return false;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    *error = "can't read " + path;
    return false;
  }
  return ParseColourMap(bytes, colours, error);
}

}  // namespace graphics
