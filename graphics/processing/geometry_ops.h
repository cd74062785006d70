// Geometric transforms on the DIB behind a handle. Each returns 1 on success and
// 0 on failure; on failure the handle stays valid (an expansion to 24 bits that
// already happened is kept). The CPics members wrap these.
#pragma once

#include "Pics.h"

namespace graphics {

// Quarter turn; the picture becomes 24-bit.
int RotateQuarterTurn(HGLOBAL* handle, bool clockwise);

// Turn by any angle in degrees (clockwise on screen for positive angles),
// nearest-neighbour sampling, white where the turned picture has no source; the
// picture becomes 24-bit.
int RotateByAngle(HGLOBAL* handle, double degrees);

// Mirror left-right or top-bottom at the picture's depth (1-, 2- and 4-bit
// pictures are expanded to 8 bits first).
int FlipHorizontal(HGLOBAL* handle);
int FlipVertical(HGLOBAL* handle);

// Scale both directions by factor (new size rounded up), nearest neighbour.
int ResizeByFactor(HGLOBAL* handle, float factor);

}  // namespace graphics
