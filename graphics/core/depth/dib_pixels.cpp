#include "graphics/core/depth/dib_pixels.h"

#include <cstring>

namespace graphics {

void UnpackIndexes(const BYTE* row, unsigned bits, uint32_t width, uint8_t* out) {
  if (width == 0) return;  // an empty row may come with no buffer at all
  if (bits == 8) {
    std::memcpy(out, row, width);
    return;
  }
  const unsigned perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (uint32_t x = 0; x < width; ++x) {
    const unsigned shift = (perByte - 1 - x % perByte) * bits;
    out[x] = uint8_t((row[x / perByte] >> shift) & mask);
  }
}

std::array<RgbColor, 256> ReadPalette(const BYTE* dib, const DibLayout& layout,
                                      const std::array<RgbColor, 256>& filler) {
  std::array<RgbColor, 256> palette = filler;
  const BYTE* entries = dib + layout.PaletteOffset();
  for (uint32_t i = 0; i < layout.colorCount && i < 256; ++i)
    palette[i] = ReadEntry(entries, layout.entrySize, i);
  return palette;
}

}  // namespace graphics
