// Checked facts about a packed DIB, read once before any pixel is touched.
#pragma once

#include <cstdint>
#include <optional>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

// The largest picture the library takes in either direction.
inline constexpr int kMaxPictureSide = 32767;

struct DibLayout {
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t bitCount = 0;
  uint32_t headerSize = 0;   // 40, 108 or 12
  uint32_t colorCount = 0;   // palette entries
  uint32_t entrySize = 0;    // 4 after a 40/108-byte header, 3 after a core header
  uint32_t compression = 0;  // BI_RGB, or 3 (bit fields) for 16/32 bits
  uint64_t stride = 0;       // bytes per stored row
  uint64_t imageOffset = 0;  // header + palette (+ bit-field masks)
  uint64_t totalSize = 0;    // imageOffset + stride * height

  uint64_t PaletteOffset() const { return headerSize; }
};

// Stored-row widths come from RowStride of the DIB block helpers.

// Reads and checks the header of a packed DIB. availableBytes bounds the whole DIB
// (use UINT64_MAX when the caller vouches for the buffer). Refuses negative or
// oversized dimensions, unknown depths, compressed pixels, palette pictures with
// more than 256 colours and DIBs that do not fit.
std::optional<DibLayout> ReadDibLayout(const void* dib, uint64_t availableBytes,
                                       bool allowDirectColor = false);

}  // namespace graphics
