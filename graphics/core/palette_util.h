// Making logical palettes from colour lists.
#pragma once

#include <vector>

#include "Pics.h"

namespace graphics {

// A version 0x300 logical palette of the given entries; nullptr when empty.
HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries);

// 256 entries from 768 bytes of red, green, blue triplets (flags 0).
HPALETTE MakePaletteFromTriplets(const BYTE* rgb);

}  // namespace graphics
