// What is drawn in place of a GIF picture whose display is switched off: the library's
// placeholder picture centred (or white), and a frame of the library-wide colour.
#pragma once

#include "graphics/core/offscreen_surface.h"

namespace graphics {

bool IsDisabledGif(short type, int enabled);

// Placement of the placeholder: scaled by the smaller of the two side ratios and centred.
DrawRect PlaceholderRect(const DrawRect& rect, int placeholderWidth, int placeholderHeight);

void DrawDisabledGif(HDC dc, const DrawRect& rect);

}  // namespace graphics
