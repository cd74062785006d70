// Reading TGA files: raw and run-length coded, colour-mapped, true-colour (16, 24
// and 32 bits), grey and one-bit pictures, stored top row or bottom row first.
#pragma once

#include <optional>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/formats/tga/tga_header.h"

namespace graphics {


// Reads the whole picture from the file's current position into a new DIB of 1, 8
// or 24 bits. Null for a damaged or short file or when memory cannot be had.
DibHandle ReadTgaFile(CFile& file);

}  // namespace graphics
