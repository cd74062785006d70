// Convolution of a picture with an integer kernel, in 24-bit colour.
#pragma once

#include "Pics.h"
#include "graphics/processing/filter_kernels.h"

namespace graphics {

// Filters the picture behind handle at strength (10 = the full filter, 0 = no
// change). Palette pictures are filtered in 24 bits and reduced to 8 bits again
// by median cut. With reportProgress and a progress window, one progress step
// per row; an abort leaves the remaining rows unfiltered and still gives 1.
// 0 for a divisor of 0 or lack of memory.
int Convolve(HGLOBAL* handle, const Kernel& kernel, int strength, bool reportProgress);

}  // namespace graphics
