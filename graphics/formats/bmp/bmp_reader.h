// Reading BMP files into packed DIBs, with every size checked before a pixel is
// touched. Files of 16 and 32 bits (plain or with colour masks) become 24-bit DIBs;
// version-5 and other long information headers become 40-byte ones.
#pragma once

#include <cstdint>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

struct BmpReadResult {
  DibHandle dib;  // empty on failure
  std::uint64_t blockSize = 0;
};

// Reads a BMP file from the file's current position to its end.
BmpReadResult ReadBmpFile(CFile& file);

// Checks and rearranges a BMP file's data (everything after the 14-byte file
// header) held at the start of a block. pixelOffset is the file header's offset
// field. On success the block holds (or is replaced by) a packed DIB whose pixel rows
// follow its colour table; on failure the block is freed.
bool NormaliseBmpData(DibHandle& block, std::uint64_t dataSize, std::uint32_t pixelOffset);

}  // namespace graphics
