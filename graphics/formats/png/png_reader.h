// Reading PNG files with libpng into a DIB: 8-bit palette or grey pictures (1, 2 and
// 4-bit samples unpacked), 24-bit colour. 16-bit samples keep their high byte and
// alpha channels are dropped; tRNS gives the transparent colour.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <vector>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

struct PngPicture {
  DibHandle dib;
  std::vector<BYTE> palette;  // red, green, blue triplets of PLTE (grey files: the ramp)
  bool hasPlte = false;
  bool transparent = false;
  COLORREF transparentColor = 0;  // 0x00BBGGRR
};

// Nothing when the data is not a PNG file libpng can read, is larger than a picture
// may be, or the memory cannot be had.
std::optional<PngPicture> ReadPngFile(std::FILE* file);
// Reads the open file from its position on.
std::optional<PngPicture> ReadPngFile(CFile& file);
std::optional<PngPicture> ReadPngMemory(const BYTE* data, std::size_t size);

}  // namespace graphics
