#include "graphics/formats/coder/bilevel_dither.h"

#include <algorithm>
#include <cstring>

namespace graphics {

BilevelDither::BilevelDither(int width)
    : m_width(width), m_current(std::size_t(width), 0), m_next(std::size_t(width), 0) {}

void BilevelDither::Row(const BYTE* grey, BYTE* packed, bool last) {
  std::memset(packed, 0, std::size_t(m_width + 7) / 8);
  std::fill(m_next.begin(), m_next.end(), 0);
  for (int x = 0; x < m_width; ++x) {
    int value = std::clamp(grey[x] + int(m_current[x]), 0, 255);
    if (value > 128) {
      packed[x / 8] |= BYTE(0x80 >> (x % 8));
      value -= 255;
    }
    const int error = value;
    if (x + 1 < m_width) m_current[x + 1] = std::int16_t(m_current[x + 1] + 7 * error / 16);
    if (last) continue;
    if (x > 0) m_next[x - 1] = std::int16_t(m_next[x - 1] + 3 * error / 16);
    m_next[x] = std::int16_t(m_next[x] + 5 * error / 16);
    if (x + 1 < m_width) m_next[x + 1] = std::int16_t(m_next[x + 1] + error / 16);
  }
  m_current.swap(m_next);
}

void GreyRow(const BYTE* row, int bits, int width, const RGBQUAD* colors, int colorCount,
             BYTE* grey) {
  const auto fromIndex = [&](int index) {
    if (colors == nullptr || index >= colorCount) return BYTE(0);
    const RGBQUAD& c = colors[index];
    return GreyLevel(c.rgbRed, c.rgbGreen, c.rgbBlue);
  };
  for (int x = 0; x < width; ++x) {
    switch (bits) {
      case 1:
        grey[x] = fromIndex((row[x / 8] >> (7 - x % 8)) & 1);
        break;
      case 4:
        grey[x] = fromIndex(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15);
        break;
      case 8:
        grey[x] = fromIndex(row[x]);
        break;
      case 24:
        grey[x] = GreyLevel(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        break;
      case 32:
        grey[x] = GreyLevel(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        break;
      default:
        grey[x] = 0;
        break;
    }
  }
}

}  // namespace graphics
