// Turns a decoded framework bitmap into a 24-bit DIB block for a picture object.
#pragma once

#include "graphics/core/dib_block.h"

#include "Pics.h"
#include "graphics/formats/coder/framework_bitmap.h"

namespace graphics {

// A new 24-bit DIB of the bitmap's pixels (8-bit pixels through its palette, the
// alpha of 32-bit pixels dropped); null when the memory cannot be had.
DibHandle TrueColorDibOf(const CBmp& bitmap);

}  // namespace graphics
