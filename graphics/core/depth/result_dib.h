// Fresh DIBs made by the conversions: the library's 40-byte header (DibHeader), the
// palette its depth implies, then zero-filled bottom-up rows.
#pragma once

#include <array>
#include <cstdint>

#include "Pics.h"
#include "graphics/core/depth/standard_color_table.h"
#include "graphics/core/dib_block.h"

namespace graphics {

// Bytes of header + palette + rows; 0 when the picture is too large to hold.
uint64_t ResultDibSize(uint32_t width, uint32_t height, unsigned bitCount);

// A zero-filled block holding the header; empty when it cannot be allocated.
DibHandle AllocateResultDib(uint32_t width, uint32_t height, unsigned bitCount);

// Writes palette entries as blue, green, red, 0 quadruples.
void WritePalette(BYTE* entries, const RgbColor* colors, size_t count);

// The grey ramp: entry i is (i, i, i).
const std::array<RgbColor, 256>& GreyRamp();

}  // namespace graphics
