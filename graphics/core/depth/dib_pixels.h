// Reading and writing pixels and palette entries of a checked DIB.
#pragma once

#include <array>
#include <cstdint>

#include "Pics.h"
#include "graphics/core/depth/dib_layout.h"
#include "graphics/core/depth/standard_color_table.h"

namespace graphics {

// Palette indexes of one stored row of a 1-, 2-, 4- or 8-bit picture; the
// leftmost pixel sits in the high bits of its byte.
void UnpackIndexes(const BYTE* row, unsigned bits, uint32_t width, uint8_t* out);

inline RgbColor ReadEntry(const BYTE* entries, uint32_t entrySize, uint32_t i) {
  const BYTE* e = entries + uint64_t(i) * entrySize;
  return {e[2], e[1], e[0]};
}

inline void WriteEntry(BYTE* entries, uint32_t entrySize, uint32_t i, RgbColor c) {
  BYTE* e = entries + uint64_t(i) * entrySize;
  e[0] = c.blue;
  e[1] = c.green;
  e[2] = c.red;
}

// The picture's palette widened to 256 entries; entries it lacks come from filler.
std::array<RgbColor, 256> ReadPalette(const BYTE* dib, const DibLayout& layout,
                                      const std::array<RgbColor, 256>& filler);

// All-black filler for palettes that are shorter than their pixel indexes reach.
inline constexpr std::array<RgbColor, 256> kBlackPalette{};

// Grey level of a colour, as the whole library computes it.
constexpr uint8_t GreyLevel(uint8_t r, uint8_t g, uint8_t b) {
  return uint8_t((30 * r + 59 * g + 11 * b) / 100);
}

}  // namespace graphics
