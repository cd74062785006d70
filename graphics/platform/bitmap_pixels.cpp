// Raw pixel values of device bitmaps and DIB sections.
#include "graphics/platform/gdi_objects.h"

namespace graphics {

std::uint32_t ReadPackedPixel(const BYTE* row, int x, int bits) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 2:
      return (row[x >> 2] >> (6 - 2 * (x & 3))) & 3u;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    case 16:
      return (row[2 * x] | (std::uint32_t(row[2 * x + 1]) << 8)) & 0x7FFFu;
    case 24:
      return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default:
      return RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
  }
}

bool BitmapSizeAcceptable(std::int64_t width, std::int64_t height) {
  constexpr std::int64_t kMaxSide = std::int64_t(1) << 20;
  constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;
  return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxPixels;
}

}  // namespace graphics

std::uint32_t BitmapObject::Raw(int x, int y) const {
  if (!isDibSection) return values[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  return graphics::ReadPackedPixel(dibBits.data() + std::size_t(height - 1 - y) * stride, x, bits);
}

void BitmapObject::SetRaw(int x, int y, std::uint32_t value) {
  if (!isDibSection) {
    values[std::size_t(y) * std::size_t(width) + std::size_t(x)] = value;
    return;
  }
  BYTE* row = dibBits.data() + std::size_t(height - 1 - y) * stride;
  switch (bits) {
    case 1: {
      const BYTE bit = BYTE(0x80 >> (x & 7));
      row[x >> 3] = (value & 1) ? BYTE(row[x >> 3] | bit) : BYTE(row[x >> 3] & ~bit);
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? BYTE((row[x >> 1] & 0xF0) | (value & 0x0F))
                            : BYTE((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
      break;
    case 8:
      row[x] = BYTE(value);
      break;
    case 16:
      row[2 * x] = BYTE(value);
      row[2 * x + 1] = BYTE((value >> 8) & 0x7F);
      break;
    case 24:
      row[3 * x] = GetBValue(value);
      row[3 * x + 1] = GetGValue(value);
      row[3 * x + 2] = GetRValue(value);
      break;
    default:
      row[4 * x] = GetBValue(value);
      row[4 * x + 1] = GetGValue(value);
      row[4 * x + 2] = GetRValue(value);
      row[4 * x + 3] = 0;
      break;
  }
}
