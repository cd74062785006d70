#include "graphics/core/depth/dib_layout.h"

#include <cstring>

namespace graphics {
namespace {

constexpr uint32_t kBitFields = 3;

bool IsPaletteDepth(unsigned bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }

}  // namespace

std::optional<DibLayout> ReadDibLayout(const void* dib, uint64_t availableBytes,
                                       bool allowDirectColor) {
  if (dib == nullptr || availableBytes < 12) return std::nullopt;
  DibLayout l;
  l.headerSize = CPics::DIBHeaderSize(dib);
  if (availableBytes < l.headerSize) return std::nullopt;
  const int width = CPics::DIBWidth(dib);
  const int height = CPics::DIBHeight(dib);
  if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return std::nullopt;
  const int bits = CPics::DIBBitsPerPixel(dib);
  const bool direct = bits == 16 || bits == 32;
  if (!(IsPaletteDepth(unsigned(bits)) || bits == 24 || (allowDirectColor && direct)))
    return std::nullopt;

  if (l.headerSize != 12) std::memcpy(&l.compression, static_cast<const BYTE*>(dib) + 16, 4);
  if (l.compression != BI_RGB && !(direct && l.compression == kBitFields)) return std::nullopt;

  // The accessor yields an int; a huge colours-used field comes back negative.
  const int colors = CPics::DIBNumberOfColors(dib);
  if (colors < 0 || colors > 256) return std::nullopt;

  l.width = uint16_t(width);
  l.height = uint16_t(height);
  l.bitCount = uint16_t(bits);
  l.colorCount = uint32_t(colors);
  l.entrySize = (l.headerSize == 40 || l.headerSize == 108) ? 4 : 3;
  l.stride = RowStride(l.width, l.bitCount);
  l.imageOffset = uint64_t(l.headerSize) + uint64_t(l.colorCount) * l.entrySize;
  if (l.compression == kBitFields && l.headerSize == 40) l.imageOffset += 12;  // three masks
  l.totalSize = l.imageOffset + l.stride * l.height;
  if (l.totalSize > availableBytes) return std::nullopt;
  return l;
}

}  // namespace graphics
