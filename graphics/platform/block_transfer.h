// Block transfers between contexts with 64-bit rectangles (used by the public blits
// and by zoomed drawing, whose rectangles may exceed 32 bits when multiplied out).
#pragma once

#include "graphics/platform/gdi_objects.h"
#include "graphics/platform/stretch_plan.h"

namespace graphics {

// Stretches the source context's rectangle into the destination's with a source
// raster operation. False when either context has no bitmap or the operation is unknown.
bool TransferPixels(DeviceContextObject& dest, const Rect64& destRect,
                    const DeviceContextObject& source, const Rect64& srcRect, DWORD rop);

// Stretches a rectangle (top-down coordinates) of a packed DIB into the context. The DIB
// is described by its header (40-byte or longer info header, or 12-byte core header)
// followed by its colour table; bits point at its rows. False for a DIB format not drawn.
bool StretchDibInto(DeviceContextObject& dest, const Rect64& destRect, const Rect64& srcRect,
                    const void* bits, const BITMAPINFO* info, DWORD rop);

}  // namespace graphics
